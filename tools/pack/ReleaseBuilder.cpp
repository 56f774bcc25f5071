#include "ReleaseBuilder.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "DemoMusic.h"
#include "LibraryImports.h"
#include "Platform.h"
#include "ReleaseFiles.h"
#include "ToolText.h"
#include "WebPage.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kFontLicence = "/usr/share/doc/fonts-dejavu-core/copyright";
// Where a Linux system keeps the libraries a release copies.
constexpr const char* kLibraryFolders[] = {"/lib/x86_64-linux-gnu/", "/usr/lib/x86_64-linux-gnu/",
                                           "/lib64/", "/usr/lib64/", "/lib/", "/usr/lib/"};

int Fail(const std::string& message) {
  std::fprintf(stderr, "solvane-pack: %s\n", message.c_str());
  return 1;
}

// Where a data folder that is not one may hold the demo: a Script/Demo.txt
// deeper down, or the Script folder itself given.
std::string DemoScriptHint(const ReleaseFiles& files, const std::string& given) {
  for (const ReleaseFile& file : files) {
    const std::string name = Lower(file.name);
    if (EndsWith(name, "/script/demo.txt")) {
      const std::string folder = (fs::path(given) / file.name).parent_path().parent_path().string();
      return "; a Script/Demo.txt was found in " + folder + ": give --data " + folder;
    }
    if (name == "demo.txt") {
      const std::string parent = fs::path(given).lexically_normal().parent_path().string();
      return "; it holds Demo.txt itself, so it looks like the Script folder: give --data " +
             (parent.empty() ? std::string(".") : parent);
    }
  }
  return "";
}

// The title a Release.txt gives (Title = "..." ;), else empty.
std::string ReleaseTitle(const ReleaseFiles& data) {
  for (const ReleaseFile& file : data) {
    if (Lower(file.name) != "release.txt") continue;
    const std::string text(file.bytes.begin(), file.bytes.end());
    for (std::size_t at = text.find("Title"); at != std::string::npos; at = text.find("Title", at + 1)) {
      const std::size_t open = text.find('"', at), close = text.find('"', open + 1);
      const std::size_t equals = text.find('=', at);
      if (open == std::string::npos || close == std::string::npos || equals > open) continue;
      return text.substr(open + 1, close - open - 1);
    }
  }
  return "";
}

// --title: Release.txt keeps its other lines and gets this title.
void WriteTitle(ReleaseFiles& data, const std::string& title) {
  std::string kept;
  for (const ReleaseFile& file : data) {
    if (Lower(file.name) != "release.txt") continue;
    const std::string text(file.bytes.begin(), file.bytes.end());
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      if (line.find("Title") == std::string::npos) kept += line + "\n";
      start = end + 1;
    }
  }
  const std::string text = "Title = \"" + title + "\" ;\n" + kept;
  ReleaseFile file{"Release.txt", std::vector<char>(text.begin(), text.end()), false, {}};
  for (ReleaseFile& held : data)
    if (Lower(held.name) == "release.txt") file.name = held.name;
  PutFile(data, std::move(file));
}

bool AddFile(ReleaseFiles& files, const std::string& name, const std::string& path,
             bool executable, std::string& error) {
  ReleaseFile file{name, {}, executable, {}};
  if (!ReadWholeFile(path, file.bytes)) {
    error = "cannot read " + path;
    return false;
  }
  PutFile(files, std::move(file));
  return true;
}

std::string FindSystemLibrary(const std::string& soname) {
  std::error_code ec;
  for (const char* folder : kLibraryFolders) {
    const std::string path = folder + soname;
    if (fs::is_regular_file(path, ec)) return fs::canonical(path, ec).string();
  }
  return "";
}

