#include "RenderOptions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool ParseNumber(const char* text, double& value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end && *end == '\0' && std::isfinite(value);
}

}  // namespace

const char* RenderUsage() {
  return "usage: solvane-render [options] MODE...\n"
         "Runs the demo's set-up on the headless backend and renders frames at\n"
         "t = from + k / fps, so the output is the same on every run.\n"
         "\n"
         "modes (at least one):\n"
         "  --check               set-up only, with hints on errors and warnings about\n"
         "                        likely mistakes (exit 0 clean, 1 errors, 2 warnings only)\n"
         "  --strip FILE.png      one row per frame: the whole demo in one picture\n"
         "  --frames DIR          one 640x480 PNG per frame (DIR/frame_000000.png, ...)\n"
         "  --frame SECONDS FILE.png  one frame at one time\n"
         "  --video FILE          raw frames piped to ffmpeg, with the demo's music muxed in\n"
         "options:\n"
         "  --data PATH           a zip archive or a data directory (default: solvane.dat,\n"
         "                        else data/, beside this program)\n"
         "  --music FILE          the video's music (default: my.mp3 beside my.dat, D.mp3\n"
         "                        or the only .mp3 beside a data directory D)\n"
         "  --fps N               frames per second (default 50)\n"
         "  --from S              first frame time in seconds (default 0)\n"
         "  --to S                end time, exclusive (default: the demo's end time)\n"
         "  --help                this text\n"
         "Hints (\"hint: \" explains an error, \"warning: \" a likely mistake that does\n"
         "not stop the demo) follow the demo's own log lines.\n"
         "exit: 0 done, 1 set-up error or failed output, 2 bad arguments;\n"
         "      with --check also 2 when the set-up loads but warned\n";
}

bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error) {
  auto needs = [&](int i, int count, const char* option) {
    if (i + count < argc) return true;
    error = std::string(option) + " needs " + (count == 1 ? "a value" : "two values");
    return false;
  };
  auto number = [&](const char* text, const char* option, double& value) {
    if (ParseNumber(text, value)) return true;
    error = std::string(option) + ": not a number: " + (text ? text : "");
    return false;
  };
  bool mode = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      options.help = true;
      return true;
    } else if (!std::strcmp(a, "--check")) {
      options.check = mode = true;
    } else if (!std::strcmp(a, "--data")) {
      if (!needs(i, 1, a)) return false;
      options.dataPath = argv[++i];
    } else if (!std::strcmp(a, "--strip")) {
      if (!needs(i, 1, a)) return false;
      options.stripPath = argv[++i];
      mode = true;
    } else if (!std::strcmp(a, "--frames")) {
      if (!needs(i, 1, a)) return false;
      options.framesDir = argv[++i];
      mode = true;
    } else if (!std::strcmp(a, "--frame")) {
      if (!needs(i, 2, a) || !number(argv[i + 1], a, options.frameTime)) return false;
      options.framePath = argv[i + 2];
      i += 2;
      mode = true;
    } else if (!std::strcmp(a, "--video")) {
      if (!needs(i, 1, a)) return false;
      options.videoPath = argv[++i];
      mode = true;
    } else if (!std::strcmp(a, "--music")) {
      if (!needs(i, 1, a)) return false;
      options.musicPath = argv[++i];
    } else if (!std::strcmp(a, "--fps")) {
      if (!needs(i, 1, a) || !number(argv[++i], a, options.fps)) return false;
      if (!(options.fps > 0.0 && options.fps <= 1000.0)) {
        error = "--fps must be above 0 and at most 1000";
        return false;
      }
    } else if (!std::strcmp(a, "--from")) {
      if (!needs(i, 1, a) || !number(argv[++i], a, options.from)) return false;
    } else if (!std::strcmp(a, "--to")) {
      if (!needs(i, 1, a) || !number(argv[++i], a, options.to)) return false;
      if (options.to < 0.0) {
        error = "--to must not be negative";
        return false;
      }
    } else {
      error = std::string("unknown argument: ") + a;
      return false;
    }
  }
  if (!mode) {
    error = "nothing to do: give --check, --strip, --frames, --frame or --video";
    return false;
  }
  return true;
}
