// The solvane executable on Windows: the program's entry with its start
// dialog and the demo, on the desktop's own windows, DirectDraw and GDI.
#include <cstdio>
#include <string>

#include "CommandLineOptions.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "ViewerRun.h"

namespace {

// The files are named after the program as it is called, as it reads them.
std::string Usage(const std::string& name) {
  return "usage: " + name + " [l]\n"
         "Plays the demo. A start dialog chooses the sound (Stereo, Mono, No Sound) and the\n"
         "display (Full Screen 640x480 through DirectDraw or GDI, or Windowed); Start runs\n"
         "the demo until its end or Escape, Cancel quits.\n"
         "The data is " + name + ".dat, else data\\, beside the program;\n"
         "the music " + name + ".mp3 beside it.\n"
         "\n"
         "  l                       also write the log to kol.log (an argument starting with l or L)\n"
         "  -h, --help              this text\n"
         "\n"
         "exit: 0 the demo ended, or was cancelled or stopped (Escape, Ctrl+C);\n"
         "      1 the data was not found, set-up recorded errors, or no desktop\n";
}

}  // namespace

int ProgramMain(const char* commandLine) {
  // First: started from a console, the help goes there.
  plat::PrepareProcess();
  if (IsHelpArgument(commandLine)) {
    std::fputs(Usage(ProgramName()).c_str(), stdout);
    return 0;
  }
  plat::CatchTerminationSignals();
  return RunViewer(commandLine);
}
