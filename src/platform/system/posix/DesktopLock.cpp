#include "DesktopLock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace plat {

namespace {

// A socket bound to the abstract name, or -1 when the name is taken (or
// sockets fail, in which case nobody can be seen to hold it either).
int Bind(const std::string& name, bool& taken) {
  taken = false;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // Abstract names start with a zero byte and live only as long as a socket has them.
  const size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);
  const socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
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
  const int fd = Bind("solvane/" + className + "@" + display_, taken);
  if (fd >= 0) close(fd);
  return taken;
}

void DesktopLock::Take(const std::string& className) {
  Held& held = held_[className];
  if (held.windows++ == 0) {
    bool taken = false;
    held.socket = Bind("solvane/" + className + "@" + display_, taken);
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

}  // namespace plat
