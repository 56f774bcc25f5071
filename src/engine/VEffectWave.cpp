#include <algorithm>

#include "RoundedTrig.h"
#include "VEffectWave.h"
#include "VSurface.h"

void VEffectWaveLarge::RenderRamp(float t, double factor) {
  const VSurface* surface = CurrentSurface();
  const int w = surface ? surface->width : 0;
  if (w <= 0) return;
  const float inv = 1.0f / static_cast<float>(w);
  const double sway = 0.1 * Sin(static_cast<double>(t));
  const int n = std::min(w, line.Count());
  for (int i = 0; i < n; ++i) {
    const float x = static_cast<float>(i) * inv;
    const double v = factor * (x + 0.2 * Sin(20.0 * (x + sway)));
    float* c = line.At(i);
    c[0] = c[1] = c[2] = static_cast<float>(v);
    c[3] = 1.0f;
  }
}

void VEffectWaveLarge::Render(float t) { RenderRamp(t, 1.0); }

void VEffectWaveFlash::Render(float t) {
  RenderRamp(t, 0.5 * Sin(5.0 * static_cast<double>(t)) + 1.0);
}
