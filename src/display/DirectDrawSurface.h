// The exclusive full-screen surface: takes the display through the run-time
// loaded exclusive output ("ddraw.dll"), sets the mode, and shows each frame by
// copying the pixel buffer into the back buffer of a flipping chain and
// flipping. Always full screen, whatever Create is asked.
#pragma once

#include "ExclusiveOutput.h"
#include "PixelSurface.h"

class DirectDrawSurface : public PixelSurface {
 public:
  DirectDrawSurface() = default;

  void Create(bool fullScreen, int width, int height, int bitsPerPixel) override;
  int Init() override;
  int Lock() override;
  int Unlock() override;
  int Close() override;

 private:
  // Restores a lost chain; the log says once when it was lost and once when
  // it is back (plain lines: losing the display for a while is no error).
  void RestoreLostChain();

  plat::ExclusiveOutput* output_ = nullptr;
  plat::ExclusiveSurface* primary_ = nullptr;
  plat::ExclusiveSurface* backBuffer_ = nullptr;  // part of the primary's chain
  plat::DCHandle backBufferDC_ = nullptr;
  plat::SurfaceDescription primaryDescription_;
  unsigned backBufferCaps_ = 0;
  bool lost_ = false;
};
