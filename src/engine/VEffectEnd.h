// "EndEffect": a centred bar of brightness fade on black, covering the
// fraction size of the line.
#pragma once

#include "VEffect.h"

class VEffectEnd : public VEffect {
 public:
  void Render(float t) override;
  const char* KindName() const override { return "EndEffect"; }

  std::unique_ptr<FloatTrack> fadeTrack;
  std::unique_ptr<FloatTrack> sizeTrack;
};
