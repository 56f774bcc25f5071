// "Particle": draws its gravity particle source into its own line, which is
// cleared first, so columns without a particle stay transparent.
#pragma once

#include <memory>

#include "VEffect.h"
#include "VSourceGravityParticle.h"

class VEffectParticle : public VEffect {
 public:
  void Prepare() override;
  void Render(float t) override;
  const char* KindName() const override { return "Particle"; }

  std::unique_ptr<VSourceGravityParticle> source;
};
