// The solvane executable: the program's entry with its start dialog and the
// demo. The window backend is not built yet, so the program runs only on the
// headless backend, and only when asked to (SOLVANE_PLATFORM=headless): there
// it takes its input from SOLVANE_HEADLESS_INPUT and its time from a virtual
// clock, one millisecond per reading.
#include <cstdlib>
#include <string>

#include "HeadlessControl.h"
#include "KolLog.h"
#include "Platform.h"
#include "ProgramEntry.h"
#include "StartResources.h"

int main(int argc, char** argv) {
  KolLog& log = GlobalLog();
  log.SetEcho(true);
  const char* platform = std::getenv("SOLVANE_PLATFORM");
  if (!platform || std::string(platform) != "headless") {
    log.PrintLine("solvane: there is no window backend yet; SOLVANE_PLATFORM=headless runs the "
                  "program without a display, and ./build/solvane-render renders the demo offline.");
    return 1;
  }
  plat::StartHeadless();
  plat::headless::Headless().tickStep = 1;
  if (const char* input = std::getenv("SOLVANE_HEADLESS_INPUT")) {
    std::string error;
    if (!plat::headless::QueueInputScript(input, error)) {
      log.PrintLine("solvane: SOLVANE_HEADLESS_INPUT: %s", error.c_str());
      plat::Shutdown();
      return 1;
    }
  }
  // The entry receives the command line after the program's name, as one text.
  std::string arguments;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) arguments += ' ';
    arguments += argv[i];
  }
  const int status = ProgramEntry(arguments.c_str(), ProgramResources());
  plat::Shutdown();
  return status;
}
