// WebAssembly loads no native libraries: every load fails cleanly, so the
// music player reports its library missing and the demo stays silent. The
// module has no path of its own either.
#include "SystemServices.h"

namespace plat {

void* OpenNativeLibrary(const char*) { return nullptr; }

void* NativeLibrarySymbol(void*, const char*) { return nullptr; }

void CloseNativeLibrary(void*) {}

std::string NativeProgramPath() { return std::string(); }

}  // namespace plat