// Every library the programs need that is not the system's, found by
// following the needed lists down through the libraries that are copied
// (a system library brings its own), each under the name it is asked for.
bool BundledLibraries(const std::vector<std::string>& programs, ReleaseFiles& files,
                      const std::string& folder, std::string& error) {
  std::vector<std::string> pending;
  for (const std::string& program : programs) {
    std::vector<char> bytes;
    ElfLinks links;
    if (!ReadWholeFile(program, bytes) || !ReadElfLinks(bytes, links)) {
      error = program + " is not a 64-bit ELF program";
      return false;
    }
    pending.insert(pending.end(), links.needed.begin(), links.needed.end());
  }
  std::set<std::string> seen;
  while (!pending.empty()) {
    const std::string soname = pending.back();
    pending.pop_back();
    if (IsLinuxSystemLibrary(soname) || !seen.insert(soname).second) continue;
    const std::string path = FindSystemLibrary(soname);
    ReleaseFile file{folder + soname, {}, false, {}};
    ElfLinks links;
    if (path.empty() || !ReadWholeFile(path, file.bytes) || !ReadElfLinks(file.bytes, links)) {
      error = "the library " + soname + " is not installed here (the release needs a copy)";
      return false;
    }
    pending.insert(pending.end(), links.needed.begin(), links.needed.end());
    PutFile(files, std::move(file));
  }
  return true;
}

std::string Kilobytes(const std::string& path) {
  std::error_code ec;
  return std::to_string((fs::file_size(path, ec) + 1023) / 1024) + " KiB";
}

class Releaser {
 public:
  Releaser(const PackOptions& options, const std::string& directory)
      : options_(options), directory_(directory) {}

  ~Releaser() {
    std::error_code ec;
    if (!work_.empty()) fs::remove_all(work_, ec);
  }

  int Run() {
    const auto started = std::chrono::steady_clock::now();
    std::error_code ec;
    if (!ReadData()) return 1;
    if (options_.web && !FindWebBuild()) return 1;
    fs::create_directories(options_.outDir, ec);
    work_ = (fs::path(options_.outDir) / ("." + options_.name + ".pack")).string();
    fs::remove_all(work_, ec);
    if (!fs::create_directories(work_, ec)) return Fail("cannot make the folder " + work_);
    const std::string name = options_.name;

    // The Linux data first: its set-up check says what an author must fix
    // before anything is made.
    const std::string linuxData = work_ + "/" + name + ".dat";
    if (!PackData(linuxData, directory_ + "solvane-audio.so")) return 1;
    if (!CheckSetUp()) return 1;
    const DemoMusic music = FindDemoMusic(options_.musicPath, options_.dataPath, directory_);
    if (!music.note.empty()) std::printf("solvane-pack: %s\n", music.note.c_str());
    if (!options_.musicPath.empty() && music.path.empty()) return 1;
    if ((options_.linux || options_.windows) && !MakeDesktop(music.path, linuxData)) return 1;
    if (options_.web && !MakeWeb(music.path)) return 1;
    if (options_.video && !MakeVideo(music.path)) return 1;
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    std::printf("solvane-pack: done in %.1f s\n", static_cast<double>(took.count()) / 1000.0);
    return 0;
  }

