// Shared objects through the dynamic loader, and the program's own path.
#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

#include "ElfImage.h"
#include "SystemServices.h"

namespace plat {

void* OpenNativeLibrary(const char* name) {
  // A path is a file we were handed, and is checked before the loader maps it.
  if (std::strchr(name, '/') && !IsWholeElfImage(name)) return nullptr;
  return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void* NativeLibrarySymbol(void* library, const char* name) { return dlsym(library, name); }

void CloseNativeLibrary(void* library) { dlclose(library); }

std::string NativeProgramPath() {
  // The executable itself, whatever directory the program was started from.
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

}  // namespace plat
