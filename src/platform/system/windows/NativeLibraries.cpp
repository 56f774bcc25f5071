// DLLs through the Windows loader, and the program's own path.
#include "WindowsHeaders.h"

#include <cstring>

#include "PeImage.h"
#include "SystemServices.h"

namespace plat {

void* OpenNativeLibrary(const char* name) {
  // A path is a file we were handed, and is checked before the loader maps it.
  const bool isPath = std::strchr(name, '/') || std::strchr(name, '\\');
  if (isPath && !IsWholePeImage(name)) return nullptr;
  // No "cannot find the library" message box: a failed load is the caller's
  // to report.
  const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(name);
  SetErrorMode(previous);
  return reinterpret_cast<void*>(module);
}

void* NativeLibrarySymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseNativeLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

std::string NativeProgramPath() {
  char path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

}  // namespace plat
