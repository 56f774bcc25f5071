// Libraries loaded at run time: shared objects through the dynamic loader, and
// the built-in exclusive output under its Windows name.
#include <dlfcn.h>

#include <cstring>

#include "Desktop.h"
#include "ElfImage.h"

namespace plat {

LibraryHandle LoadRuntimeLibrary(const char* name) {
  if (!Started() || !name) return nullptr;
  auto library = std::make_unique<Library>();
  if (std::strcmp(name, kExclusiveLibraryName) == 0) {
    if (!TheDesktop().backend->ExclusiveOutputInstalled()) return nullptr;
    library->builtinExclusive = true;
  } else {
    // A name without a '/' is searched for by the loader among the system's
    // own libraries; a path is a file we were handed, and is checked first.
    if (std::strchr(name, '/') && !IsWholeElfImage(name)) return nullptr;
    library->native = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!library->native) return nullptr;
  }
  // Libraries stay loaded until the platform shuts down.
  Library* handle = library.get();
  TheDesktop().libraries.push_back(std::move(library));
  return handle;
}

void* FindLibrarySymbol(LibraryHandle handle, const char* name) {
  if (!Started() || !handle || !name) return nullptr;
  for (const auto& library : TheDesktop().libraries) {
    if (library.get() != handle) continue;
    if (library->builtinExclusive)
      return std::strcmp(name, kExclusiveCreateName) == 0
                 ? reinterpret_cast<void*>(&CreateExclusiveOutput)
                 : nullptr;
    return dlsym(library->native, name);
  }
  return nullptr;
}

void CloseLibraries() {
  for (const auto& library : TheDesktop().libraries)
    if (library->native) dlclose(library->native);
  TheDesktop().libraries.clear();
}

}  // namespace plat
