// "EndEffect": a centred bar of brightness fade on black, covering the
// fraction size of the line.
#pragma once

#include "VEffect.h"

class VEffectEnd : public VEffect {
 public:
  void Render(float t) override;

  std::unique_ptr<FloatTrack> fadeTrack;
  std::unique_ptr<FloatTrack> sizeTrack;
};
