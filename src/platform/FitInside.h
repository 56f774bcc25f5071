// Where a picture goes when it is scaled to fit a screen with its aspect kept:
// centred, with black bars on the two sides it does not fill. The backends
// that scale a full-screen picture (SDL's window, DirectDraw at the desktop's
// mode) place it the same way.
#pragma once

#include "Platform.h"

namespace plat {

// Where a width x height picture goes inside w x h.
inline Rect FitInside(int width, int height, int w, int h) {
  if (static_cast<long long>(w) * height > static_cast<long long>(h) * width) {
    const int scaled = static_cast<int>(static_cast<long long>(h) * width / height);
    return Rect{(w - scaled) / 2, 0, (w - scaled) / 2 + scaled, h};
  }
  const int scaled = static_cast<int>(static_cast<long long>(w) * height / width);
  return Rect{0, (h - scaled) / 2, w, (h - scaled) / 2 + scaled};
}

}  // namespace plat
