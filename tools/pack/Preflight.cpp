#include "Preflight.h"

#include <cstdio>
#include <filesystem>
#include <set>

#include "LibraryImports.h"
#include "Platform.h"
#include "ReleaseFiles.h"
#include "ToolText.h"

namespace fs = std::filesystem;

namespace {

class Preflight {
 public:
  explicit Preflight(const std::string& directory) : directory_(directory) {}

  ~Preflight() {
    std::error_code ec;
    if (!work_.empty()) fs::remove_all(work_, ec);
  }

  int Run(const std::string& release) {
    if (!Unpack(release)) return Finish();
    const std::string folder = name_ + "/";
    const ReleaseFile* nfo = FindFile(files_, folder + name_ + ".nfo");
    const ReleaseFile* dat = FindFile(files_, folder + name_ + ".dat");
    const ReleaseFile* png = FindFile(files_, folder + name_ + ".png");
    const ReleaseFile* linuxViewer = FindFile(files_, folder + name_);
    const ReleaseFile* windowsViewer = FindFile(files_, folder + name_ + ".exe");
    std::string missing;
    if (!linuxViewer && !windowsViewer) missing += " the viewer (" + name_ + " or " + name_ + ".exe)";
    if (!dat) missing += " " + name_ + ".dat";
    if (!nfo) missing += " " + name_ + ".nfo";
    if (!png) missing += " " + name_ + ".png";
    Say(missing.empty(), "the folder holds the viewer, " + name_ + ".dat, .nfo and .png",
        "the folder " + folder + " lacks" + missing);
    if (nfo) CheckNfo(*nfo);
    if (png) CheckScreenshot(*png);
    if (dat && !Extract()) return Finish();
    if (linuxViewer && dat) CheckLinuxLibraries(*linuxViewer);
    if (windowsViewer && dat) CheckWindowsImports(*windowsViewer);
    if (dat) RunTheDemo(release, linuxViewer != nullptr, windowsViewer != nullptr);
    return Finish();
  }

 private:
  void Line(const char* verdict, const std::string& text) {
    std::printf("%s %s\n", verdict, text.c_str());
    std::fflush(stdout);
  }
  void Say(bool passed, const std::string& pass, const std::string& fail) {
    Line(passed ? "PASS" : "FAIL", passed ? pass : fail);
    failures_ += passed ? 0 : 1;
  }
  int Finish() {
    std::printf("preflight: %s\n", failures_ ? "FAILED" : "passed");
    return failures_ ? 1 : 0;
  }

  // One folder, relative names, no links: what unzip or tar would make of it
  // without writing anywhere else.
  bool Unpack(const std::string& release) {
    std::error_code ec;
    std::string error;
    bool read;
    if (fs::is_directory(release, ec)) {
      ReleaseFiles inside;
      read = ReadFolder(release, inside, error);
      const std::string top = fs::path(release).lexically_normal().filename().string();
      for (ReleaseFile& file : inside) file.name = top + "/" + file.name;
      files_ = std::move(inside);
    } else if (EndsWith(release, ".zip")) {
      read = ReadZip(release, files_, error);
    } else if (EndsWith(release, ".tar.gz") || EndsWith(release, ".tgz")) {
      read = ReadTarGz(release, files_, error);
    } else {
      Say(false, "", "a release is a .zip, a .tar.gz or a folder: " + release);
      return false;
    }
    if (!read) {
      Say(false, "", "the release cannot be read: " + error);
      return false;
    }
    std::set<std::string> tops;
    std::string bad;
    for (const ReleaseFile& file : files_) {
      const std::string& n = file.name;
      const bool absolute = n.empty() || n[0] == '/' || n[0] == '\\' || (n.size() > 1 && n[1] == ':');
      bool climbs = n.find('\\') != std::string::npos;
      for (const auto& part : fs::path(n)) climbs = climbs || part == "..";
      if ((absolute || climbs || !file.linkTarget.empty()) && bad.empty())
        bad = n + (file.linkTarget.empty() ? "" : " (a link to " + file.linkTarget + ")");
      tops.insert(n.substr(0, n.find('/')));
    }
    name_ = tops.size() == 1 ? *tops.begin() : "";
    const bool oneFolder = tops.size() == 1 && !files_.empty() && files_.size() > 1;
    Say(bad.empty() && oneFolder,
        "it unpacks into one folder, " + name_ + "/, with relative names only (" +
            std::to_string(files_.size()) + " entries)",
        !bad.empty() ? "a member name that would land outside the folder: " + bad
                     : "it does not unpack into one folder (" + std::to_string(tops.size()) +
                           " names at the top)");
    return bad.empty() && oneFolder;
  }

