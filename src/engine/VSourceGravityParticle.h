// The engine behind the "Particle" effect: textured squares emitted from a
// point on a fixed schedule, moving under gravity while they grow and spin,
// drawn into a colour line as the horizontal cut through each centre. Positions
// are closed-form in the particle's age, and the only randomness is the
// program's own generator, so a run is fully deterministic.
#pragma once

#include <cstdint>
#include <memory>

#include "VTex.h"

class VColorLine;

struct VParticle {
  float velocityX = 0.0f;
  float velocityY = 0.0f;
  float size = 0.0f;
  float growth = 0.0f;
  float rotation = 0.0f;
  float spin = 0.0f;
  float birthTime = -1.0f;  // source time; negative: free or dead
  VParticle* next = nullptr;
};

// Shared with VEffectParticle: the demo time of the current render, the line
// to draw into, and the vertical aspect factor (1.0 until a particle effect is
// prepared).
struct ParticleContext {
  float time = 0.0f;
  VColorLine* target = nullptr;
  float aspect = 1.0f;
};
ParticleContext& TheParticles();

// The program's random generator, never re-seeded.
std::uint32_t NextRandom();
float NextRandomUnit();  // one of 256 values 0..1
// The generator back at its seed. The demo never does this; a tool that shows
// the demo from any time does it, with every effect prepared anew, so that the
// particles it shows are those of a run started fresh at that time.
void RestartRandomGenerator();
// Tests only: the generator and particle context as at program start.
void ResetParticlesForTest();

class VSourceGravityParticle {
 public:
  static constexpr int kMaxParticles = 99999;

  VSourceGravityParticle() = default;
  VSourceGravityParticle(const VSourceGravityParticle&) = delete;
  VSourceGravityParticle& operator=(const VSourceGravityParticle&) = delete;

  // Checks the settings (reports "wrong settings" or "invalid number of
  // particles") and builds the ring.
  virtual void Prepare();
  // Emits up to the particle time and draws into the target line. Draws
  // nothing without a texture.
  virtual void Render();
  virtual ~VSourceGravityParticle() = default;

  float startTime = 0.0f;
  float endTime = 500.0f;
  std::unique_ptr<VTex> texture;
  float gravity = 0.1f;
  int particleCount = 100;
  float interval = 0.25f;
  float intervalJitter = 0.0f;
  float lifetime = 20.0f;
  float originX = 0.0f;
  float originY = 0.0f;
  float direction = 3.141f;
  float speed = 0.5f;
  float size = 0.1f;
  float growth = -0.01f;
  float rotation = 0.0f;
  float spin = 0.42f;
  float directionJitter = 3.141f;
  float speedJitter = 0.4f;
  float sizeJitter = 0.0f;
  float growthJitter = 0.03f;
  float rotationJitter = 0.0f;
  float spinJitter = 0.0f;

  const VParticle* ParticleArray() const { return particles_.get(); }
  const VParticle* Cursor() const { return cursor_; }
  float NextEmissionTime() const { return nextEmission_; }

 private:
  void Emit(float sourceTime);
  void Draw(VParticle& particle, float age, int surfaceWidth, int surfaceHeight);

  std::unique_ptr<VParticle[]> particles_;
  VParticle* cursor_ = nullptr;
  float nextEmission_ = -1.0f;
};
