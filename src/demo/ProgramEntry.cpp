#include "ProgramEntry.h"

#include "KolLog.h"
#include "VClock.h"
#include "VDemo.h"
#include "VStartDialog.h"

namespace {
bool gDemoFailed = false;
std::string gFailure;
}  // namespace

bool ProgramDemoFailed() { return gDemoFailed; }

const std::string& ProgramFailure() { return gFailure; }

int ProgramEntry(const char* arguments, plat::InstanceHandle instance) {
  gDemoFailed = false;
  gFailure.clear();
  TheDemoClock().Start();
  const bool logToFile = arguments && (arguments[0] == 'l' || arguments[0] == 'L');
  TheLog().SetFileOutput(logToFile);
  // Destroyed in the reverse order: the dialog first, then the demo.
  VDemo demo;
  VStartDialog dialog;
  dialog.demo = &demo;
  demo.ReadRelease();
  if (demo.release.named) dialog.title = demo.release.title;
  if (!demo.release.banner.empty())
    dialog.banner = {DemoRelease::kBannerWidth, DemoRelease::kBannerHeight,
                     demo.release.banner.data()};
  if (dialog.DoModal(instance) > 0) {
    demo.Run();
    // The log's records are the program's error signal; missing data leaves
    // none, only the demo's abandoned mark.
    gDemoFailed = demo.abandoned || TheLog().RecordCount() != 0;
    if (gDemoFailed)
      gFailure = TheLog().RecordCount() != 0 ? TheLog().Record(0).text : demo.abandonReason;
  }
  return 0;
}
