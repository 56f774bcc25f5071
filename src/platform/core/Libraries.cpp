// Libraries loaded at run time: the system's shared libraries, and the
// built-in exclusive output under its Windows name. A background task (an
// author tool decoding its music) may load one while the frame loop looks a
// symbol up, so the table is only ever touched under its lock.
#include <cstring>

#include "Desktop.h"
#include "SystemServices.h"

namespace plat {

LibraryHandle LoadRuntimeLibrary(const char* name) {
  if (!Started() || !name) return nullptr;
  auto library = std::make_unique<Library>();
  if (std::strcmp(name, kExclusiveLibraryName) == 0) {
    if (!TheDesktop().backend->ExclusiveOutputInstalled()) return nullptr;
    library->builtinExclusive = true;
  } else {
    library->native = OpenNativeLibrary(name);
    if (!library->native) return nullptr;
  }
  // Libraries stay loaded until the platform shuts down.
  Library* handle = library.get();
  const LibraryTableLock hold;
  TheDesktop().libraries.push_back(std::move(library));
  return handle;
}

void* FindLibrarySymbol(LibraryHandle handle, const char* name) {
  if (!Started() || !handle || !name) return nullptr;
  const LibraryTableLock hold;
  for (const auto& library : TheDesktop().libraries) {
    if (library.get() != handle) continue;
    if (library->builtinExclusive)
      return std::strcmp(name, kExclusiveCreateName) == 0
                 ? reinterpret_cast<void*>(&CreateExclusiveOutput)
                 : nullptr;
    return NativeLibrarySymbol(library->native, name);
  }
  return nullptr;
}

void CloseLibraries() {
  const LibraryTableLock hold;
  for (const auto& library : TheDesktop().libraries)
    if (library->native) CloseNativeLibrary(library->native);
  TheDesktop().libraries.clear();
}

}  // namespace plat
