// solvane-live: play a demo in a window with its music, reload it when its
// files change, pause, seek and loop it. SOLVANE_PLATFORM=headless runs it
// without a display (keys from SOLVANE_HEADLESS_INPUT, a virtual clock), as
// the demo does, and ends once those keys are typed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "HeadlessControl.h"
#include "LiveOptions.h"
#include "LiveSession.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "VSound.h"

namespace {

bool StartBackend() {
  const char* platform = std::getenv("SOLVANE_PLATFORM");
  const std::string choice = platform ? platform : "";
  std::string error;
  if (choice == "headless") {
    plat::StartHeadless();
    plat::headless::TheHeadless().tickStep = 1;
    const char* input = std::getenv("SOLVANE_HEADLESS_INPUT");
    // Nobody is there to quit once the scripted keys are typed: the window is
    // closed then, as by its close box, so a run never waits for ever.
    const std::string keys = std::string(input ? input : "") + " close";
    if (!plat::headless::QueueInputScript(keys, error)) {
      std::fprintf(stderr, "solvane-live: SOLVANE_HEADLESS_INPUT: %s\n", error.c_str());
      return false;
    }
    return true;
  }
  if (!choice.empty() && choice != "sdl") {
    std::fprintf(stderr, "solvane-live: SOLVANE_PLATFORM must be \"sdl\" or \"headless\"\n");
    return false;
  }
  if (!plat::StartSdl(error)) {
    std::fprintf(stderr, "solvane-live: %s\n", error.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  plat::PrepareProcess();
  plat::CatchTerminationSignals();
  LiveOptions options;
  std::string error;
  if (!ParseLiveOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "solvane-live: %s\n\n%s", error.c_str(), LiveUsage());
    return 2;
  }
  if (options.help) {
    std::fputs(LiveUsage(), stdout);
    return 0;
  }
  if (!StartBackend()) {
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
