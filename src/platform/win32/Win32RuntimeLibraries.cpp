// Libraries loaded at run time through the Windows loader. DirectDraw is the
// system's own "ddraw.dll"; its entry point reaches the program through the
// adapter that gives it the platform's exclusive output interface.
#include <cstring>

#include "SystemServices.h"
#include "Win32Desktop.h"

namespace plat {

LibraryHandle LoadRuntimeLibrary(const char* name) {
  if (!TheWin32() || !name) return nullptr;
  HMODULE module = static_cast<HMODULE>(OpenNativeLibrary(name));
  if (!module) return nullptr;
  auto library = std::make_unique<Library>();
  library->module = module;
  library->directDraw = _stricmp(name, kExclusiveLibraryName) == 0;
  // Libraries stay loaded until the platform shuts down.
  Library* handle = library.get();
  TheWin32()->libraries.push_back(std::move(library));
  return handle;
}

void* FindLibrarySymbol(LibraryHandle handle, const char* name) {
  if (!TheWin32() || !handle || !name) return nullptr;
  for (const auto& library : TheWin32()->libraries) {
    if (library.get() != handle) continue;
    if (library->directDraw && std::strcmp(name, kExclusiveCreateName) == 0)
      return GetProcAddress(library->module, name)
                 ? reinterpret_cast<void*>(&CreateDirectDrawOutput)
                 : nullptr;
    return NativeLibrarySymbol(library->module, name);
  }
  return nullptr;
}

}  // namespace plat
