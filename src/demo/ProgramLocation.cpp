#include "ProgramLocation.h"

#include "Platform.h"

namespace {

struct Location {
  bool known = false;
  std::string directory;
  std::string name;
};

Location& TheLocation() {
  static Location location;
  if (!location.known) {
    SplitProgramPath(plat::ProgramPath(), location.directory, location.name);
    location.known = true;
  }
  return location;
}

}  // namespace

void SplitProgramPath(const std::string& path, std::string& directory, std::string& name) {
  // Directories may hold dots and blanks, and executables here have no
  // extension: only the last separator and the file name's first dot count.
  const size_t separator = path.find_last_of("/\\");
  const size_t fileStart = separator == std::string::npos ? 0 : separator + 1;
  directory = path.substr(0, fileStart);
  const std::string file = path.substr(fileStart);
  name = file.substr(0, file.find('.'));
}

const std::string& ProgramDirectory() { return TheLocation().directory; }
const std::string& ProgramName() { return TheLocation().name; }

std::string ProgramFile(const char* name) {
  std::string file = name ? name : "";
  if (!file.empty() && file.front() == '"') file.erase(0, 1);
  if (!file.empty() && file.back() == '"') file.pop_back();
  return ProgramDirectory() + file;
}

void ResetProgramLocationForTest() { TheLocation() = Location(); }
