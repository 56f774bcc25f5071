// The exclusive output behind the name "ddraw.dll": its entry point hands the
// program the running backend's output; the checks and the back buffer are
// shared by the backends.
#include "ExclusiveSurfaces.h"

namespace plat {

bool AsksExclusiveFullScreen(unsigned flags) {
  return (flags & kCooperativeExclusive) && (flags & kCooperativeFullScreen);
}

bool DescribesFlipChain(const SurfaceDescription& description) {
  const unsigned chain = kCapsPrimarySurface | kCapsFlip | kCapsComplex;
  return description.size == 108 && (description.flags & kSurfaceDescCaps) &&
         (description.caps & chain) == chain &&
         (description.flags & kSurfaceDescBackBufferCount) && description.backBufferCount == 1;
}

BackBufferSurface::~BackBufferSurface() {
  if (!Started()) return;
  // Draw contexts on this buffer go with it.
  EraseOwnedIf(TheDesktop().contexts, [this](const DrawContext* c) { return c->backBuffer == this; });
}

int BackBufferSurface::GetDC(DCHandle* dc) {
  if (!dc) return kResultGenericFailure;
  *dc = nullptr;
  const int result = drawable_();
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

int CreateExclusiveOutput(const void*, ExclusiveOutput** output, void*) {
  if (!output) return kResultGenericFailure;
  *output = nullptr;
  if (!Started()) return kResultGenericFailure;
  return TheDesktop().backend->CreateExclusiveOutput(output);
}

}  // namespace plat
