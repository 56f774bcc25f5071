// Temporary files for the libraries the program loads from its own data. The
// name comes from GetTempFileName, which makes the file itself, so no file
// planted under the name is replaced; the bytes go in through CreateFile on
// that same, still empty file.
#include "WindowsHeaders.h"

#include <string>

#include "Platform.h"

namespace plat {

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

bool RemoveFile(const std::string& path) { return !path.empty() && DeleteFileA(path.c_str()); }

}  // namespace plat
