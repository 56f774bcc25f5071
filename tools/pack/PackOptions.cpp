#include "PackOptions.h"

#include <vector>

#include "CommandLineOptions.h"

const char* PackUsage() {
  return "usage: solvane-pack --data DIR|ZIP --name NAME [options]\n"
         "       solvane-pack --preflight RELEASE\n"
         "Makes a demo's releases: its data packed with the audio library as bass.dll,\n"
         "the viewer, music, an .nfo and a screenshot, all named after NAME, in\n"
         "OUT/NAME-windows.zip and OUT/NAME-linux.tar.gz (a folder NAME/ each), and\n"
         "with --web OUT/NAME.html, the demo in a browser in one file.\n"
         "The demo's set-up runs first: errors stop the release, warnings are printed.\n"
         "\n"
         "  --data PATH           the demo's data folder (holding Script/Demo.txt) or zip\n"
         "  --name NAME           the release's name: NAME.exe, NAME.dat, NAME.mp3, ...\n"
         "  --title TEXT          the name the dialog, its button and the window show\n"
         "                        (written to the data's Release.txt)\n"
         "  --music FILE          the music (default: the demo's own, as solvane-render\n"
         "                        finds it; none makes a silent release)\n"
         "  --out DIR             where the releases go (default: .)\n"
         "  --windows             the Windows release only\n"
         "  --linux               the Linux release only (default: both)\n"
         "  --web                 OUT/NAME.html: engine, data and music in one page that\n"
         "                        plays from disk or any web server (alone: only it)\n"
         "  --video               OUT/NAME.mp4 too (h.264, AAC stereo; needs ffmpeg)\n"
         "  --screenshot SECONDS  the time of NAME.png (default: the demo's middle)\n"
         "  --windows-build DIR   the Windows build (default: build-windows beside\n"
         "                        the build this tool is in)\n"
         "  --web-build DIR       where solvane.wasm is (default: beside this tool, else\n"
         "                        build-web beside the build this tool is in)\n"
         "  --preflight RELEASE   check a release (.zip, .tar.gz or folder) as a party's\n"
         "                        organisers would: PASS/FAIL/WARN lines, exit 1 on FAIL\n"
         "  --help                this text\n"
         "exit: 0 done, 1 failed (nothing half-made is left), 2 bad arguments\n";
}

bool IsReleaseName(const std::string& name) {
  if (name.empty() || name.size() > 64 || name[0] == '.' || name[0] == '-') return false;
  for (char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '_' || c == '-';
    if (!plain) return false;
  }
  return true;
}

bool ParsePackOptions(int argc, const char* const* argv, PackOptions& options, std::string& error) {
  const std::vector<CommandLineOption> table = {
      TextOption("--data", options.dataPath),
      TextOption("--name", options.name),
      TextOption("--title", options.title),
      TextOption("--music", options.musicPath),
      TextOption("--out", options.outDir),
      FlagOption("--windows", options.windows),
      FlagOption("--linux", options.linux),
      FlagOption("--web", options.web),
      FlagOption("--video", options.video),
      NumberOption("--screenshot", {0.0}, options.screenshot),
      TextOption("--windows-build", options.windowsBuild),
      TextOption("--web-build", options.webBuild),
      TextOption("--preflight", options.preflight),
  };
  if (!ParseCommandLine(argc, argv, table, options.help, error)) return false;
  if (options.help || !options.preflight.empty()) return true;
  if (options.dataPath.empty() || options.name.empty()) {
    error = "give --data and --name (or --preflight RELEASE)";
    return false;
  }
  if (!IsReleaseName(options.name)) {
    error = "--name: letters, digits, '.', '_' and '-' only, not starting with '.' or '-', "
            "at most 64: " + options.name;
    return false;
  }
  for (char c : options.title) {
    if (c == '"' || static_cast<unsigned char>(c) < 0x20) {
      error = "--title: no quotes or control characters: " + options.title;
      return false;
    }
  }
  if (!options.windows && !options.linux && !options.web) options.windows = options.linux = true;
  return true;
}
