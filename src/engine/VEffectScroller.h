// "Scroller": one row of a texture across the width, scrolled horizontally by
// delta + speed x t texture widths and vertically by ydelta + yspeed x t
// texture heights; the texture repeats both ways.
#pragma once

#include <memory>

#include "VEffect.h"
#include "VTex.h"

class VEffectScroller : public VEffect {
 public:
  // Without a texture the line is left fully transparent.
  void Render(float t) override;
  const char* KindName() const override { return "Scroller"; }

  std::unique_ptr<FloatTrack> deltaTrack;
  std::unique_ptr<FloatTrack> speedTrack;
  std::unique_ptr<FloatTrack> yDeltaTrack;
  std::unique_ptr<FloatTrack> ySpeedTrack;
  std::unique_ptr<VTex> texture;
};

// value truncated toward zero, then wrapped into 0..size-1 (a negative
// remainder gets size added). Defined for any float, NaN and huge ones included.
int WrapIndex(float value, int size);
