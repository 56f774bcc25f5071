// Streams over regular files only. Opening a FIFO for reading blocks until a
// writer comes, and opening one for writing blocks until a reader does; a
// device may block for ever too. Such paths in place of a data file, the log
// or a library must be a clear failure, never a hang, so every open here is
// non-blocking until the type is known.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "Platform.h"

namespace plat {

namespace {

int OpenFlags(const char* mode) {
  const bool plus = std::strchr(mode, '+') != nullptr;
  switch (mode[0]) {
    case 'r': return plus ? O_RDWR : O_RDONLY;
    case 'w': return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a': return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default: return -1;
  }
}

// Whatever is at the path, when it exists and is not a regular file.
bool ExistsAsOtherThanRegular(const char* path) {
  struct stat status;
  return stat(path, &status) == 0 && !S_ISREG(status.st_mode);
}

}  // namespace

std::FILE* OpenRegularFile(const char* path, const char* mode, bool* notRegular) {
  if (notRegular) *notRegular = false;
  if (!path || !mode) return nullptr;
  int flags = OpenFlags(mode);
  if (flags < 0) return nullptr;
  // O_TRUNC would act before the type is known; truncate once it is.
  const bool truncate = (flags & O_TRUNC) != 0;
  flags &= ~O_TRUNC;
  int fd = open(path, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    // A FIFO without a reader refuses a non-blocking open for writing.
    if (notRegular) *notRegular = ExistsAsOtherThanRegular(path);
    return nullptr;
  }
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    if (notRegular) *notRegular = true;
    close(fd);
    return nullptr;
  }
  const int fileFlags = fcntl(fd, F_GETFL);
  if (fileFlags < 0 || fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK) != 0 ||
      (truncate && ftruncate(fd, 0) != 0)) {
    close(fd);
    return nullptr;
  }
  if (fd <= STDERR_FILENO) {
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(fd);
    if (moved < 0) return nullptr;
    fd = moved;
  }
  std::FILE* stream = fdopen(fd, mode);
  if (!stream) close(fd);
  return stream;
}

}  // namespace plat

// The data sources look a name up in its directory's listing when the exact
// name is missing.

namespace plat {

bool ListDirectory(const char* path, std::vector<std::string>& names) {
  names.clear();
  // opendir asks for a directory and never waits on a FIFO of that name.
  DIR* directory = path ? opendir(path) : nullptr;
  if (!directory) return false;
  while (const dirent* entry = readdir(directory)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      names.emplace_back(entry->d_name);
  }
  closedir(directory);
  return true;
}

}  // namespace plat

// A file saved whole: the new text is written beside the old one and renamed
// over it, which replaces the name in one step on the same file system.

namespace plat {

bool ReplaceRegularFile(const std::string& path, const void* bytes, std::size_t size) {
  const size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  struct stat old;
  const bool existed = stat(path.c_str(), &old) == 0;
  if (existed && !S_ISREG(old.st_mode)) return false;
  const std::string temporary = WriteNewTempFile(directory, ("." + name + ".").c_str(), bytes, size);
  if (temporary.empty()) return false;
  // The new file is made private; it takes the old one's mode, or the one a
  // new file of the user's would have.
  mode_t mode = 0;
  if (existed) {
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  bool done = chmod(temporary.c_str(), mode) == 0;
  if (done) {
    // On the disk before the name moves, so a crash leaves the old or the new text.
    const int fd = open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    done = fd >= 0 && fsync(fd) == 0;
    if (fd >= 0) close(fd);
  }
  done = done && rename(temporary.c_str(), path.c_str()) == 0;
  if (!done) unlink(temporary.c_str());
  return done;
}

}  // namespace plat
