// "WaveLarge" and "WaveFlash": a grey ramp across the width with a swaying sine
// ripple; the flash variant pulses between half and one and a half times it.
#pragma once

#include "VEffect.h"

class VEffectWaveLarge : public VEffect {
 public:
  void Render(float t) override;
  const char* KindName() const override { return "WaveLarge"; }

 protected:
  // Fills the line with the ramp scaled by factor.
  void RenderRamp(float t, double factor);
};

class VEffectWaveFlash : public VEffectWaveLarge {
 public:
  void Render(float t) override;
  const char* KindName() const override { return "WaveFlash"; }
};