 private:
  static std::string Seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
  }

  bool ReadData() {
    std::error_code ec;
    std::string error;
    const bool folder = fs::is_directory(options_.dataPath, ec);
    if (!folder && !fs::is_regular_file(options_.dataPath, ec))
      return Fail("--data: no such folder or archive: " + options_.dataPath) == 0;
    if (!(folder ? ReadFolder(options_.dataPath, data_, error) : ReadZip(options_.dataPath, data_, error)))
      return Fail(error) == 0;
    bool script = false;
    for (const ReleaseFile& file : data_) script = script || Lower(file.name) == "script/demo.txt";
    if (!script)
      return Fail((folder ? "the folder " : "the archive ") + options_.dataPath +
                  " holds no Script/Demo.txt at its root" + DemoScriptHint(data_, options_.dataPath)) == 0;
    if (!options_.title.empty()) WriteTitle(data_, options_.title);
    return true;
  }

  // The data with the audio library under the name the player reads.
  bool PackData(const std::string& path, const std::string& audioLibrary) {
    ReleaseFiles data = data_;
    for (auto it = data.begin(); it != data.end();)
      it = Lower(it->name) == "bass.dll" ? data.erase(it) : it + 1;
    std::string error;
    if (!AddFile(data, "bass.dll", audioLibrary, false, error))
      return Fail(error + " (the audio library; build it, or give --windows-build)") == 0;
    return WriteZip(path, std::move(data), error) || Fail(error) == 0;
  }

  bool Render(const std::vector<std::string>& arguments, std::string* output = nullptr) {
    std::string command = ShellQuote(directory_ + "solvane-render");
    for (const std::string& argument : arguments) command += ShellQuote(argument).insert(0, " ");
    command += " --data " + ShellQuote(work_ + "/" + options_.name + ".dat");
    std::string printed;
    const int status = plat::RunCommand(command + " 2>&1", printed);
    if (output) *output = printed;
    else if (status != 0) std::fputs(printed.c_str(), stderr);
    return status == 0 || (output && status == 2);
  }

  // On the Linux data, which Render reads: the author sees what the renderer says.
  bool CheckSetUp() {
    std::string output;
    const bool ok = Render({"--check"}, &output);
    std::fputs(output.c_str(), stdout);
    const std::size_t at = output.find("set-up OK, end time ");
    if (!ok || at == std::string::npos)
      return Fail("the demo's set-up reported errors (above); no release was made") == 0;
    endTime_ = std::atoi(output.c_str() + at + 20);
    return true;
  }

  // The Windows and Linux releases share the music, .nfo and screenshot.
  bool MakeDesktop(const std::string& musicPath, const std::string& linuxData) {
    const std::string name = options_.name;
    const double shot = options_.screenshot >= 0.0 ? options_.screenshot : endTime_ / 2.0;
    const std::string png = work_ + "/" + name + ".png";
    if (!Render({"--frame", Seconds(shot), png})) return Fail("the screenshot could not be made") == 0;
    const std::string title = ReleaseTitle(data_);
    const std::string nfo = ReleaseNfo(name, title.empty() ? name : title, endTime_,
                                       !musicPath.empty(), shot);

    ReleaseFiles common;
    std::string error;
    common.push_back({name + "/" + name + ".nfo", std::vector<char>(nfo.begin(), nfo.end()), false, {}});
    if (!AddFile(common, name + "/" + name + ".png", png, false, error) ||
        (!musicPath.empty() && !AddFile(common, name + "/" + name + ".mp3", musicPath, false, error)))
      return Fail(error) == 0;

    if (options_.linux && !MakeLinux(common, linuxData)) return false;
    if (options_.windows && !MakeWindows(common)) return false;
    return true;
  }

  // The module is looked for before anything is made, so a missing one costs
  // the author no wait: beside this tool (installed), else in the web build
  // beside the build this tool is in.
  bool FindWebBuild() {
    std::error_code ec;
    std::string build = options_.webBuild;
    if (build.empty())
      build = fs::is_regular_file(directory_ + "solvane.wasm", ec) ? directory_ : directory_ + "../build-web";
    module_ = (fs::path(build) / "solvane.wasm").string();
    if (!fs::is_regular_file(module_, ec))
      return Fail("no web build in " + build + " (solvane.wasm): make it with ./build-web.sh in "
                  "the source tree, or give --web-build DIR") == 0;
    return true;
  }

  // One page holding the engine, the data (as the desktop releases pack it,
  // less the audio library: the browser plays the music) and the music.
  bool MakeWeb(const std::string& musicPath) {
    WebPageParts parts;
    const std::string templates = directory_ + "web/";
    std::vector<char> html, style, script;
    if (!ReadWholeFile(templates + "solvane.html", html) || !ReadWholeFile(templates + "solvane.css", style) ||
        !ReadWholeFile(templates + "solvane.js", script))
      return Fail("the page template is missing from " + templates + " (solvane.html, .css, .js)") == 0;
    parts.html.assign(html.begin(), html.end());
    parts.style.assign(style.begin(), style.end());
    parts.script.assign(script.begin(), script.end());
    const std::string title = ReleaseTitle(data_);
    parts.title = title.empty() ? "Solvane" : title;
    std::string error;
    ReleaseFiles data = data_;
    for (auto it = data.begin(); it != data.end();)
      it = Lower(it->name) == "bass.dll" ? data.erase(it) : it + 1;
    const std::string webData = work_ + "/" + options_.name + "-web.dat";
    if (!WriteZip(webData, std::move(data), error)) return Fail(error) == 0;
    if (!ReadWholeFile(module_, parts.module) || !ReadWholeFile(webData, parts.data) ||
        (!musicPath.empty() && !ReadWholeFile(musicPath, parts.music)))
      return Fail("cannot read " + module_ + ", the data or " + musicPath) == 0;
    if (MusicKind(parts.music) == "module")
      std::printf("solvane-pack: the music is module music (MOD, XM, S3M or IT), which browsers "
                  "cannot play: the page plays the demo silent and says so\n");
    std::string page;
    if (!ComposeWebPage(parts, page, error)) return Fail(error) == 0;
    // Written beside the work folder and moved into place whole.
    const std::string out = (fs::path(options_.outDir) / (options_.name + ".html")).string();
    const std::string made = work_ + "/" + options_.name + ".html";
    std::error_code ec;
    if (!WriteWholeFile(made, std::vector<char>(page.begin(), page.end())))
      return Fail("cannot write " + made) == 0;
    fs::rename(made, out, ec);
    if (ec) return Fail("cannot write " + out + ": " + ec.message()) == 0;
    std::printf("solvane-pack: %s (%s)\n", out.c_str(), Kilobytes(out).c_str());
    return true;
  }

  bool MakeLinux(ReleaseFiles files, const std::string& data) {
    const std::string name = options_.name, folder = name + "/";
    const std::string viewer = directory_ + "solvane", audio = directory_ + "solvane-audio.so";
    std::string error;
    if (!AddFile(files, folder + name, viewer, true, error) ||
        !AddFile(files, folder + name + ".dat", data, false, error) ||
        !BundledLibraries({viewer, audio}, files, folder + "lib/", error))
      return Fail(error) == 0;
    std::error_code ec;
    if (fs::is_regular_file(kFont, ec)) {
      AddFile(files, folder + "lib/DejaVuSans.ttf", kFont, false, error);
      if (fs::is_regular_file(kFontLicence, ec))
        AddFile(files, folder + "lib/DejaVuSans.copyright", kFontLicence, false, error);
    } else {
      std::printf("solvane-pack: warning: %s is not installed; the release's dialog needs the "
                  "font on the viewer's machine\n", kFont);
    }
    const std::string out = (fs::path(options_.outDir) / (name + "-linux.tar.gz")).string();
    if (!WriteTarGz(out, std::move(files), error)) return Fail(error) == 0;
    std::printf("solvane-pack: %s (%s)\n", out.c_str(), Kilobytes(out).c_str());
    return true;
  }

  bool MakeWindows(ReleaseFiles files) {
    std::string build = options_.windowsBuild;
    if (build.empty()) build = directory_ + "../build-windows";
    const std::string exe = build + "/solvane.exe", dll = build + "/bass.dll";
    std::error_code ec;
    if (!fs::is_regular_file(exe, ec) || !fs::is_regular_file(dll, ec))
      return Fail("no Windows build in " + build + " (solvane.exe and bass.dll): make it with "
                  "./build-windows.sh in the source tree, or give --windows-build DIR") == 0;
    std::vector<char> bytes;
    std::vector<std::string> dlls;
    if (!ReadWholeFile(exe, bytes) || !ReadPeImports(bytes, dlls))
      return Fail(exe + " is not a Windows program") == 0;
    for (const std::string& imported : dlls)
      if (!IsWindowsSystemDll(imported))
        return Fail(exe + " needs " + imported + ", which is not part of Windows") == 0;
    const std::string name = options_.name, folder = name + "/";
    const std::string data = work_ + "/" + name + "-windows.dat";
    std::string error;
    if (!PackData(data, dll)) return false;
    if (!AddFile(files, folder + name + ".exe", exe, true, error) ||
        !AddFile(files, folder + name + ".dat", data, false, error))
      return Fail(error) == 0;
    const std::string out = (fs::path(options_.outDir) / (name + "-windows.zip")).string();
    if (!WriteZip(out, std::move(files), error)) return Fail(error) == 0;
    std::printf("solvane-pack: %s (%s)\n", out.c_str(), Kilobytes(out).c_str());
    return true;
  }

  bool MakeVideo(const std::string& music) {
    if (!plat::ExecutableOnPath("ffmpeg"))
      return Fail("--video needs ffmpeg (Debian: apt-get install ffmpeg)") == 0;
    const std::string out = (fs::path(options_.outDir) / (options_.name + ".mp4")).string();
    std::vector<std::string> arguments = {"--video", out};
    if (!music.empty()) arguments.insert(arguments.end(), {"--music", music});
    if (!Render(arguments)) return Fail("the video could not be made") == 0;
    std::printf("solvane-pack: %s (%s)\n", out.c_str(), Kilobytes(out).c_str());
    return true;
  }

  const PackOptions& options_;
  const std::string directory_;
  ReleaseFiles data_;
  std::string work_;
  std::string module_;  // the web build's solvane.wasm
  int endTime_ = 0;
};

