#include "VEffectParticle.h"

void VEffectParticle::Prepare() {
  if (source) source->Prepare();
  Particles().aspect = 1.33f;
}

void VEffectParticle::Render(float t) {
  ParticleContext& context = Particles();
  context.time = t;
  line.Clear();
  context.target = &line;
  if (source) source->Render();
}
