// The output target of the demo: pixel memory of width x height 32-bit words
// 0x00RRGGBB (bytes blue, green, red, unused), rows top to bottom, no padding.
// The colour line and the effects write through the process-wide current
// surface. Concrete surfaces (window, full screen, offline) implement the five
// operations; nothing here knows about windows.
#pragma once

#include <cstdint>

class VSurface {
 public:
  virtual ~VSurface() = default;

  // Makes the output for the requested size (a window, a screen mode...).
  virtual void Create(bool fullScreen, int width, int height, int bitsPerPixel) = 0;
  // Makes the pixel memory ready and fills in width, height and pixels.
  virtual int Init() = 0;
  // Begins a frame; pixels may be written until Unlock.
  virtual int Lock() = 0;
  // Shows the frame.
  virtual int Unlock() = 0;
  // Gives back what Create and Init took.
  virtual int Close() = 0;

  int width = 0;
  int height = 0;
  std::uint32_t* pixels = nullptr;
};

// The surface effects and colour lines write to; null until the demo sets one.
VSurface* CurrentSurface();
void SetCurrentSurface(VSurface* surface);
