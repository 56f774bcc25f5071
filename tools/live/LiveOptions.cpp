#include "LiveOptions.h"

#include <cctype>
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
         "                    [--record NAME [--quantize N]]\n"
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
         "  --record NAME  type keys into the track Script/Float/NAME.txt of the data\n"
         "                 directory (not an archive); Tab draws its curve\n"
         "  --quantize N   recorded keys go to N steps a beat of the beat grid\n"
         "                 (default 4); without a grid to the millisecond\n"
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
         "  Escape         quit\n"
         "with --record:\n"
         "  0-9 - .        type a value (Backspace takes a character back)\n"
         "  Enter          a key of that value here (a key already here takes it)\n"
         "  Delete         removes the key here\n"
         "  Ctrl+Z         undoes the last change, again for the one before\n";
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
      {"--record", 1,
       [&options](const char* const* values, std::string& refusal) {
         // The name an effect script gives the track: one word of the scripts.
         const std::string name = values[0];
         bool word = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0]));
         for (const char c : name) word = word && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
         if (!word) {
           refusal = "--record: \"" + name +
                     "\" is no track name: an effect script names a track with letters, digits "
                     "and _, not starting with a digit";
           return false;
         }
         options.recordTrack = name;
         return true;
       }},
      {"--quantize", 1,
       [&options](const char* const* values, std::string& refusal) {
         double steps = 0.0;
         if (!ReadNumber("--quantize", values[0], {1.0, 64.0}, steps, refusal)) return false;
         options.quantize = static_cast<int>(steps);
         if (options.quantize != steps) {
           refusal = "--quantize: the steps a beat are a whole number";
           return false;
         }
         return true;
       }},
  };
  return ParseCommandLine(argc, argv, table, options.help, error);
}
