#include "VEffectEnd.h"

namespace {

void Fill(float* colors, int from, int to, float value) {
  for (int i = from; i < to; ++i) {
    float* c = colors + 4 * i;
    c[0] = c[1] = c[2] = value;
    c[3] = 1.0f;
  }
}

}  // namespace

void VEffectEnd::Render(float t) {
  const float size = TrackAt(sizeTrack, t);
  const float fade = TrackAt(fadeTrack, t);
  const int n = line.Count();
  // A size outside 0..1 (or not a number) would put the border outside the
  // line; it is clamped so that 0 or less shows all black and 1 or more all bar.
  const float covered = (1.0f - size) * static_cast<float>(n);
  int border;
  if (!(covered > 0.0f))
    border = 0;
  else if (covered >= static_cast<float>(n))
    border = n >> 1;
  else
    border = static_cast<int>(covered) >> 1;
  float* colors = line.Colors();
  Fill(colors, 0, border, 0.0f);
  Fill(colors, border, n - border, fade);
  Fill(colors, n - border, n, 0.0f);
}
