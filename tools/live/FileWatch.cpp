#include "FileWatch.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

FileWatch::Stamp FileWatch::Read(const std::string& path) {
  Stamp stamp;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return stamp;
  stamp.exists = true;
  stamp.directory = fs::is_directory(status);
  const auto modified = fs::last_write_time(path, ec);
  if (!ec) stamp.modified = static_cast<std::int64_t>(modified.time_since_epoch().count());
  if (!stamp.directory) {
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec) stamp.size = size;
  }
  return stamp;
}

void FileWatch::Watch(const std::set<std::string>& paths) {
  stamps_.clear();
  for (const std::string& path : paths) {
    const Stamp now = Read(path);
    stamps_[path] = {now, now};
  }
}

bool FileWatch::Changed(std::string* changed) {
  bool any = false;
  for (auto& [path, watched] : stamps_) {
    const Stamp now = Read(path);
    const bool settled = !(now != watched.seen);
    watched.seen = now;
    if (settled && now != watched.told) {
      if (!any && changed) *changed = path;
      any = true;
      watched.told = now;
    }
  }
  return any;
}
