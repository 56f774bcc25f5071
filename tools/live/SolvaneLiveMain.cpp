// solvane-live: play a demo in a window with its music, reload it when its
// files change, pause, seek and loop it. SOLVANE_PLATFORM=headless runs it
// without a display (keys from SOLVANE_HEADLESS_INPUT, a virtual clock), as
// the demo does, and ends once those keys are typed.
#include <cstdio>
#include <string>

#include "BackendChoice.h"
#include "CommandLineOptions.h"
#include "LiveOptions.h"
#include "LiveSession.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "VSound.h"

int main(int argc, char** argv) {
  plat::PrepareProcess();
  plat::CatchTerminationSignals();
  LiveOptions options;
  std::string error;
  const bool parsed = ParseLiveOptions(argc, argv, options, error);
  const int answered = AnswerCommandLine("solvane-live", parsed, options.help, error, LiveUsage());
  if (answered >= 0) return answered;
  // Nobody is there to quit once scripted keys are typed: the window is then
  // closed, as by its close box, so a headless run never waits for ever.
  BackendChoice choice;
  choice.programName = "solvane-live";
  choice.closeAfterScriptedKeys = true;
  if (!StartChosenBackend(choice, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    plat::Shutdown();
    return 1;
  }
  int status;
  {
    LiveSession session(options, ProgramDirectory());
    status = session.Run();
  }
  TheSound().Stop();
  plat::Shutdown();
  return status;
}
