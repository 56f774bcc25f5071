#include "PixelSurface.h"

#include "KolLog.h"

int PixelSurface::Init() {
  // Without a window (another one holds the desktop, or creating it failed)
  // the display belongs to someone else: its mode is not ours to change, nor
  // to give back on Close.
  if (!window_) return 1;
  if (!fullScreen_) {
    CreatePixelBuffer();
    return 0;
  }
  if (modeChanged_) return 0;  // the display changes once
  // Set before the attempt: Close restores the system's mode even after a failure.
  modeChanged_ = true;
  plat::DisplayMode chosen;
  bool found = false;
  plat::DisplayMode mode;
  for (int i = 0; plat::EnumerateDisplayMode(i, mode); ++i) {
    if (mode.width == requestedWidth_ && mode.height == requestedHeight_ &&
        mode.bitsPerPixel == requestedBitsPerPixel_) {
      chosen = mode;
      found = true;
      break;
    }
  }
  if (!found) {
    TheLog().ReportError(kModuleSurface, "VSurface", 3,
                            "Chosen display mode %d x %d, %dbpp is unsupported on this system",
                            requestedWidth_, requestedHeight_, requestedBitsPerPixel_);
    return 1;
  }
  if (plat::ChangeDisplayMode(window_, &chosen, plat::kDisplayFullScreen) !=
      plat::kDisplayChangeSuccessful) {
    TheLog().ReportError(kModuleSurface, "VSurface", 4, "Unable to set the chosen display mode.");
    return 1;
  }
  plat::ShowPointer(false);
  CreatePixelBuffer();
  return 0;
}

void PixelSurface::CreatePixelBuffer() {
  ReleasePixelBuffer();  // a second Init replaces the buffer instead of leaking it
  windowDC_ = fullScreen_ ? plat::WindowDC(window_) : plat::ClientDC(window_);
  if (!windowDC_) {
    TheLog().Report(2, kModulePixelSurface, "PixelSurface", 1, "Invalid Window DC");
    return;
  }
  plat::Rect rect;
  if (fullScreen_)
    plat::WindowRectangle(window_, rect);
  else
    plat::ClientRectangle(window_, rect);
  width = rect.right - rect.left;
  height = rect.bottom - rect.top;
  TheLog().Print("Surface: %dx%d\n", width, height);
  pixels = nullptr;
  bitmap_ = plat::CreatePixelBitmap(windowDC_, width, height, &pixels);
  if (!bitmap_) {
    // Nothing could be drawn; say so, so the demo stops instead of running blind.
    pixels = nullptr;
    TheLog().Report(2, kModulePixelSurface, "PixelSurface", 2, "Unable to create the pixel buffer");
  }
}

int PixelSurface::Lock() {
  if (memoryDC_) Unlock();  // a Lock without its Unlock: finish that frame first
  if (!windowDC_ || !bitmap_) return 1;
  memoryDC_ = plat::CreateMemoryDC(windowDC_);
  if (!memoryDC_) return 1;
  plat::SelectPixelBitmap(memoryDC_, bitmap_);
  return 0;
}

int PixelSurface::Unlock() {
  if (!memoryDC_) return 1;
  plat::CopyPixels(windowDC_, 0, 0, width, height, memoryDC_, 0, 0);
  plat::DeleteMemoryDC(memoryDC_);
  memoryDC_ = nullptr;
  return 0;
}

int PixelSurface::Close() {
  if (modeChanged_) {
    modeChanged_ = false;
    plat::ChangeDisplayMode(window_, nullptr, 0);
    plat::ShowPointer(true);
  }
  ReleasePixelBuffer();
  return 0;
}

void PixelSurface::ReleasePixelBuffer() {
  if (memoryDC_) {
    plat::DeleteMemoryDC(memoryDC_);
    memoryDC_ = nullptr;
  }
  if (bitmap_) plat::DeletePixelBitmap(bitmap_);
  bitmap_ = nullptr;
  pixels = nullptr;
  if (windowDC_) plat::ReleaseDrawContext(window_, windowDC_);
  windowDC_ = nullptr;
}
