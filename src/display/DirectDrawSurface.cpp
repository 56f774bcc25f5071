#include "DirectDrawSurface.h"

#include "KolLog.h"

namespace {
plat::ExclusiveCreateFunction gCreate = nullptr;
constexpr const char* kModuleName = "DirectDrawSurface";
}  // namespace

void DirectDrawSurface::Create(bool, int w, int h, int bitsPerPixel) {
  KolLog& log = TheLog();
  plat::LibraryHandle library = plat::LoadRuntimeLibrary(plat::kExclusiveLibraryName);
  if (library)
    gCreate = reinterpret_cast<plat::ExclusiveCreateFunction>(
        plat::FindLibrarySymbol(library, plat::kExclusiveCreateName));
  // A library without the entry point is as good as missing.
  if (!library || !gCreate) {
    log.Report(2, kModuleDirectDraw, kModuleName, 1, "missing ddraw.dll");
    return;
  }
  ownDC_ = true;
  VWindowSurface::Create(true, w, h, bitsPerPixel);
  if (log.RecordCount() != 0) return;
  plat::ShowPointer(false);

  int result = gCreate(nullptr, &output_, nullptr);
  if (result != plat::kResultOk || !output_) {
    output_ = nullptr;
    log.Report(2, kModuleDirectDraw, kModuleName, 2, "Can't Create DirectDraw object: %d", result);
    return;
  }
  if (output_->SetCooperativeLevel(window_, plat::kCooperativeExclusive |
                                                plat::kCooperativeFullScreen) != plat::kResultOk)
    log.Report(0, kModuleDirectDraw, kModuleName, 3, "Can't set exclusive mode");
  result = output_->SetDisplayMode(w, h, bitsPerPixel);
  if (result != plat::kResultOk)
    log.Report(0, kModuleDirectDraw, kModuleName, 4, "Can't set videomode %dx%d,%dbpp: %d", w, h,
               bitsPerPixel, result);

  primaryDescription_ = plat::SurfaceDescription();
  primaryDescription_.flags = plat::kSurfaceDescCaps | plat::kSurfaceDescBackBufferCount;
  primaryDescription_.backBufferCount = 1;
  primaryDescription_.caps = plat::kCapsPrimarySurface | plat::kCapsFlip | plat::kCapsComplex;
  result = output_->CreateSurface(primaryDescription_, &primary_, nullptr);
  if (result != plat::kResultOk || !primary_) {
    primary_ = nullptr;
    log.Report(2, kModuleDirectDraw, kModuleName, 5, "Can't create the DirectDraw surface: %d",
               result);
    return;
  }
  backBufferCaps_ = plat::kCapsBackBuffer;
  result = primary_->GetAttachedSurface(backBufferCaps_, &backBuffer_);
  if (result != plat::kResultOk || !backBuffer_) {
    backBuffer_ = nullptr;
    log.Report(2, kModuleDirectDraw, kModuleName, 6, "Can't get back buffer: %d", result);
  }
}

int DirectDrawSurface::Init() {
  // No window: nothing to draw to, and CreatePixelBuffer would only repeat the
  // failure Create already reported.
  if (!window_) return 1;
  CreatePixelBuffer();
  return 0;
}

int DirectDrawSurface::Lock() {
  if (backBufferDC_) Unlock();  // a Lock without its Unlock: finish that frame first
  backBufferDC_ = nullptr;
  // After Close (or a failed Create) there is no chain to draw into.
  if (!primary_ || !backBuffer_ || !bitmap_) return 1;
  // A lost back buffer may give no DC (as after Alt+Tab or another program's
  // mode change): the frame is skipped, but the chain is restored all the
  // same, or no later frame would ever be shown.
  const int result = backBuffer_->GetDC(&backBufferDC_);
  if (result != plat::kResultOk || !backBufferDC_) {
    backBufferDC_ = nullptr;
    if (result == plat::kResultSurfaceLost) RestoreLostChain();
    return 1;
  }
  memoryDC_ = plat::CreateMemoryDC(backBufferDC_);
  if (memoryDC_) plat::SelectPixelBitmap(memoryDC_, bitmap_);
  return 0;
}

int DirectDrawSurface::Unlock() {
  if (!backBufferDC_) return 1;
  if (memoryDC_) {
    plat::CopyPixels(backBufferDC_, 0, 0, width, height, memoryDC_, 0, 0);
    plat::DeleteMemoryDC(memoryDC_);
    memoryDC_ = nullptr;
  }
  if (backBuffer_) backBuffer_->ReleaseDC(backBufferDC_);
  backBufferDC_ = nullptr;
  if (!primary_) return 1;  // the chain is gone: nothing to flip
  for (;;) {
    const int result = primary_->Flip(nullptr, 0);
    if (result == plat::kResultStillDrawing) continue;  // busy retry, no sleep
    // A lost surface is restored; the flip waits for the next frame.
    if (result == plat::kResultSurfaceLost) RestoreLostChain();
    return 0;
  }
}

void DirectDrawSurface::RestoreLostChain() {
  if (!lost_) TheLog().PrintLine("DirectDraw: the surface was lost; restoring it");
  lost_ = primary_->Restore() != plat::kResultOk;
  if (!lost_) TheLog().PrintLine("DirectDraw: the surface is back");
}

int DirectDrawSurface::Close() {
  // A frame still locked holds draw contexts on the back buffer; they go back
  // while that buffer still exists, since releasing the chain destroys it.
  if (memoryDC_) {
    plat::DeleteMemoryDC(memoryDC_);
    memoryDC_ = nullptr;
  }
  if (backBufferDC_ && backBuffer_) backBuffer_->ReleaseDC(backBufferDC_);
  backBufferDC_ = nullptr;
  if (output_) {
    output_->RestoreDisplayMode();
    if (primary_) primary_->Release();
    primary_ = nullptr;
    backBuffer_ = nullptr;
    output_->Release();
    output_ = nullptr;
  }
  ReleasePixelBuffer();
  plat::ShowPointer(true);
  return 0;
}