  void CheckNfo(const ReleaseFile& nfo) {
    int lineNumber = 1, column = 0, widest = 0, widestLine = 0;
    bool ascii = true;
    for (char c : nfo.bytes) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (u == '\n') {
        ++lineNumber;
        column = 0;
        continue;
      }
      if (u != '\r') ++column;
      if (column > widest) widest = column, widestLine = lineNumber;
      if (u >= 0x80 || (u < 0x20 && u != '\t' && u != '\r')) ascii = false;
    }
    Say(ascii && widest <= 80, name_ + ".nfo is plain ASCII, at most 80 columns (widest " +
                                   std::to_string(widest) + ")",
        name_ + ".nfo: " + (ascii ? "" : "not plain ASCII; ") + "line " +
            std::to_string(widestLine) + " is " + std::to_string(widest) + " columns wide" +
            (widest > 80 ? " (more than 80)" : ""));
  }

  void CheckScreenshot(const ReleaseFile& png) {
    const auto& b = png.bytes;
    auto be = [&](std::size_t at) {
      return b.size() < at + 4 ? 0u
                               : (static_cast<unsigned>(static_cast<unsigned char>(b[at])) << 24) |
                                     (static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 16) |
                                     (static_cast<unsigned>(static_cast<unsigned char>(b[at + 2])) << 8) |
                                     static_cast<unsigned>(static_cast<unsigned char>(b[at + 3]));
    };
    const bool isPng = b.size() > 24 && std::string(b.data() + 1, 3) == "PNG";
    const std::string size = std::to_string(be(16)) + "x" + std::to_string(be(20));
    if (!isPng) Say(false, "", name_ + ".png is not a PNG picture");
    else Line(size == "640x480" ? "PASS" : "WARN", name_ + ".png is a " + size + " screenshot");
  }

