#include "VEffectParticle.h"

void VEffectParticle::Prepare() {
  if (source) source->Prepare();
  TheParticles().aspect = 1.33f;
}

void VEffectParticle::Render(float t) {
  ParticleContext& context = TheParticles();
  context.time = t;
  line.Clear();
  context.target = &line;
  if (source) source->Render();
}
