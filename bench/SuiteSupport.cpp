#include "SuiteSupport.h"

#include <cstdlib>

#include "DemoModes.h"
#include "KolLog.h"
#include "Platform.h"
#include "TestSupport.h"
#include "VWindowSurface.h"

namespace suite {

std::string BuildDirectory() { return SOLVANE_BUILD_DIR; }
std::string ArchivePath() { return BuildDirectory() + "/solvane.dat"; }
std::string DataDirectory() { return BuildDirectory() + "/data"; }
std::string RendererPath() {
  const char* other = std::getenv("SOLVANE_BENCH_RENDERER");
  return other && *other ? other : SOLVANE_RENDER_PATH;
}

void FreshProcess() {
  plat::Shutdown();
  ResetProcessState();
  plat::StartHeadless();
}

BundledDemo::~BundledDemo() { Stop(); }

void BundledDemo::Stop() { demo_.reset(); }

bool BundledDemo::Start(const std::string& archive, const std::string& directory) {
  Stop();
  FreshProcess();
  demo_ = std::make_unique<VDemo>();
  demo_->displayMode = kDisplayWindowed;
  demo_->soundMode = kSoundNone;
  demo_->SetDataLocation(archive, directory);
  demo_->Setup();
  return !demo_->abandoned && TheLog().RecordCount() == 0 && demo_->surface;
}

}  // namespace suite
