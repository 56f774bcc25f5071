#include "DesktopLock.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "SystemServices.h"

namespace plat {

namespace {

// Abstract names start with a zero byte and live only as long as a socket has them.
socklen_t AbstractAddress(const std::string& name, sockaddr_un& address) {
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  const size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

// A socket bound to the abstract name, or -1 when the name is taken (or
// sockets fail, in which case nobody can be seen to hold it either).
int Bind(const std::string& name, bool& taken) {
  taken = false;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_un address;
  const socklen_t size = AbstractAddress(name, address);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
    taken = errno == EADDRINUSE;
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

DesktopLock::DesktopLock() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) display = std::getenv("WAYLAND_DISPLAY");
  display_ = display ? display : "";
  // ":0" and ":0.0" name the same desktop: the screen number is left out.
  const size_t colon = display_.rfind(':');
  const size_t dot = display_.find('.', colon == std::string::npos ? 0 : colon);
  if (colon != std::string::npos && dot != std::string::npos) display_.erase(dot);
}

DesktopLock::~DesktopLock() {
  for (auto& [name, held] : held_)
    if (held.socket >= 0) close(held.socket);
}

bool DesktopLock::HeldElsewhere(const std::string& className) {
  const auto found = held_.find(className);
  if (found != held_.end() && found->second.socket >= 0) return false;  // ours
  bool taken = false;
  const int fd = Bind(Name(className), taken);
  if (fd >= 0) close(fd);
  return taken;
}

void DesktopLock::Take(const std::string& className) {
  Held& held = held_[className];
  if (held.windows++ == 0) {
    bool taken = false;
    held.socket = Bind(Name(className), taken);
    // Never accepted: a connection waiting in the queue is enough for the
    // asker to learn who listens.
    if (held.socket >= 0) listen(held.socket, 16);
  }
}

void DesktopLock::Give(const std::string& className) {
  const auto found = held_.find(className);
  if (found == held_.end()) return;
  if (--found->second.windows <= 0) {
    if (found->second.socket >= 0) close(found->second.socket);
    held_.erase(found);
  }
}

std::string DesktopLock::Holder(const std::string& className) const {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return "";
  sockaddr_un address;
  const socklen_t size = AbstractAddress(Name(className), address);
  ucred peer{};
  socklen_t peerSize = sizeof peer;
  const bool known = connect(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0 &&
                     getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &peerSize) == 0 && peer.pid > 0;
  close(fd);
  if (!known) return "";
  const std::string process = "/proc/" + std::to_string(peer.pid);
  char path[4096];
  const ssize_t length = readlink((process + "/exe").c_str(), path, sizeof path - 1);
  if (length > 0) {
    std::string program(path, static_cast<size_t>(length));
    const std::string deleted = " (deleted)";  // rebuilt while it runs
    if (program.size() > deleted.size() &&
        program.compare(program.size() - deleted.size(), deleted.size(), deleted) == 0)
      program.resize(program.size() - deleted.size());
    return ProgramBaseName(program);
  }
  // Another user's process: its name as the system keeps it.
  char name[64] = {};
  const int comm = open((process + "/comm").c_str(), O_RDONLY | O_CLOEXEC);
  if (comm < 0) return "";
  const ssize_t read = ::read(comm, name, sizeof name - 1);
  close(comm);
  std::string program(name, read > 0 ? static_cast<size_t>(read) : 0);
  while (!program.empty() && program.back() == '\n') program.pop_back();
  return program;
}

}  // namespace plat
