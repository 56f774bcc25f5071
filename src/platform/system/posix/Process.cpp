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

int RunCommand(const std::string& command, std::string& output) {
  output.clear();
  std::FILE* stream = popen(command.c_str(), "r");
  if (!stream) return -1;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, stream)) > 0;)
    output.append(buffer, got);
  const int status = pclose(stream);
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

bool ExecutableOnPath(const char* name) {
  const char* path = std::getenv("PATH");
  if (!name || !*name || !path) return false;
  for (const char* start = path;; ++start) {
    const char* end = start;
    while (*end && *end != ':') ++end;
    // An empty PATH entry means the current directory.
    std::string candidate(start, end);
    if (candidate.empty()) candidate.push_back('.');
    candidate.push_back('/');
    candidate.append(name);
    if (access(candidate.c_str(), X_OK) == 0) return true;
    if (!*end) return false;
    start = end;
  }
}

}  // namespace plat
