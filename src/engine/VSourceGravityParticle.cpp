#include "VSourceGravityParticle.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

#include "KolLog.h"
#include "RoundedTrig.h"
#include "VColorLine.h"
#include "VSurface.h"

namespace {

constexpr std::uint32_t kRandomSeed = 0xFD462A16u;
std::uint32_t gRandomState = kRandomSeed;
ParticleContext gParticles;

constexpr float kByteToUnit = 0.003921569f;
// 0.7 / 255, as the bit pattern 0x3B33E71B: a covered column keeps 0.3 of what
// was there and takes 0.7 of the texel.
const float kTexelWeight = std::bit_cast<float>(0x3B33E71Bu);

// byte x the texel weight for every byte value: the same float as the product,
// looked up instead of multiplied, whatever the texture's size.
const float* TexelWeights() {
  static const auto table = [] {
    std::array<float, 256> weights{};
    for (int b = 0; b < 256; ++b) weights[b] = static_cast<float>(b) * kTexelWeight;
    return weights;
  }();
  return table.data();
}

float Jittered(float mean, float jitter) {
  return mean + (2.0f * NextRandomUnit() - 1.0f) * jitter;
}

// Truncation toward zero that stays defined for any value: positions far off
// screen clamp to a large int that every later test treats as off screen.
int TruncateToInt(float value) {
  if (!(value == value)) return 0;
  if (value >= 1.0e9f) return 1000000000;
  if (value <= -1.0e9f) return -1000000000;
  return static_cast<int>(value);
}

struct Crossing {
  float x, y, u, v;
  int column, row;
};

}  // namespace

ParticleContext& TheParticles() { return gParticles; }

std::uint32_t NextRandom() {
  gRandomState = (gRandomState + 1u) * 0x31415621u;
  return gRandomState;
}

float NextRandomUnit() { return static_cast<float>(NextRandom() & 0xFFu) * kByteToUnit; }

void RestartRandomGenerator() { gRandomState = kRandomSeed; }

void ResetParticlesForTest() {
  RestartRandomGenerator();
  gParticles = ParticleContext();
}

void VSourceGravityParticle::Prepare() {
  if (!(interval - intervalJitter > 0.0f)) {
    TheLog().ReportError(kModuleGravityParticle, "VSourceGravityParticle", 1,
                            "wrong settings");
    return;
  }
  if (particleCount <= 0 || particleCount > kMaxParticles) {
    TheLog().ReportError(kModuleGravityParticle, "VSourceGravityParticle", 2,
                            "invalid number of particles");
    return;
  }
  particles_.reset(new (std::nothrow) VParticle[particleCount]);
  if (!particles_) {
    TheLog().PrintError("Memory allocating error.");
    return;
  }
  for (int i = 0; i < particleCount; ++i) {
    particles_[i].birthTime = -1.0f;
    particles_[i].next = &particles_[(i + 1) % particleCount];
  }
  cursor_ = &particles_[0];
  nextEmission_ = -1.0f;
}

void VSourceGravityParticle::Emit(float s) {
  if (!(s >= nextEmission_)) return;
  do {
    if (nextEmission_ < 0.0f) nextEmission_ = 0.0f;
    VParticle& p = *cursor_;  // reused whether or not it still lives
    const float v = Jittered(speed, speedJitter);
    const float a = Jittered(direction, directionJitter);
    p.velocityX = -(SinF(a) * v);
    p.velocityY = CosF(a) * v;
    p.size = Jittered(size, sizeJitter);
    p.growth = Jittered(growth, growthJitter);
    p.rotation = Jittered(rotation, rotationJitter);
    p.spin = Jittered(spin, spinJitter);
    p.birthTime = nextEmission_;
    cursor_ = p.next;
    nextEmission_ += Jittered(interval, intervalJitter);
  } while (nextEmission_ <= s);
}

void VSourceGravityParticle::Render() {
  const ParticleContext& context = TheParticles();
  if (!particles_ || !(context.time >= startTime && context.time <= endTime)) return;
  const float s = context.time - startTime;
  Emit(s);

  const VSurface* surface = CurrentSurface();
  if (!texture || !texture->Texels() || !context.target || !surface) return;
  VParticle* p = cursor_;
  for (int i = 0; i < particleCount; ++i, p = p->next) {
    if (p->birthTime < 0.0f) continue;
    const float age = s - p->birthTime;
    if (!(age < lifetime)) {
      p->birthTime = -1.0f;
      continue;
    }
    Draw(*p, age, surface->width, surface->height);
  }
}

