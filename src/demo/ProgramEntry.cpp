#include "ProgramEntry.h"

#include "KolLog.h"
#include "VClock.h"
#include "VDemo.h"
#include "VStartDialog.h"

int ProgramEntry(const char* arguments, plat::InstanceHandle instance) {
  DemoClock().Start();
  const bool logToFile = arguments && (arguments[0] == 'l' || arguments[0] == 'L');
  GlobalLog().SetFileOutput(logToFile);
  // Destroyed in the reverse order: the dialog first, then the demo.
  VDemo demo;
  VStartDialog dialog;
  dialog.demo = &demo;
  if (dialog.DoModal(instance) > 0) demo.Run();
  return 0;
}
