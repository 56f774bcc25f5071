#include "VEffectScroller.h"

#include <algorithm>
#include <cmath>

#include "VSurface.h"

namespace {
constexpr float kByteToUnit = 0.003921569f;
}  // namespace

int WrapIndex(float value, int size) {
  if (size <= 0) return 0;
  // Below 2^31 the truncation is an int, and the int remainder is exactly what
  // fmod gives (fmod is exact; its -0 for a negative multiple is 0 here too).
  if (std::fabs(value) < 2147483648.0f) {
    const int r = static_cast<int>(value) % size;
    return r < 0 ? r + size : r;
  }
  double d = std::fmod(std::trunc(static_cast<double>(value)), static_cast<double>(size));
  if (d < 0.0) d += size;
  if (!(d >= 0.0)) return 0;  // not a number
  return std::min(static_cast<int>(d), size - 1);
}

void VEffectScroller::Render(float t) {
  const VSurface* surface = CurrentSurface();
  const int w = surface ? surface->width : 0;
  const int n = std::min(w, line.Count());
  if (!texture || !texture->Texels() || n <= 0) {
    line.Clear();
    return;
  }
  const float speed = TrackAt(speedTrack, t);
  const float delta = TrackAt(deltaTrack, t);
  const float ySpeed = TrackAt(ySpeedTrack, t);
  const float yDelta = TrackAt(yDeltaTrack, t);
  const float y = yDelta + ySpeed * t;
  const float h = speed * t + delta;
  const float inv = 1.0f / static_cast<float>(w);
  const int texW = texture->width;
  const int texH = texture->height;
  const int row = WrapIndex(static_cast<float>(texH) * y, texH);
  const std::uint8_t* rowTexels = texture->Texels() + 4 * static_cast<size_t>(row) * texW;
  for (int i = 0; i < n; ++i) {
    const float o = static_cast<float>(i) * inv;
    const int column = WrapIndex((h + o) * static_cast<float>(texW), texW);
    const std::uint8_t* texel = rowTexels + 4 * column;
    float* c = line.At(i);
    for (int k = 0; k < 4; ++k) c[k] = texel[k] * kByteToUnit;
  }
}