  // The release, written out under a folder of the checker's own, for the
  // checks that look into the data and run the demo.
  bool Extract() {
    std::error_code ec;
    work_ = (fs::temp_directory_path(ec) / ("solvane-preflight-" + name_ + "-" +
                                            std::to_string(reinterpret_cast<std::uintptr_t>(this))))
                .string();
    fs::remove_all(work_, ec);
    for (const ReleaseFile& file : files_) {
      const fs::path path = fs::path(work_) / file.name;
      if (EndsWith(file.name, "/")) {
        fs::create_directories(path, ec);
        continue;
      }
      fs::create_directories(path.parent_path(), ec);
      if (!WriteWholeFile(path.string(), file.bytes)) {
        Say(false, "", "cannot unpack the release into " + work_);
        return false;
      }
      if (file.executable) fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec |
                                                     fs::perms::others_exec, fs::perm_options::add, ec);
    }
    std::string error;
    if (!ReadZip(work_ + "/" + name_ + "/" + name_ + ".dat", data_, error)) {
      Say(false, "", name_ + ".dat is not a whole zip archive: " + error);
      return false;
    }
    return true;
  }

  // Every needed library is found in the release's lib/ (through the
  // viewer's $ORIGIN run path) or is the system's own; the audio library in
  // the data is loaded by the viewer, so its needs count too.
  void CheckLinuxLibraries(const ReleaseFile& viewer) {
    ElfLinks links;
    if (!ReadElfLinks(viewer.bytes, links)) {
      Say(false, "", name_ + " is not a 64-bit Linux program");
      return;
    }
    const bool originPath = links.runPath.find("$ORIGIN/lib") != std::string::npos;
    std::vector<std::string> pending = links.needed;
    const ReleaseFile* audio = FindFile(data_, "bass.dll");
    ElfLinks audioLinks;
    if (!audio || !ReadElfLinks(audio->bytes, audioLinks))
      Line("WARN", name_ + ".dat carries no Linux audio library as bass.dll: the Linux release "
                           "plays silent");
    pending.insert(pending.end(), audioLinks.needed.begin(), audioLinks.needed.end());
    std::set<std::string> seen, bundled, foreign;
    while (!pending.empty()) {
      const std::string soname = pending.back();
      pending.pop_back();
      if (!seen.insert(soname).second || IsLinuxSystemLibrary(soname)) continue;
      const ReleaseFile* copy = originPath ? FindFile(files_, name_ + "/lib/" + soname) : nullptr;
      ElfLinks inner;
      if (!copy || !ReadElfLinks(copy->bytes, inner)) {
        foreign.insert(soname);
        continue;
      }
      bundled.insert(soname);
      pending.insert(pending.end(), inner.needed.begin(), inner.needed.end());
    }
    std::string others;
    for (const std::string& soname : foreign) others += " " + soname;
    Say(foreign.empty(),
        "the Linux viewer and its audio library find every library in " + name_ +
            "/lib (" + std::to_string(bundled.size()) + ") or in glibc, X11 and the sound system",
        "the Linux viewer needs libraries that are neither in " + name_ +
            "/lib nor the system's own:" + others +
            (originPath ? "" : " (and it has no $ORIGIN/lib run path)"));
  }

  void CheckWindowsImports(const ReleaseFile& viewer) {
    std::vector<std::string> dlls;
    if (!ReadPeImports(viewer.bytes, dlls)) {
      Say(false, "", name_ + ".exe is not a Windows program");
      return;
    }
    std::string others;
    for (const std::string& dll : dlls)
      if (!IsWindowsSystemDll(dll) && !FindFile(files_, name_ + "/" + dll)) others += " " + dll;
    Say(others.empty(),
        name_ + ".exe imports only Windows' own DLLs (" + std::to_string(dlls.size()) + ")",
        name_ + ".exe imports DLLs that are neither Windows' own nor beside it:" + others);
  }

  void RunTheDemo(const std::string& release, bool linux, bool windows) {
    // A video beside the archive: NAME.mp4.
    std::string video = (fs::path(release).parent_path() / (name_ + ".mp4")).string();
    std::error_code ec;
    if (!fs::is_regular_file(video, ec)) video.clear();
    std::string command = "bash " + ShellQuote(directory_ + "preflight-run.sh") + " " +
                          ShellQuote(work_ + "/" + name_) + " " + ShellQuote(name_) + " " +
                          (linux ? "linux" : "-") + " " + (windows ? "windows" : "-") + " " +
                          ShellQuote(directory_ + "solvane-render") + " " + ShellQuote(video);
    // The script's lines go straight to our output as they come; its exit
    // status says whether any of them failed.
    std::fflush(stdout);
    const int status = plat::ClosePipe(plat::OpenWritePipe(command));
    if (status == 1) ++failures_;
    else if (status != 0)
      Say(false, "", "the runs could not be made (preflight-run.sh exited " + std::to_string(status) + ")");
  }

  const std::string directory_;
  ReleaseFiles files_, data_;
  std::string name_, work_;
  int failures_ = 0;
};

}  // namespace

int RunPreflight(const std::string& release, const std::string& programDirectory) {
  return Preflight(programDirectory).Run(release);
}
