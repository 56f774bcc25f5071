// The built-in exclusive full-screen output behind the name "ddraw.dll".
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "Desktop.h"
#include "ExclusiveSurfaces.h"

namespace plat {

namespace {

class Output;

// Objects handed out and not yet released; whatever is left goes at Shutdown.
std::vector<std::unique_ptr<Output>> gOutputs;
std::vector<std::unique_ptr<PrimarySurface>> gSurfaces;

class Output : public ExclusiveOutput {
 public:
  int SetCooperativeLevel(WindowHandle handle, unsigned flags) override {
    Window* window = FindLiveWindow(handle);
    if (!window || !(flags & kCooperativeExclusive) || !(flags & kCooperativeFullScreen))
      return kResultGenericFailure;
    return TheDesktop().backend->ExclusiveCooperate(*window);
  }

  int SetDisplayMode(int width, int height, int bitsPerPixel) override {
    Backend& backend = *TheDesktop().backend;
    const int result = backend.ExclusiveSetMode(width, height, bitsPerPixel);
    if (result == kResultOk || backend.ExclusiveScalesRefusedMode()) {
      width_ = width;
      height_ = height;
    }
    return result;
  }

  int CreateSurface(const SurfaceDescription& description, ExclusiveSurface** surface,
                    void*) override {
    if (!surface) return kResultGenericFailure;
    *surface = nullptr;
    const unsigned chain = kCapsPrimarySurface | kCapsFlip | kCapsComplex;
    if (description.size != 108 || !(description.flags & kSurfaceDescCaps) ||
        (description.caps & chain) != chain ||
        !(description.flags & kSurfaceDescBackBufferCount) || description.backBufferCount != 1)
      return kResultGenericFailure;
    // Without a mode of its own (and a backend that scales the asked-for size
    // to the screen) the chain takes the screen's size.
    const int width = width_ ? width_ : ScreenWidth();
    const int height = height_ ? height_ : ScreenHeight();
    const int result = TheDesktop().backend->ExclusiveCreateChain(width, height);
    if (result != kResultOk) return result;
    gSurfaces.push_back(std::make_unique<PrimarySurface>(width, height));
    *surface = gSurfaces.back().get();
    return kResultOk;
  }

  int RestoreDisplayMode() override {
    TheDesktop().backend->ExclusiveRestoreMode();
    width_ = height_ = 0;
    return kResultOk;
  }

  unsigned Release() override {
    TheDesktop().backend->ExclusiveRelease();
    EraseOwned(gOutputs, this);
    return 0;
  }

 private:
  int width_ = 0, height_ = 0;
};

}  // namespace

BackBufferSurface::~BackBufferSurface() {
  if (!Started()) return;
  // Draw contexts on this buffer go with it.
  EraseOwnedIf(TheDesktop().contexts, [this](const DrawContext* c) { return c->backBuffer == this; });
}

int BackBufferSurface::GetDC(DCHandle* dc) {
  if (!dc) return kResultGenericFailure;
  *dc = nullptr;
  const int result = TheDesktop().backend->ExclusiveBackBufferDC();
  if (result != kResultOk) return result;
  auto context = std::make_unique<DrawContext>();
  context->kind = DrawContext::kBackBuffer;
  context->backBuffer = this;
  *dc = context.get();
  TheDesktop().contexts.push_back(std::move(context));
  return kResultOk;
}

int BackBufferSurface::ReleaseDC(DCHandle dc) {
  DrawContext* context = FindContext(dc);
  if (!context || context->backBuffer != this) return kResultGenericFailure;
  EraseOwned(TheDesktop().contexts, context);
  return kResultOk;
}

bool BackBufferSurface::CopyIn(int x, int y, const std::uint32_t* pixels, int width, int height,
                               int pitch) {
  CopyClipped(pixels_.data(), width_, height_, x, y, pixels, width, height, pitch);
  return true;
}

int PrimarySurface::GetAttachedSurface(unsigned caps, ExclusiveSurface** surface) {
  if (!surface) return kResultGenericFailure;
  *surface = nullptr;
  if (!(caps & kCapsBackBuffer)) return kResultGenericFailure;
  const int result = TheDesktop().backend->ExclusiveAttachBackBuffer();
  if (result != kResultOk) return result;
  *surface = &backBuffer_;
  return kResultOk;
}

int PrimarySurface::Flip(ExclusiveSurface*, unsigned) {
  return TheDesktop().backend->ExclusiveFlip(backBuffer_.Pixels(), backBuffer_.Width(),
                                             backBuffer_.Height());
}

int PrimarySurface::Restore() { return TheDesktop().backend->ExclusiveRestore(); }

unsigned PrimarySurface::Release() {
  EraseOwned(gSurfaces, this);
  return 0;
}

int CreateExclusiveOutput(const void*, ExclusiveOutput** output, void*) {
  if (!output) return kResultGenericFailure;
  *output = nullptr;
  if (!Started()) return kResultGenericFailure;
  const int result = TheDesktop().backend->ExclusiveCreate();
  if (result != kResultOk) return result;
  gOutputs.push_back(std::make_unique<Output>());
  *output = gOutputs.back().get();
  return kResultOk;
}

void ReleaseExclusiveOutputs() {
  gSurfaces.clear();
  gOutputs.clear();
}

}  // namespace plat
