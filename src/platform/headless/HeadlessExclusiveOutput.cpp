#include "HeadlessExclusiveOutput.h"

namespace plat::headless {

class HeadlessFlipChain : public ExclusiveSurface {
 public:
  HeadlessFlipChain(Control& control, const ShowFrame& show, HeadlessExclusiveOutput& output,
                    int width, int height)
      : control_(control),
        show_(show),
        output_(output),
        backBuffer_(width, height, [this] {
          return Lost() ? kResultSurfaceLost : control_.backBufferDCResult;
        }) {}
  ~HeadlessFlipChain() override = default;

  int GetAttachedSurface(unsigned caps, ExclusiveSurface** surface) override {
    if (!surface) return kResultGenericFailure;
    *surface = nullptr;
    if (!(caps & kCapsBackBuffer)) return kResultGenericFailure;
    if (control_.attachResult != kResultOk) return control_.attachResult;
    *surface = &backBuffer_;
    return kResultOk;
  }
  int GetDC(DCHandle*) override { return kResultGenericFailure; }
  int ReleaseDC(DCHandle) override { return kResultGenericFailure; }

  int Flip(ExclusiveSurface*, unsigned) override {
    ++control_.flipCalls;
    int result = kResultOk;
    if (Lost()) return kResultSurfaceLost;
    if (!control_.flipResults.empty()) {
      result = control_.flipResults.front();
      control_.flipResults.pop_front();
    }
    if (result == kResultOk) show_(backBuffer_.Pixels(), backBuffer_.Width(), backBuffer_.Height());
    return result;
  }

  int Restore() override {
    ++control_.restoreCalls;
    if (control_.Away()) return kResultGenericFailure;
    if (control_.restoreResult == kResultOk) lost_ = false;
    return control_.restoreResult;
  }

  unsigned Release() override {
    output_.Forget(this);
    return 0;
  }

 private:
  // Surfaces lost while the display was away stay lost until restored.
  bool Lost() {
    if (control_.Away()) lost_ = true;
    return lost_;
  }

  bool lost_ = false;
  Control& control_;
  const ShowFrame& show_;
  HeadlessExclusiveOutput& output_;
  BackBufferSurface backBuffer_;
};


HeadlessExclusiveOutput::HeadlessExclusiveOutput(
    Control& control, ShowFrame show, std::vector<std::unique_ptr<HeadlessExclusiveOutput>>& owner)
    : control_(control), show_(std::move(show)), owner_(owner) {}

HeadlessExclusiveOutput::~HeadlessExclusiveOutput() = default;

int HeadlessExclusiveOutput::SetCooperativeLevel(WindowHandle window, unsigned flags) {
  if (!IsWindowAlive(window) || !AsksExclusiveFullScreen(flags)) return kResultGenericFailure;
  return control_.cooperativeResult;
}

int HeadlessExclusiveOutput::SetDisplayMode(int width, int height, int bitsPerPixel) {
  if (control_.setModeResult != kResultOk) return control_.setModeResult;
  control_.exclusiveModeWidth = width;
  control_.exclusiveModeHeight = height;
  control_.exclusiveModeBits = bitsPerPixel;
  return kResultOk;
}

int HeadlessExclusiveOutput::CreateSurface(const SurfaceDescription& description,
                                           ExclusiveSurface** surface, void*) {
  if (!surface) return kResultGenericFailure;
  *surface = nullptr;
  if (!DescribesFlipChain(description)) return kResultGenericFailure;
  if (control_.createChainResult != kResultOk) return control_.createChainResult;
  // Without a mode of its own the chain takes the screen's size.
  const int width = control_.exclusiveModeWidth ? control_.exclusiveModeWidth : ScreenWidth();
  const int height = control_.exclusiveModeHeight ? control_.exclusiveModeHeight : ScreenHeight();
  control_.exclusiveActive = true;
  chains_.push_back(std::make_unique<HeadlessFlipChain>(control_, show_, *this, width, height));
  *surface = chains_.back().get();
  return kResultOk;
}

int HeadlessExclusiveOutput::RestoreDisplayMode() {
  control_.exclusiveModeWidth = control_.exclusiveModeHeight = control_.exclusiveModeBits = 0;
  return kResultOk;
}

unsigned HeadlessExclusiveOutput::Release() {
  control_.exclusiveActive = false;
  ++control_.exclusiveReleases;
  EraseOwned(owner_, this);
  return 0;
}

void HeadlessExclusiveOutput::Forget(HeadlessFlipChain* chain) { EraseOwned(chains_, chain); }

}  // namespace plat::headless
