#include "ViewerRun.h"

#include "BackendChoice.h"
#include "KolLog.h"
#include "Platform.h"
#include "ProgramEntry.h"
#include "ProgramLocation.h"
#include "StartResources.h"
#include "VSound.h"

namespace {

const char* const kFailureTitle = "Solvane: the demo could not start";

// The reason, and how to see the rest of the log.
std::string FailureNotice(const std::string& reason) {
  return reason + "\n\nStart it as \"" + ProgramName() +
         " l\" to write the whole log to kol.log in the folder it is started from.";
}

}  // namespace

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
  // A demo that could not start is a failure for whoever launched it, not a
  // black screen that ends in success; one started from the desktop is told
  // why, since its log lines went nowhere.
  const bool failed = status == 0 && ProgramDemoFailed();
  if (failed) plat::ShowFailureNotice(kFailureTitle, FailureNotice(ProgramFailure()).c_str());
  plat::Shutdown();
  return failed ? 1 : status;
}
