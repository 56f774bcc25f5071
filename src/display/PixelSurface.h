// The surface for the windowed and the plain full-screen display modes: the
// demo draws into a 32-bit top-down system-memory bitmap, and every Unlock
// copies it to the window in one block. Full screen first switches the display
// to the first listed mode of the requested size and depth, and Close restores it.
#pragma once

#include "VWindowSurface.h"

class PixelSurface : public VWindowSurface {
 public:
  PixelSurface() = default;

  int Init() override;
  int Lock() override;
  int Unlock() override;
  int Close() override;

  // Takes the window's DC, measures the drawing area and makes the bitmap.
  void CreatePixelBuffer();
  void ReleasePixelBuffer();

 protected:
  plat::DCHandle windowDC_ = nullptr;
  plat::DCHandle memoryDC_ = nullptr;
  plat::BitmapHandle bitmap_ = nullptr;
  bool modeChanged_ = false;
};
