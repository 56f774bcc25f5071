#include "ViewerRun.h"

#include "BackendChoice.h"
#include "KolLog.h"
#include "Platform.h"
#include "ProgramEntry.h"
#include "StartResources.h"
#include "VSound.h"

int RunViewer(const std::string& arguments) {
  KolLog& log = TheLog();
  log.SetEcho(true);
  BackendChoice choice;
  choice.programName = "solvane";
  choice.setProgramIcon = true;
  std::string refusal;
  if (!StartChosenBackend(choice, refusal)) {
    log.PrintLine("%s", refusal.c_str());
    plat::Shutdown();
    return 1;
  }
  const int status = ProgramEntry(arguments.c_str(), ProgramResources());
  // The music, if it still plays, stops before the platform unloads its library.
  TheSound().Stop();
  plat::Shutdown();
  // A demo that could not start is a failure for whoever launched it, not a
  // black screen that ends in success.
  if (status == 0 && ProgramDemoFailed()) return 1;
  return status;
}
