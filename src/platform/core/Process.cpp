// Terminal detection, pipes to child processes and PATH lookup, for the tools.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Platform.h"

namespace plat {

struct Pipe {
  std::FILE* stream = nullptr;
};

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

PipeHandle OpenWritePipe(const std::string& command) {
  // A command that exits early must show up as a failed write, not kill us.
  signal(SIGPIPE, SIG_IGN);
  std::FILE* stream = popen(command.c_str(), "w");
  if (!stream) return nullptr;
  return new Pipe{stream};  // owned by the caller until ClosePipe
}

bool WritePipe(PipeHandle pipe, const void* bytes, std::size_t size) {
  return pipe && pipe->stream && std::fwrite(bytes, 1, size, pipe->stream) == size;
}

int ClosePipe(PipeHandle pipe) {
  if (!pipe) return -1;
  const int status = pipe->stream ? pclose(pipe->stream) : -1;
  delete pipe;
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

bool ExecutableOnPath(const char* name) {
  const char* path = std::getenv("PATH");
  if (!name || !*name || !path) return false;
  std::string dirs = path;
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = dirs.find(':', start);
    std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (dir.empty()) dir = ".";
    std::string candidate = dir;
    candidate += '/';
    candidate += name;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

}  // namespace plat
