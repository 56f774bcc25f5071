// Watches a set of files and directories by polling their modification time,
// size and identity: cheap for the few dozen files a demo has, and it sees
// every way an editor saves (in place, or a new file renamed over the old),
// a file that appears where one was missing, and one that goes. A change is
// told once the path has looked the same twice running, so a save that
// empties a file and then writes it is never read half done.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

class FileWatch {
 public:
  // Watches exactly these paths from now on; their state now is the baseline.
  void Watch(const std::set<std::string>& paths);
  // Whether any watched path differs from the baseline and is as the last
  // look found it; the first such path goes to changed. Its baseline moves on
  // to what is seen now, so each change is told once.
  bool Changed(std::string* changed = nullptr);
  bool Watches(const std::string& path) const { return stamps_.count(path) != 0; }

 private:
  struct Stamp {
    bool exists = false;
    bool directory = false;
    std::int64_t modified = 0;  // file clock ticks
    std::uintmax_t size = 0;
    bool operator!=(const Stamp& o) const {
      return exists != o.exists || directory != o.directory || modified != o.modified ||
             size != o.size;
    }
  };
  static Stamp Read(const std::string& path);

  struct Watched {
    Stamp told;      // the baseline
    Stamp seen;      // at the last look
  };
  std::map<std::string, Watched> stamps_;
};
