// Temporary files for the libraries the program loads from its own data: made
// exclusively (mkstemp opens with O_CREAT | O_EXCL, so a file or link planted
// under the name is never followed or replaced) and private to the user.
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "Platform.h"

namespace plat {

std::string TempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = dir && *dir ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

std::string WriteNewTempFile(const std::string& directory, const char* prefix, const void* bytes,
                             std::size_t size) {
  std::string pattern = directory;
  if (!pattern.empty() && pattern.back() != '/') pattern += '/';
  pattern += prefix ? prefix : "";
  pattern += "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return std::string();
  const std::string path(name.data());
  const char* at = static_cast<const char*>(bytes);
  std::size_t left = size;
  bool written = true;
  while (left > 0) {
    const ssize_t n = write(fd, at, left);
    if (n <= 0) {
      written = false;
      break;
    }
    at += n;
    left -= static_cast<std::size_t>(n);
  }
  if (close(fd) != 0) written = false;
  if (!written) {
    unlink(path.c_str());
    return std::string();
  }
  return path;
}

bool RemoveFile(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

// A file in use is removed at once here: its name goes, its contents stay
// with whoever has it open or mapped.
void RemoveFilesLeftInUse() {}

}  // namespace plat
