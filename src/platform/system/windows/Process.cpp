// Terminal detection, pipes to child processes and PATH lookup, for the tools.
#include <io.h>
#include "WindowsHeaders.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Platform.h"

namespace plat {

struct Pipe {
  std::FILE* stream = nullptr;
};

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

PipeHandle OpenWritePipe(const std::string& command) {
  // Binary: the frames go through as they are, without newline translation.
  std::FILE* stream = _popen(command.c_str(), "wb");
  if (!stream) return nullptr;
  return new Pipe{stream};  // owned by the caller until ClosePipe
}

bool WritePipe(PipeHandle pipe, const void* bytes, std::size_t size) {
  return pipe && pipe->stream && std::fwrite(bytes, 1, size, pipe->stream) == size;
}

int ClosePipe(PipeHandle pipe) {
  if (!pipe) return -1;
  const int status = pipe->stream ? _pclose(pipe->stream) : -1;
  delete pipe;
  return status;
}

int RunCommand(const std::string& command, std::string& output) {
  output.clear();
  std::FILE* stream = _popen(command.c_str(), "rb");
  if (!stream) return -1;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, stream)) > 0;)
    output.append(buffer, got);
  return _pclose(stream);
}

bool ExecutableOnPath(const char* name) {
  if (!name || !*name) return false;
  // SearchPath looks where CreateProcess would; a name without an extension
  // is tried with ".exe".
  char found[MAX_PATH];
  return SearchPathA(nullptr, name, ".exe", sizeof found, found, nullptr) > 0;
}

}  // namespace plat
