#include "LiveOptions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Seconds as the author types them, kept as whole milliseconds: every time the
// tool shows or seeks to is on that grid, which is what --frame reads back.
bool ParseMilliseconds(const char* text, int& ms) {
  if (!text || !*text) return false;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  if (!end || *end != '\0' || !std::isfinite(seconds) || seconds < 0.0 || seconds > 2.0e6)
    return false;
  ms = static_cast<int>(std::lround(seconds * 1000.0));
  return true;
}

}  // namespace

const char* LiveUsage() {
  return "usage: solvane-live [--data DIR|ZIP] [--music FILE] [--from T] [--loop A B]\n"
         "                    [--bpm N] [--fullscreen]\n"
         "Plays the demo in a 640x480 window with its music and runs its set-up again\n"
         "whenever one of its files changes. A set-up with errors keeps the last good\n"
         "demo on screen and shows the error until it is fixed.\n"
         "\n"
         "options:\n"
         "  --data PATH    a zip archive or a data directory (default: solvane.dat,\n"
         "                 else data/, beside this program)\n"
         "  --music FILE   the music (default: the .mp3 named after the archive, or\n"
         "                 beside the data directory; none when there is none)\n"
         "  --from T       start at T seconds; Home comes back here\n"
         "  --loop A B     loop from A to B seconds from the start\n"
         "  --bpm N        beats per minute: Left/Right step a beat, the overlay shows\n"
         "                 bars and beats\n"
         "  --fullscreen   the whole screen instead of a window\n"
         "keys:\n"
         "  Space          pause / resume (the music too); paused, the time is printed\n"
         "                 as --frame of solvane-render takes it\n"
         "  Left, Right    one beat back / forward (one second without --bpm);\n"
         "                 with Shift one bar of four beats\n"
         "  PageUp/Down    10 seconds back / forward\n"
         "  Home           back to --from\n"
         "  [  ]  L        set loop in, loop out; loop on/off\n"
         "  Tab            the timeline overlay\n"
         "  other letters  print the time as a key line: 12.340 : 1 ;\n"
         "  Escape         quit\n";
}

bool ParseLiveOptions(int argc, const char* const* argv, LiveOptions& options,
                      std::string& error) {
  auto needs = [&](int i, int count, const char* option) {
    if (i + count < argc) return true;
    error = std::string(option) + " needs " + (count == 1 ? "a value" : "two values");
    return false;
  };
  auto time = [&](const char* text, const char* option, int& ms) {
    if (ParseMilliseconds(text, ms)) return true;
    error = std::string(option) + ": not a time in seconds: " + (text ? text : "");
    return false;
  };
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      options.help = true;
      return true;
    } else if (!std::strcmp(a, "--data")) {
      if (!needs(i, 1, a)) return false;
      options.dataPath = argv[++i];
    } else if (!std::strcmp(a, "--music")) {
      if (!needs(i, 1, a)) return false;
      options.musicPath = argv[++i];
    } else if (!std::strcmp(a, "--from")) {
      if (!needs(i, 1, a) || !time(argv[i + 1], a, options.fromMs)) return false;
      ++i;
    } else if (!std::strcmp(a, "--loop")) {
      if (!needs(i, 2, a) || !time(argv[i + 1], a, options.loopInMs) ||
          !time(argv[i + 2], a, options.loopOutMs))
        return false;
      i += 2;
      if (options.loopOutMs <= options.loopInMs) {
        error = "--loop: the end must come after the start";
        return false;
      }
      options.loop = true;
    } else if (!std::strcmp(a, "--bpm")) {
      if (!needs(i, 1, a)) return false;
      char* end = nullptr;
      options.bpm = std::strtod(argv[++i], &end);
      if (!end || *end != '\0' || !(options.bpm >= 1.0 && options.bpm <= 1000.0)) {
        error = std::string("--bpm: not a tempo from 1 to 1000: ") + argv[i];
        return false;
      }
    } else if (!std::strcmp(a, "--fullscreen")) {
      options.fullScreen = true;
    } else {
      error = std::string("unknown argument: ") + a;
      return false;
    }
  }
  return true;
}
