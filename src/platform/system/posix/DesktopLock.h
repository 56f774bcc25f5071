// Which window classes this process holds on the desktop, so that another
// process can tell that a window of the class is shown (one surface window per
// desktop). A lock is an abstract local socket named after the class and the
// display: the system frees it when the process ends, even by a crash, and no
// file is left behind to block the next run. The holder listens on it, so
// whoever is refused can ask the system which process that is.
#pragma once

#include <map>
#include <string>

namespace plat {

class DesktopLock {
 public:
  DesktopLock();
  ~DesktopLock();
  DesktopLock(const DesktopLock&) = delete;
  DesktopLock& operator=(const DesktopLock&) = delete;

  // Whether another process holds the class.
  bool HeldElsewhere(const std::string& className);
  // Takes the class for this process (counted: one take per window).
  void Take(const std::string& className);
  void Give(const std::string& className);
  // The program holding the class elsewhere; empty when none or not known.
  std::string Holder(const std::string& className) const;

 private:
  std::string Name(const std::string& className) const {
    return "solvane/" + className + "@" + display_;
  }

  std::string display_;
  struct Held {
    int socket = -1;
    int windows = 0;
  };
  std::map<std::string, Held> held_;
};

}  // namespace plat
