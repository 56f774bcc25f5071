// The running program's path, asked of the system once; tests may set it.
#include "Platform.h"
#include "SystemServices.h"

namespace plat {

namespace {
std::string gProgramPath;
}  // namespace

std::string ProgramPath() {
  if (gProgramPath.empty()) gProgramPath = NativeProgramPath();
  return gProgramPath;
}

void SetProgramPathForTest(const std::string& path) { gProgramPath = path; }

}  // namespace plat
