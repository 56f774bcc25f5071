// Temporary files for the libraries the program loads from its own data. The
// name comes from GetTempFileName, which makes the file itself, so no file
// planted under the name is replaced; the bytes go in through CreateFile on
// that same, still empty file.
#include "WindowsHeaders.h"

#include <string>
#include <vector>

#include "Platform.h"
#include "SystemServices.h"

namespace plat {

namespace {
// Files Windows would not delete yet: a loaded DLL's file stays until the
// library is unloaded.
std::vector<std::string> gLeftInUse;
}  // namespace

std::string TempDirectory() {
  char path[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof path, path);
  if (length == 0 || length > sizeof path) return ".\\";
  std::string directory(path, length);
  if (directory.back() != '\\' && directory.back() != '/') directory += '\\';
  return directory;
}

std::string WriteNewTempFile(const std::string& directory, const char* prefix, const void* bytes,
                             std::size_t size) {
  char name[MAX_PATH];
  if (!GetTempFileNameA(directory.c_str(), prefix ? prefix : "", 0, name)) return std::string();
  const std::string path(name);
  HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                            FILE_ATTRIBUTE_TEMPORARY, nullptr);
  bool written = file != INVALID_HANDLE_VALUE;
  const char* at = static_cast<const char*>(bytes);
  std::size_t left = size;
  while (written && left > 0) {
    const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD done = 0;
    if (!WriteFile(file, at, chunk, &done, nullptr) || done == 0) {
      written = false;
      break;
    }
    at += done;
    left -= done;
  }
  if (file != INVALID_HANDLE_VALUE && !CloseHandle(file)) written = false;
  if (!written) {
    DeleteFileA(name);
    return std::string();
  }
  return path;
}

bool RemoveFile(const std::string& path) {
  if (path.empty()) return false;
  if (DeleteFileA(path.c_str())) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) gLeftInUse.push_back(path);
  return false;
}

void RemoveFilesLeftInUse() {
  std::vector<std::string> stillInUse;
  for (const std::string& path : gLeftInUse)
    if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
      stillInUse.push_back(path);
  gLeftInUse.swap(stillInUse);
}

}  // namespace plat
