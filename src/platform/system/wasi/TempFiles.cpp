// Temporary files exist only to hand a library from the data to the loader,
// and WebAssembly loads none: they are refused, and the caller reports it.
#include <cstdio>

#include "Platform.h"

namespace plat {

std::string TempDirectory() { return std::string(); }

std::string WriteNewTempFile(const std::string&, const char*, const void*, std::size_t) {
  return std::string();
}

bool RemoveFile(const std::string& path) { return !path.empty() && std::remove(path.c_str()) == 0; }

void RemoveFilesLeftInUse() {}

}  // namespace plat
