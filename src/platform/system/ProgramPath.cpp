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

std::string ProgramBaseName(const std::string& path) {
  std::string name = path.substr(path.find_last_of("/\\") + 1);
  if (name.size() > 4) {
    std::string suffix = name.substr(name.size() - 4);
    for (char& c : suffix) c = static_cast<char>(c | 0x20);
    if (suffix == ".exe") name.resize(name.size() - 4);
  }
  return name;
}

void SetProgramPathForTest(const std::string& path) { gProgramPath = path; }

}  // namespace plat
