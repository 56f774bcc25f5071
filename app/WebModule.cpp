// The demo in a web page: the module's exports over one demo at a time, on
// the web backend. The page's calls take the place of the viewer's blocking
// loops: sv_start is the dialog's Start, sv_frame one pass of the frame loop.
#include "WebModule.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "KolLog.h"
#include "StartResourcePixels.h"
#include "VDemo.h"
#include "VSourceGravityParticle.h"
#include "VWindowSurface.h"
#include "WebPage.h"

namespace {

// How the archive is named in log lines: as the viewer's data file.
const char* const kDataName = "solvane.dat";

struct Module {
  std::shared_ptr<const std::vector<unsigned char>> data;
  std::unique_ptr<VDemo> demo;  // the running demo, or the last still's
  bool running = false;
  std::string title = DemoRelease::kDefaultTitle;
  std::vector<std::uint32_t> titlePicture;
};

Module& TheModule() {
  static Module module;
  static const bool started = [] {
    TheLog().SetEcho(true);
    return plat::StartWeb();
  }();
  (void)started;
  return module;
}

// Ends the module's demo as the viewer's process would: the run finished,
// its window gone and the surface's key marks written to the log.
void EndDemo(Module& module) {
  if (!module.demo) return;
  if (module.running) module.demo->Finish();
  module.running = false;
  if (const plat::WindowHandle window = plat::FindWindowOfClass(VWindowSurface::kClassName))
    plat::DestroyAppWindow(window);
  module.demo.reset();
}

// A demo on the page's data, started as the program starts: no quit request
// and no records of an earlier run, each run judged by its own.
std::unique_ptr<VDemo> NewDemo(Module& module) {
  EndDemo(module);
  ForgetQuitRequest();
  TheLog().ForgetRecords();
  auto demo = std::make_unique<VDemo>();
  demo->hostPlaysMusic = true;
  if (module.data) demo->SetDataImage(module.data, kDataName);
  else demo->SetDataLocation("", "");
  return demo;
}

int ErrorCount(const VDemo& demo) {
  const int records = TheLog().RecordCount();
  return records > 0 ? records : demo.abandoned ? 1 : 0;
}

}  // namespace

extern "C" {

unsigned char* sv_alloc(int size) {
  return size > 0 ? static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size))) : nullptr;
}

void sv_free(unsigned char* bytes) { std::free(bytes); }

int sv_set_data(unsigned char* bytes, int size) {
  if (!bytes || size <= 0) return 1;
  Module& module = TheModule();
  module.data = std::make_shared<const std::vector<unsigned char>>(bytes, bytes + size);
  std::free(bytes);
  // The release's title and banner, read now as the dialog reads them before it shows.
  VDemo demo;
  demo.SetDataImage(module.data, kDataName);
  demo.ReadRelease();
  module.title = demo.release.title;
  module.titlePicture = demo.release.banner;
  return 0;
}

int sv_check() {
  Module& module = TheModule();
  module.demo = NewDemo(module);
  VDemo& demo = *module.demo;
  demo.soundMode = kSoundNone;
  demo.displayMode = kDisplayWindowed;
  demo.Setup();
  const int errors = ErrorCount(demo);
  if (errors == 0) TheLog().PrintLine("Set-up OK, end time %d s", demo.endTime);
  if (demo.surface) demo.surface->Close();
  return errors;
}

const char* sv_release_title() { return TheModule().title.c_str(); }

int sv_title_picture(int* width, int* height) {
  Module& module = TheModule();
  const std::uint32_t* pixels =
      module.titlePicture.empty() ? kTitlePicturePixels : module.titlePicture.data();
  if (width) *width = DemoRelease::kBannerWidth;
  if (height) *height = DemoRelease::kBannerHeight;
  return static_cast<int>(reinterpret_cast<std::uintptr_t>(pixels));
}

int sv_start(int sound, int display) {
  Module& module = TheModule();
  module.demo = NewDemo(module);
  VDemo& demo = *module.demo;
  demo.soundMode = sound == 0 ? kSoundStereo : sound == 1 ? kSoundMono : kSoundNone;
  demo.displayMode = display == 0 ? kDisplayFullScreenPixels : kDisplayWindowed;
  // The page's clock starts at 0 with the music.
  plat::web::ThePage().tick = 0;
  module.running = demo.Begin();
  return module.running ? 0 : ErrorCount(demo);
}

int sv_frame(double milliseconds) {
  Module& module = TheModule();
  if (!module.running) return -1;
  plat::web::ThePage().tick =
      milliseconds > 0 ? static_cast<std::uint32_t>(static_cast<std::uint64_t>(milliseconds)) : 0;
  bool rendered = false;
  if (!module.demo->Step(&rendered)) {
    sv_finish();
    return -1;
  }
  return rendered ? 1 : 0;
}

int sv_key(int virtualKey) {
  Module& module = TheModule();
  plat::web::Page& page = plat::web::ThePage();
  page.keys.push_back({static_cast<unsigned>(virtualKey), true});
  page.keys.push_back({static_cast<unsigned>(virtualKey), false});
  if (!module.running) {
    page.keys.clear();
    return 0;
  }
  if (!module.demo->DispatchMessages()) {
    sv_finish();
    return -1;
  }
  return 0;
}

int sv_pixels() {
  TheModule();
  return static_cast<int>(reinterpret_cast<std::uintptr_t>(plat::web::ThePage().frame.data()));
}

int sv_width() {
  TheModule();
  return plat::web::ThePage().width;
}

int sv_height() {
  TheModule();
  return plat::web::ThePage().height;
}

int sv_still(double seconds) {
  Module& module = TheModule();
  module.demo = NewDemo(module);
  VDemo& demo = *module.demo;
  demo.soundMode = kSoundNone;
  demo.displayMode = kDisplayWindowed;
  // A fresh run's particles: the generator at its seed, every effect new.
  RestartRandomGenerator();
  demo.Setup();
  if (const int errors = ErrorCount(demo)) {
    if (demo.surface) demo.surface->Close();
    return errors;
  }
  demo.RenderFrameAt(static_cast<float>(seconds));
  demo.surface->Close();
  return 0;
}

void sv_finish() { EndDemo(TheModule()); }

}  // extern "C"