void VSourceGravityParticle::Draw(VParticle& p, float age, int surfaceWidth,
                                  int surfaceHeight) {
  static const float kCornerX[4] = {-1.0f, -1.0f, 1.0f, 1.0f};
  static const float kCornerY[4] = {-1.0f, 1.0f, 1.0f, -1.0f};
  static const float kCornerU[4] = {0.0f, 0.0f, 1.0f, 1.0f};
  static const float kCornerV[4] = {1.0f, 0.0f, 0.0f, 1.0f};
  const float aspect = TheParticles().aspect;

  const float h = age * p.growth + p.size;
  const float centreX = age * p.velocityX + originX;
  const float centreY = (age * gravity + p.velocityY) * age + originY;

  // The cut through the centre lies at the centre's height, and spans at most
  // the square's diagonal around its centre. Particles that are certainly off
  // screen (with a margin far beyond float rounding) are passed over before any
  // trigonometry; the exact tests below decide every other case.
  const float centreRow = (centreY * aspect + 1.0f) * 240.0f;
  const float reach = std::fabs(h) * 1.5f;
  if (!(centreRow > -2.0f && centreRow < static_cast<float>(surfaceHeight) + 2.0f) ||
      (centreX + reach + 1.0f) * 320.0f < -2.0f ||
      (centreX - reach + 1.0f) * 320.0f > static_cast<float>(surfaceWidth) + 2.0f)
    return;

  const float r = age * p.spin + p.rotation;
  const float sn = SinF(r);
  const float cs = CosF(r);

  float x[4], y[4], d[4];
  int side[4];
  for (int k = 0; k < 4; ++k) {
    x[k] = centreX + h * (cs * kCornerX[k] - sn * kCornerY[k]);
    const float e = h * (sn * kCornerX[k] + cs * kCornerY[k]);
    y[k] = (centreY + e) * aspect;
    d[k] = e * aspect;
    side[k] = d[k] < 0.0f ? 1 : -1;
  }

  // Where the square's edges cross its centre height.
  Crossing crossings[4];
  int found = 0;
  for (int k = 0; k < 4; ++k) {
    const int n = (k + 1) & 3;
    if (side[k] == side[n]) continue;
    const float f = d[k] / (d[k] - d[n]);
    Crossing& c = crossings[found++];
    c.x = x[k] - (x[k] - x[n]) * f;
    c.y = y[k] - (y[k] - y[n]) * f;
    c.u = kCornerU[k] - (kCornerU[k] - kCornerU[n]) * f;
    c.v = kCornerV[k] - (kCornerV[k] - kCornerV[n]) * f;
    c.column = TruncateToInt((c.x + 1.0f) * 320.0f);
    c.row = TruncateToInt((c.y + 1.0f) * 240.0f);
  }
  if (found < 2) return;  // a half-width of exactly 0
  if (crossings[0].row < 0 || crossings[0].row >= surfaceHeight) return;

  const bool firstIsLeft = crossings[0].column <= crossings[1].column;
  Crossing left = firstIsLeft ? crossings[0] : crossings[1];
  const Crossing& right = firstIsLeft ? crossings[1] : crossings[0];
  if (left.column > surfaceWidth || right.column < 0) return;

  const int length = right.column - left.column;
  float du = 0.0f, dv = 0.0f;
  if (length > 0) {
    du = (right.u - left.u) / static_cast<float>(length);
    dv = (right.v - left.v) / static_cast<float>(length);
  }
  float u = left.u, v = left.v;
  int from = left.column;
  int to = right.column;
  if (from < 0) {
    u -= static_cast<float>(from) * du;
    v -= static_cast<float>(from) * dv;
    from = 0;
  }
  if (to > surfaceWidth) to = surfaceWidth;

  VColorLine& target = *TheParticles().target;
  to = std::min(to, target.Count());  // the line may be narrower than the surface
  const int texW = texture->width;
  const int texH = texture->height;
  const float fw = static_cast<float>(texW);
  const float fh = static_cast<float>(texH);
  const std::uint8_t* texels = texture->Texels();
  const float* weights = TexelWeights();
  // Each covered column keeps 0.3 of its colour and takes the texel's weight,
  // the sum taken in double (0.3 is a double) and stored as a float; alpha
  // becomes 0 x alpha + 1 = 1 (the line's alpha is always 0 or 1).
  // u and v stay between the span ends' coordinates, inside 0..1 but for
  // rounding, so the products are far inside the int range; only the edges
  // need limiting.
  float* c = target.At(from);
  for (int j = from; j < to; ++j, c += 4) {
    int tc = static_cast<int>(fw * u);
    int tr = static_cast<int>(fh * v);
    tc = tc < 0 ? 0 : (tc >= texW ? texW - 1 : tc);
    tr = tr < 0 ? 0 : (tr >= texH ? texH - 1 : tr);
    const std::uint8_t* texel = texels + 4 * (static_cast<size_t>(tr) * texW + tc);
    c[0] = static_cast<float>(c[0] * 0.3 + weights[texel[0]]);
    c[1] = static_cast<float>(c[1] * 0.3 + weights[texel[1]]);
    c[2] = static_cast<float>(c[2] * 0.3 + weights[texel[2]]);
    c[3] = c[3] * 0.0f + 1.0f;  // the texel's own alpha is not used
    u += du;
    v += dv;
  }
}
