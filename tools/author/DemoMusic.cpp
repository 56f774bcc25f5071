#include "DemoMusic.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool IsRegular(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool IsDirectory(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

// A directory named with a trailing separator ("data/") has an empty file
// name; its name is that of its last real component.
fs::path WithoutTrailingSeparator(const fs::path& path) {
  return path.has_filename() ? path : path.parent_path();
}

// The .mp3 files directly in directory, sorted, so the choice never depends on
// the order the file system lists them in.
std::vector<fs::path> Mp3FilesIn(const fs::path& directory) {
  std::vector<fs::path> found;
  std::error_code ec;
  fs::directory_iterator it(directory.empty() ? fs::path(".") : directory, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::path& entry = it->path();
    std::string extension = entry.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".mp3" && IsRegular(entry)) found.push_back(directory.empty() ? entry.filename() : entry);
  }
  std::sort(found.begin(), found.end());
  return found;
}

DemoMusic BesideDirectory(const fs::path& directory) {
  const fs::path named = WithoutTrailingSeparator(directory);
  const fs::path own = fs::path(named).replace_extension(".mp3");
  if (IsRegular(own)) return {own.string(), ""};
  const std::vector<fs::path> beside = Mp3FilesIn(named.parent_path());
  if (beside.size() == 1) return {beside.front().string(), ""};
  if (beside.empty())
    return {"", "no music: neither " + own.string() + " nor another .mp3 file lies beside " +
                    named.string() + " (give one with --music)"};
  std::string names;
  for (const fs::path& p : beside) names += (names.empty() ? "" : ", ") + p.filename().string();
  return {"", "no music: several .mp3 files lie beside " + named.string() + " (" + names +
                  "); choose one with --music"};
}

}  // namespace

DemoMusic FindDemoMusic(const std::string& musicOption, const std::string& dataPath,
                        const std::string& programDirectory) {
  if (!musicOption.empty()) {
    if (IsRegular(musicOption)) return {musicOption, ""};
    return {"", "no music: --music " + musicOption + " is not a regular file"};
  }
  if (dataPath.empty()) {
    // The program's own data: its archive if there is one, else its directory.
    const fs::path archive = fs::path(programDirectory + "solvane.dat");
    if (IsRegular(archive)) return FindDemoMusic("", archive.string(), programDirectory);
    return BesideDirectory(fs::path(programDirectory + "data"));
  }
  if (IsDirectory(dataPath)) return BesideDirectory(fs::path(dataPath));
  const fs::path music = fs::path(dataPath).replace_extension(".mp3");
  if (IsRegular(music)) return {music.string(), ""};
  return {"", "no music: " + music.string() + " is not there (give one with --music)"};
}
