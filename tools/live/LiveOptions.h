// Command-line options of solvane-live, the author tool that plays a demo in
// a window with its music, reloads it when its files change, and lets the
// author pause, seek and loop.
#pragma once

#include <string>

struct LiveOptions {
  std::string dataPath;   // a zip archive or a data directory; empty: beside the program
  std::string musicPath;  // empty: the demo's own music, found by the shared rule
  int fromMs = 0;         // where playing starts, and where Home goes
  bool loop = false;      // --loop given: the loop is on from the start
  int loopInMs = 0, loopOutMs = 0;
  double bpm = 0.0;       // 0: the music's beat, else none (Left/Right go to whole seconds)
  double beatOffset = -1.0;  // seconds to the first beat line; < 0: the music's (0 with --bpm)
  bool fullScreen = false;
  std::string recordTrack;  // --record NAME: keys typed go to Script/Float/NAME.txt
  int quantize = 4;         // recorded keys snap to this many steps a beat
  bool help = false;
};

// Fills options from the arguments; false with a message for bad ones.
bool ParseLiveOptions(int argc, const char* const* argv, LiveOptions& options, std::string& error);
const char* LiveUsage();
