// WASI starts no processes: pipes and commands fail, and no program is on a
// path. Output is never a terminal the tools could draw progress on.
#include "Platform.h"

namespace plat {

struct Pipe {};

bool StandardErrorIsTerminal() { return false; }

PipeHandle OpenWritePipe(const std::string&) { return nullptr; }

bool WritePipe(PipeHandle, const void*, std::size_t) { return false; }

int ClosePipe(PipeHandle) { return -1; }

int RunCommand(const std::string&, std::string& output) {
  output.clear();
  return -1;
}

bool ExecutableOnPath(const char*) { return false; }

}  // namespace plat
