// Regular files under the directories the host opened to the module (Node's
// preopens in the tests; a page opens none, and its data comes as an image in
// memory). WASI has no FIFOs or devices to block on, and its descriptors 0-2
// are the runtime's own, so a plain open after the type check is enough.
#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

#include "Platform.h"

namespace plat {

std::FILE* OpenRegularFile(const char* path, const char* mode, bool* notRegular) {
  if (notRegular) *notRegular = false;
  if (!path || !mode || !std::strchr("rwa", mode[0])) return nullptr;
  struct stat status;
  if (stat(path, &status) == 0 && !S_ISREG(status.st_mode)) {
    if (notRegular) *notRegular = true;
    return nullptr;
  }
  return std::fopen(path, mode);
}

bool ListDirectory(const char* path, std::vector<std::string>& names) {
  names.clear();
  DIR* directory = path ? opendir(path) : nullptr;
  if (!directory) return false;
  while (const dirent* entry = readdir(directory)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      names.emplace_back(entry->d_name);
  }
  closedir(directory);
  return true;
}

// Only the author tools rewrite files, and none runs in the browser; the
// module's data is never written back.
bool ReplaceRegularFile(const std::string&, const void*, std::size_t) { return false; }

}  // namespace plat
