#include "LiveOptions.h"

#include <cmath>
#include <vector>

#include "CommandLineOptions.h"

namespace {

// Seconds as the author types them, kept as whole milliseconds: every time the
// tool shows or seeks to is on that grid, which is what --frame reads back.
bool ReadMilliseconds(const char* name, const char* text, int& ms, std::string& refusal) {
  double seconds = 0.0;
  if (!ReadNumber(name, text, {0.0, 2.0e6}, seconds, refusal)) return false;
  ms = static_cast<int>(std::lround(seconds * 1000.0));
  return true;
}

}  // namespace

const char* LiveUsage() {
  return "usage: solvane-live [--data DIR|ZIP] [--music FILE] [--from T] [--loop A B]\n"
         "                    [--bpm N] [--beat-offset T] [--fullscreen]\n"
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
         "  --bpm N        beats per minute: Left/Right go to beat lines, the overlay\n"
         "                 shows bars and beats (default: the tempo found in the\n"
         "                 music, in the background while the demo plays)\n"
         "  --beat-offset T\n"
         "                 the first beat line at T seconds (default: the music's\n"
         "                 first beat; 0 with --bpm)\n"
         "  --fullscreen   the whole screen instead of a window\n"
         "keys:\n"
         "  Space          pause / resume (the music too); paused, the time is printed\n"
         "                 as --frame of solvane-render takes it\n"
         "  Left, Right    to the previous / next beat line (whole second without\n"
         "                 --bpm); with Shift the previous / next bar line\n"
         "  PageUp/Down    10 seconds back / forward\n"
         "  Home           back to --from\n"
         "  [  ]  L        set loop in, loop out; loop on/off\n"
         "  Tab            the timeline overlay, over the music (waveform, spectrogram)\n"
         "  +  -           zoom the timeline in (down to two bars) / out (the whole demo)\n"
         "  other letters  print the time as a key line: 12.340 : 1 ;\n"
         "  Escape         quit\n";
}

bool ParseLiveOptions(int argc, const char* const* argv, LiveOptions& options, std::string& error) {
  const std::vector<CommandLineOption> table = {
      TextOption("--data", options.dataPath),
      TextOption("--music", options.musicPath),
      {"--from", 1,
       [&options](const char* const* values, std::string& refusal) {
         return ReadMilliseconds("--from", values[0], options.fromMs, refusal);
       }},
      {"--loop", 2,
       [&options](const char* const* values, std::string& refusal) {
         if (!ReadMilliseconds("--loop", values[0], options.loopInMs, refusal) ||
             !ReadMilliseconds("--loop", values[1], options.loopOutMs, refusal))
           return false;
         if (options.loopOutMs <= options.loopInMs) {
           refusal = "--loop: the end must come after the start";
           return false;
         }
         return options.loop = true;
       }},
      NumberOption("--bpm", {1.0, 1000.0}, options.bpm),
      NumberOption("--beat-offset", {0.0, 2.0e6}, options.beatOffset),
      FlagOption("--fullscreen", options.fullScreen),
  };
  return ParseCommandLine(argc, argv, table, options.help, error);
}