std::string Clock(int seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  return text;
}

}  // namespace

std::string ReleaseNfo(const std::string& name, const std::string& title, int seconds,
                       bool withMusic, double screenshot) {
  // Only printable ASCII from the title: the .nfo is read in any editor.
  std::string plainTitle;
  for (char c : title)
    if (c >= 0x20 && c < 0x7f && plainTitle.size() < 76) plainTitle += c;
  char shot[32];
  std::snprintf(shot, sizeof shot, "%.1f", screenshot);
  std::string text;
  text += plainTitle + "\n";
  text += std::string(plainTitle.size(), '=') + "\n\n";
  text += "Length: " + Clock(seconds) + " (" + std::to_string(seconds) + " s), " +
          (withMusic ? "with music" : "silent") + ".\n\n";
  text += "Running it\n"
          "  Windows: unzip " + name + "-windows.zip and start " + name + "\\" + name + ".exe.\n"
          "  Linux:   tar xzf " + name + "-linux.tar.gz, then run ./" + name + "/" + name + ".\n"
          "           64-bit, glibc 2.34 or later (Debian 12, Ubuntu 22.04 and newer),\n"
          "           X11 or XWayland; the other libraries are in " + name + "/lib.\n"
          "  Nothing is installed and nothing is written: it runs from read-only media.\n"
          "  Started as \"" + name + " l\" it writes its log to kol.log instead.\n\n"
          "The start dialog\n"
          "  Sound:   Stereo, Mono or No Sound.\n"
          "  Display: Full Screen 640x480 (DDraw), scaled with black bars where the\n"
          "           display has no 640x480 mode; Full Screen 640x480 (GDI), which\n"
          "           needs that mode; or Windowed, 640x480.\n"
          "  Enter or the button starts the demo; Escape or the close box quits.\n\n"
          "Keys\n"
          "  Escape ends the demo at once. Letter keys mark moments in the log.\n\n"
          "Files\n"
          "  " + name + ", " + name + ".exe   the demo\n"
          "  " + name + ".dat   its scripts, pictures and audio library\n" +
          (withMusic ? "  " + name + ".mp3   its music\n" : std::string()) +
          "  " + name + ".png   a screenshot at " + shot + " s\n"
          "  " + name + ".nfo   this file\n\n"
          "Made with Solvane, a real-time demo engine: 640x480, 32 bits per pixel,\n"
          "scripted effects played to the music.\n";
  // Long names would push a line past 80 columns: such lines are wrapped.
  std::string wrapped;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    while (line.size() > 80) {
      wrapped += line.substr(0, 80) + "\n";
      line = "  " + line.substr(80);
    }
    wrapped += line + "\n";
    start = end + 1;
  }
  return wrapped;
}

int MakeReleases(const PackOptions& options, const std::string& programDirectory) {
  return Releaser(options, programDirectory).Run();
}
