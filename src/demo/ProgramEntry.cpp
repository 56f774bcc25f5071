#include "ProgramEntry.h"

#include "KolLog.h"
#include "VClock.h"
#include "VDemo.h"

int ProgramEntry(const char* arguments, const StartDialogFunction& startDialog) {
  DemoClock().Start();
  const bool logToFile = arguments && (arguments[0] == 'l' || arguments[0] == 'L');
  GlobalLog().SetFileOutput(logToFile);
  VDemo demo;
  if (startDialog && startDialog(demo) > 0) demo.Run();
  return 0;
}
