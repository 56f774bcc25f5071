// The solvane executable: the program's entry with its start dialog and the
// demo, on the desktop's display through SDL. SOLVANE_PLATFORM=headless runs
// it without a display instead: input then comes from SOLVANE_HEADLESS_INPUT
// and time from a virtual clock, one millisecond per reading.
// SOLVANE_FRAME_LOOP=poll makes the frame loop poll the clock without sleeping
// between frames, as first designed (for measurements only).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CommandLineOptions.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "VDemo.h"
#include "ViewerRun.h"

namespace {

// The files are named after the program as it is called, as it reads them.
std::string Usage(const std::string& name) {
  return "usage: " + name + " [l]\n"
         "Plays the demo. A start dialog chooses the sound (Stereo, Mono, No Sound) and the\n"
         "display (Full Screen 640x480 with DDraw-style flips or GDI-style copies, or\n"
         "Windowed); Start runs the demo until its end or Escape, Cancel quits.\n"
         "The data is " + name + ".dat, else data/, beside the program;\n"
         "the music " + name + ".mp3 beside it.\n"
         "\n"
         "  l                       also write the log to kol.log (an argument starting with l or L)\n"
         "  -h, --help              this text\n"
         "\n"
         "environment:\n"
         "  SOLVANE_PLATFORM        sdl (default): the desktop's display; headless: no display,\n"
         "                          a virtual clock of one millisecond per reading\n"
         "  SOLVANE_HEADLESS_INPUT  with headless: the keys to press, e.g. \"tab end return\"\n"
         "  SOLVANE_FRAME_LOOP      poll: the frame loop polls the clock without sleeping\n"
         "                          (for measurements only)\n"
         "\n"
         "exit: 0 the demo ended, or was cancelled or stopped (Escape, a signal);\n"
         "      1 the data was not found, set-up recorded errors, or no display\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && IsHelpArgument(argv[1])) {
    std::fputs(Usage(ProgramName()).c_str(), stdout);
    return 0;
  }
  plat::PrepareProcess();
  // Before SDL starts, so that it leaves these signals alone.
  plat::CatchTerminationSignals();
  // The frame loop that polls without pause, for measuring the waiting one against.
  const char* loop = std::getenv("SOLVANE_FRAME_LOOP");
  SetFramesPolled(loop && std::string(loop) == "poll");
  // The entry receives the command line after the program's name, as one text.
  std::string arguments;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) arguments += ' ';
    arguments += argv[i];
  }
  return RunViewer(arguments);
}
