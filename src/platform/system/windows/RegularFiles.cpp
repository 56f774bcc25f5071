// Streams over regular files only. A named pipe or a device in place of a data
// file, the log or a library must be a clear failure, never a hang, so the
// file is opened with CreateFile, which does not wait on a pipe's other end,
// and its type is checked before the C stream is made.
#include <fcntl.h>
#include <io.h>
#include "WindowsHeaders.h"

#include <cstring>

#include "Platform.h"

namespace plat {

namespace {

struct OpenMode {
  DWORD access = 0;
  DWORD disposition = 0;
  int flags = 0;  // for _open_osfhandle
  bool truncate = false;
};

bool ParseMode(const char* mode, OpenMode& open) {
  const bool plus = std::strchr(mode, '+') != nullptr;
  switch (mode[0]) {
    case 'r':
      open.access = GENERIC_READ | (plus ? GENERIC_WRITE : 0);
      open.disposition = OPEN_EXISTING;
      open.flags = plus ? _O_RDWR : _O_RDONLY;
      break;
    case 'w':
      open.access = GENERIC_WRITE | (plus ? GENERIC_READ : 0);
      // Truncated once the type is known, not before.
      open.disposition = OPEN_ALWAYS;
      open.flags = plus ? _O_RDWR : _O_WRONLY;
      open.truncate = true;
      break;
    case 'a':
      open.access = GENERIC_WRITE | (plus ? GENERIC_READ : 0);
      open.disposition = OPEN_ALWAYS;
      open.flags = (plus ? _O_RDWR : _O_WRONLY) | _O_APPEND;
      break;
    default:
      return false;
  }
  if (!std::strchr(mode, 't')) open.flags |= _O_BINARY;
  return true;
}

}  // namespace

std::FILE* OpenRegularFile(const char* path, const char* mode, bool* notRegular) {
  if (notRegular) *notRegular = false;
  if (!path || !mode) return nullptr;
  OpenMode open;
  if (!ParseMode(mode, open)) return nullptr;
  // Directories open only with backup semantics; without them CreateFile fails
  // with access denied, which is told apart below.
  HANDLE handle = CreateFileA(path, open.access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, open.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD attributes = GetFileAttributesA(path);
    if (notRegular && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
      *notRegular = true;
    return nullptr;
  }
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    if (notRegular) *notRegular = true;
    CloseHandle(handle);
    return nullptr;
  }
  if (open.truncate && !SetEndOfFile(handle)) {
    CloseHandle(handle);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), open.flags);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* stream = _fdopen(fd, mode);
  if (!stream) _close(fd);
  return stream;
}

}  // namespace plat

// The data sources look a name up in its directory's listing when the exact
// name is missing.
namespace plat {

bool ListDirectory(const char* path, std::vector<std::string>& names) {
  names.clear();
  if (!path) return false;
  std::string pattern = path;
  if (!pattern.empty() && pattern.back() != '/' && pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(pattern.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0)
      names.emplace_back(entry.cFileName);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return true;
}

}  // namespace plat

// A file saved whole: the new text is written beside the old one and moved
// over it, which replaces the name in one step on the same volume.

namespace plat {

bool ReplaceRegularFile(const std::string& path, const void* bytes, std::size_t size) {
  const size_t slash = path.find_last_of("/\\");
  const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  const std::string temporary = WriteNewTempFile(directory, "trk", bytes, size);
  if (temporary.empty()) return false;
  // A temporary file's attribute would stay with the track.
  SetFileAttributesA(temporary.c_str(), attributes != INVALID_FILE_ATTRIBUTES
                                            ? attributes & ~FILE_ATTRIBUTE_TEMPORARY
                                            : FILE_ATTRIBUTE_NORMAL);
  if (MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileA(temporary.c_str());
  return false;
}

}  // namespace plat
