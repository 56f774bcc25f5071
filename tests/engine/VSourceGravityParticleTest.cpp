#include "VSourceGravityParticle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "EngineTestUtil.h"
#include "KolLog.h"
#include "MemorySurface.h"
#include "TestSupport.h"
#include "VEffectParticle.h"

namespace {

// 8 x 8 texels: (10 + 30 c, 5 + 30 r, 200) for column c, row r. The alpha
// byte is low on purpose: particles ignore it.
std::unique_ptr<VTex> GridTexture() {
  return MakeTexture(8, 8, [](int c, int r) {
    return Texel{static_cast<std::uint8_t>(10 + 30 * c), static_cast<std::uint8_t>(5 + 30 * r),
                 200, 60};
  });
}

// Particles that never move, grow or turn: every one sits at the origin as an
// upright square of half-width `half`, whatever its age.
void MakeStill(VSourceGravityParticle& s, float half) {
  s.gravity = 0.0f;
  s.speed = 0.0f;
  s.speedJitter = 0.0f;
  s.size = half;
  s.sizeJitter = 0.0f;
  s.growth = 0.0f;
  s.growthJitter = 0.0f;
  s.rotation = 0.0f;
  s.rotationJitter = 0.0f;
  s.spin = 0.0f;
  s.spinJitter = 0.0f;
}

// A source drawing straight into a 640-colour line (aspect 1, as before any
// particle effect is prepared).
struct Rig {
  explicit Rig(int surfaceHeight = 480) : surface(640, surfaceHeight) { line.Allocate(640); }
  void RenderAt(float t) {
    Particles().time = t;
    Particles().target = &line;
    source.Render();
  }
  int Living() const {
    int n = 0;
    for (int i = 0; i < source.particleCount; ++i) n += source.ParticleArray()[i].birthTime >= 0.0f;
    return n;
  }
  MemorySurface surface;
  VColorLine line;
  VSourceGravityParticle source;
};

// Columns [from, to) carry alpha 1, all others alpha 0.
void ExpectSpan(const VColorLine& line, int from, int to) {
  for (int i = 0; i < line.Count(); ++i)
    ASSERT_EQ(i >= from && i < to ? 1.0f : 0.0f, line.At(i)[3]) << "column " << i;
}

// Column i shows 0.7 x the texel (column, row) of GridTexture.
void ExpectGridTexel(const VColorLine& line, int i, int column, int row) {
  SCOPED_TRACE(testing::Message() << "column " << i);
  EXPECT_NEAR(0.7 * (10 + 30 * column) / 255.0, line.At(i)[0], 1e-6);
  EXPECT_NEAR(0.7 * (5 + 30 * row) / 255.0, line.At(i)[1], 1e-6);
  EXPECT_NEAR(0.7 * 200 / 255.0, line.At(i)[2], 1e-6);
}

TEST(ParticleRandomTest, SequenceFromProgramStart) {
  LogCapture capture;
  EXPECT_EQ(0x4F0626F7u, NextRandom());
  EXPECT_EQ(0x9DDA55F8u, NextRandom());
  EXPECT_EQ(0x2F3FBB19u, NextRandom());
  EXPECT_EQ(0xFBABDA5Au, NextRandom());
  ResetParticlesForTest();
  for (int k : {247, 248, 25, 90}) EXPECT_FLOAT_EQ(k / 255.0f, NextRandomUnit()) << k;
  for (int i = 0; i < 1000; ++i) {
    const float u = NextRandomUnit();
    ASSERT_GE(u, 0.0f);
    ASSERT_LE(u, 1.0f);
  }
}

TEST(VSourceGravityParticleTest, PrepareBuildsAnEmptyRing) {
  LogCapture capture;
  VSourceGravityParticle source;
  EXPECT_EQ(nullptr, source.ParticleArray());
  source.Prepare();
  EXPECT_EQ(0, GlobalLog().RecordCount());
  const VParticle* p = source.ParticleArray();
  ASSERT_NE(nullptr, p);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(-1.0f, p[i].birthTime) << i;
    EXPECT_EQ(&p[(i + 1) % 100], p[i].next) << i;
  }
  EXPECT_EQ(&p[0], source.Cursor());
  EXPECT_EQ(-1.0f, source.NextEmissionTime());

  VSourceGravityParticle largest;
  largest.particleCount = 99999;
  largest.Prepare();
  EXPECT_EQ(0, GlobalLog().RecordCount());
  ASSERT_NE(nullptr, largest.ParticleArray());
  EXPECT_EQ(&largest.ParticleArray()[0], largest.ParticleArray()[99998].next);
}

TEST(VSourceGravityParticleTest, PrepareRejectsBadSettings) {
  struct Case {
    float interval, jitter;
    int count, detail;
    std::string text;
  };
  const std::string wrong = "wrong settings", invalid = "invalid number of particles";
  const Case cases[] = {{0.25f, 0.25f, 100, 1, wrong},
                        {0.25f, 0.3f, 100, 1, wrong},
                        {0.0f, 0.0f, 100, 1, wrong},
                        {std::numeric_limits<float>::quiet_NaN(), 0.0f, 100, 1, wrong},
                        {0.25f, 0.25f, 0, 1, wrong},  // the interval is checked first
                        {0.25f, 0.0f, 0, 2, invalid},
                        {0.25f, 0.0f, -1, 2, invalid},
                        {0.25f, 0.0f, 100000, 2, invalid}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.interval << " " << c.jitter << " " << c.count);
    LogCapture capture;
    Rig rig;
    rig.source.interval = c.interval;
    rig.source.intervalJitter = c.jitter;
    rig.source.particleCount = c.count;
    rig.source.texture = SolidTexture(1.0f, 1.0f, 1.0f);
    rig.source.Prepare();
    ASSERT_EQ(1, GlobalLog().RecordCount());
    const KolLogRecord& r = GlobalLog().Record(0);
    EXPECT_EQ(2, r.kind);
    EXPECT_EQ(5, r.moduleCode);
    EXPECT_EQ("VSourceGravityParticle", r.moduleName);
    EXPECT_EQ(c.detail, r.detailCode);
    EXPECT_EQ(c.text, r.text);
    EXPECT_EQ("Error: " + c.text + "\n", capture.Text());
    EXPECT_EQ(nullptr, rig.source.ParticleArray());
    rig.RenderAt(0.0f);  // nothing to emit or draw
    rig.RenderAt(1.0f);
    ExpectSpan(rig.line, 0, 0);
  }
}

TEST(VSourceGravityParticleTest, EmissionFollowsTheScheduleNotTheFrames) {
  LogCapture capture;
  Rig rig;
  rig.source.Prepare();
  const VParticle* p = rig.source.ParticleArray();
  rig.RenderAt(0.0f);
  EXPECT_EQ(0.0f, p[0].birthTime);
  EXPECT_EQ(-1.0f, p[1].birthTime);
  EXPECT_EQ(&p[1], rig.source.Cursor());
  EXPECT_EQ(0.25f, rig.source.NextEmissionTime());

  rig.RenderAt(0.0f);
  rig.RenderAt(0.249f);
  EXPECT_EQ(-1.0f, p[1].birthTime);
  rig.RenderAt(0.25f);  // due exactly at its time
  EXPECT_EQ(0.25f, p[1].birthTime);
  EXPECT_EQ(0.5f, rig.source.NextEmissionTime());

  rig.RenderAt(1.1f);  // a late frame catches up with scheduled birth times
  EXPECT_EQ(0.5f, p[2].birthTime);
  EXPECT_EQ(0.75f, p[3].birthTime);
  EXPECT_EQ(1.0f, p[4].birthTime);
  EXPECT_EQ(-1.0f, p[5].birthTime);
  EXPECT_EQ(1.25f, rig.source.NextEmissionTime());
}

TEST(VSourceGravityParticleTest, EmissionDrawsSevenRandomNumbersInOrder) {
  LogCapture capture;
  float unit[8];
  for (float& u : unit) u = NextRandomUnit();
  ResetParticlesForTest();

  Rig rig;
  VSourceGravityParticle& s = rig.source;
  s.speedJitter = 0.4f;
  s.directionJitter = 1.5f;
  s.sizeJitter = 0.05f;
  s.growthJitter = 0.03f;
  s.rotationJitter = 1.0f;
  s.spinJitter = 0.2f;
  s.intervalJitter = 0.1f;
  s.Prepare();
  rig.RenderAt(0.0f);
  auto jittered = [](float mean, float jitter, float u) { return mean + (2.0f * u - 1.0f) * jitter; };
  const float v = jittered(0.5f, 0.4f, unit[0]);
  const float a = jittered(3.141f, 1.5f, unit[1]);
  const VParticle& p = s.ParticleArray()[0];
  EXPECT_FLOAT_EQ(-(std::sin(a) * v), p.velocityX);
  EXPECT_FLOAT_EQ(std::cos(a) * v, p.velocityY);
  EXPECT_FLOAT_EQ(jittered(0.1f, 0.05f, unit[2]), p.size);
  EXPECT_FLOAT_EQ(jittered(-0.01f, 0.03f, unit[3]), p.growth);
  EXPECT_FLOAT_EQ(jittered(0.0f, 1.0f, unit[4]), p.rotation);
  EXPECT_FLOAT_EQ(jittered(0.42f, 0.2f, unit[5]), p.spin);
  EXPECT_FLOAT_EQ(jittered(0.25f, 0.1f, unit[6]), s.NextEmissionTime());
  EXPECT_FLOAT_EQ(unit[7], NextRandomUnit());

  // Zero jitters still draw their numbers.
  ResetParticlesForTest();
  for (int i = 0; i < 7; ++i) NextRandom();
  const std::uint32_t eighth = NextRandom();
  ResetParticlesForTest();
  VSourceGravityParticle plain;
  plain.intervalJitter = 0.0f;
  plain.Prepare();
  Particles().time = 0.0f;
  plain.Render();
  EXPECT_EQ(eighth, NextRandom());
}

TEST(VSourceGravityParticleTest, LateFirstRenderFillsTheRingAndKillsTheOld) {
  LogCapture capture;
  Rig rig;
  rig.source.texture = SolidTexture(1.0f, 1.0f, 1.0f);
  rig.source.Prepare();
  rig.RenderAt(30.0f);  // 121 emissions, births 0.0 to 30.0
  const VParticle* p = rig.source.ParticleArray();
  for (int i = 0; i <= 20; ++i) EXPECT_EQ(25.0f + 0.25f * i, p[i].birthTime) << i;
  for (int i = 21; i <= 40; ++i) EXPECT_EQ(-1.0f, p[i].birthTime) << i;  // born by 10.0
  for (int i = 41; i < 100; ++i) EXPECT_EQ(0.25f * i, p[i].birthTime) << i;
  EXPECT_EQ(&p[21], rig.source.Cursor());
  EXPECT_EQ(30.25f, rig.source.NextEmissionTime());
  EXPECT_EQ(80, rig.Living());
}

TEST(VSourceGravityParticleTest, SteadyStateKeepsEightyAlive) {
  LogCapture capture;
  Rig rig;
  rig.source.texture = SolidTexture(1.0f, 1.0f, 1.0f);
  rig.source.Prepare();
  for (int k = 0; k <= 600; ++k) {
    rig.RenderAt(static_cast<float>(k) / 10.0f);
    const int expected = k < 200 ? k * 10 / 25 + 1 : 80;
    ASSERT_EQ(expected, rig.Living()) << "t " << k / 10.0;
  }
}

TEST(VSourceGravityParticleTest, ActiveWindowIncludesBothEnds) {
  LogCapture capture;
  MemorySurface surface;
  VEffectParticle effect;
  effect.line.Allocate(640);
  effect.source = std::make_unique<VSourceGravityParticle>();
  VSourceGravityParticle& s = *effect.source;
  MakeStill(s, 0.125f);
  s.texture = SolidTexture(1.0f, 1.0f, 1.0f);
  effect.Prepare();
  effect.Render(500.0f);
  ExpectSpan(effect.line, 280, 360);
  const VParticle* cursor = s.Cursor();
  effect.Render(500.01f);
  ExpectSpan(effect.line, 0, 0);
  EXPECT_EQ(cursor, s.Cursor());
  EXPECT_EQ(500.25f, s.NextEmissionTime());

  // Source time counts from the start time.
  VSourceGravityParticle late;
  late.startTime = 10.0f;
  late.Prepare();
  Particles().time = 9.99f;
  late.Render();
  EXPECT_EQ(-1.0f, late.NextEmissionTime());
  Particles().time = 10.5f;
  late.Render();
  EXPECT_EQ(0.5f, late.ParticleArray()[2].birthTime);
  EXPECT_EQ(0.75f, late.NextEmissionTime());
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

TEST(VSourceGravityParticleTest, UprightParticleDrawsItsCentreCut) {
  LogCapture capture;
  Rig rig;
  MakeStill(rig.source, 0.25f);
  rig.source.texture = GridTexture();
  rig.source.Prepare();
  rig.RenderAt(0.0f);
  // x from -0.25 to 0.25: columns 240 to 399, u from 0 to 1 across, v = 0.5.
  ExpectSpan(rig.line, 240, 400);
  for (int k = 0; k < 8; ++k) ExpectGridTexel(rig.line, 250 + 20 * k, k, 4);

  // A later particle over the same columns weighs 0.7 against 0.3: two
  // identical particles give 0.91 x the texel.
  Rig twice;
  MakeStill(twice.source, 0.25f);
  twice.source.texture = SolidTexture(1.0f, 0.0f, 0.0f);
  twice.source.Prepare();
  twice.RenderAt(0.25f);
  ExpectSpan(twice.line, 240, 400);
  EXPECT_NEAR(0.91, twice.line.At(300)[2], 1e-6);
  EXPECT_EQ(0.0f, twice.line.At(300)[0]);

  // Whatever the line held before counts 0.3.
  FillLine(twice.line, 0.5f, 0.5f, 0.5f, 0.0f);
  twice.RenderAt(0.25f);
  EXPECT_NEAR(0.15 * 0.3 + 0.7 * 0.3 + 0.7, twice.line.At(300)[2], 1e-6);
  EXPECT_NEAR(0.5 * 0.09, twice.line.At(300)[0], 1e-6);
  EXPECT_EQ(0.0f, twice.line.At(239)[3]);
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

TEST(VSourceGravityParticleTest, TurnedParticleWalksTheTextureVertically) {
  LogCapture capture;
  Rig rig;
  MakeStill(rig.source, 0.25f);
  rig.source.rotation = std::numbers::pi_v<float> / 2.0f;
  rig.source.texture = GridTexture();
  rig.source.Prepare();
  rig.RenderAt(0.0f);
  // Turned a quarter: u = 0.5 across the cut, v from 0 to 1.
  for (int k = 0; k < 8; ++k) ExpectGridTexel(rig.line, 250 + 20 * k, 4, k);
  for (int i : {230, 410}) EXPECT_EQ(0.0f, rig.line.At(i)[3]) << i;
}

TEST(VSourceGravityParticleTest, YoungerParticlesLieOnTop) {
  LogCapture capture;
  Rig rig;
  MakeStill(rig.source, 0.25f);
  rig.source.spin = 2.0f * std::numbers::pi_v<float>;  // a quarter turn in 0.25 s
  rig.source.particleCount = 2;
  rig.source.texture = GridTexture();
  rig.source.Prepare();
  rig.RenderAt(0.5f);
  // Births 0, 0.25, 0.5 in a ring of two: slot 0 holds the youngest, and the
  // pass starts at the cursor, slot 1. The older square is turned (texel
  // column 4, rows along the cut), the younger upright (texel row 4, columns
  // along the cut) and drawn last.
  EXPECT_EQ(0.5f, rig.source.ParticleArray()[0].birthTime);
  EXPECT_EQ(0.25f, rig.source.ParticleArray()[1].birthTime);
  for (int k = 0; k < 8; ++k) {
    const int i = 250 + 20 * k;
    SCOPED_TRACE(testing::Message() << "column " << i);
    EXPECT_NEAR((0.21 * 130 + 0.7 * (10 + 30 * k)) / 255.0, rig.line.At(i)[0], 1e-5);
    EXPECT_NEAR((0.21 * (5 + 30 * k) + 0.7 * 125) / 255.0, rig.line.At(i)[1], 1e-5);
  }
}

TEST(VSourceGravityParticleTest, PoseFollowsVelocityGravityAndGrowth) {
  LogCapture capture;
  struct Case {
    float direction, gravity;
    int surfaceHeight, from, to;
  };
  // Speed 0.5 for one second; the half-width grows from 0.125 to 0.25.
  const float pi = std::numbers::pi_v<float>;
  const Case cases[] = {
      {pi, 0.25f, 181, 240, 400},        // up 0.5, down 0.25: centre row 180
      {pi, 0.25f, 180, 0, 0},            // ... which a 180-row surface lacks
      {pi / 2.0f, 0.0f, 480, 80, 240},   // to the left by 0.5
      {-pi / 2.0f, 0.0f, 480, 400, 560}  // to the right
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "direction " << c.direction << " height " << c.surfaceHeight);
    Rig rig(c.surfaceHeight);
    MakeStill(rig.source, 0.125f);
    rig.source.growth = 0.125f;
    rig.source.speed = 0.5f;
    rig.source.direction = c.direction;
    rig.source.directionJitter = 0.0f;
    rig.source.gravity = c.gravity;
    rig.source.interval = 10.0f;  // a single particle
    rig.source.texture = GridTexture();
    rig.source.Prepare();
    rig.RenderAt(1.0f);
    ExpectSpan(rig.line, c.from, c.to);
  }
}

TEST(VSourceGravityParticleTest, SpansAreClippedAtBothEnds) {
  LogCapture capture;
  struct Case {
    float originX;
    int from, to;
    std::vector<std::pair<int, int>> columnToTexel;
  };
  // Each square spans 160 columns; off the left end the texture coordinate
  // starts where the first visible column lies.
  const Case cases[] = {
      {-1.0f, 0, 80, {{0, 4}, {9, 4}, {30, 5}, {50, 6}, {70, 7}}},
      {1.0f, 560, 640, {{570, 0}, {590, 1}, {610, 2}, {630, 3}, {639, 3}}},
      {-1.5f, 0, 0, {}},
      {1.5f, 0, 0, {}},
      {1.25f, 0, 0, {}},  // starts exactly at the right end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "origin x " << c.originX);
    Rig rig;
    MakeStill(rig.source, 0.25f);
    rig.source.originX = c.originX;
    rig.source.texture = GridTexture();
    rig.source.Prepare();
    rig.RenderAt(0.0f);
    ExpectSpan(rig.line, c.from, c.to);
    for (auto [column, texel] : c.columnToTexel) ExpectGridTexel(rig.line, column, texel, 4);
  }
}

TEST(VSourceGravityParticleTest, OnlyCentreRowsOnTheSurfaceAreDrawn) {
  LogCapture capture;
  struct Case {
    float originY;
    int surfaceHeight;
    bool drawn;
  };
  const Case cases[] = {
      {-1.0f - 1.5f / 240.0f, 480, false},  // row -1
      {-1.0f - 0.5f / 240.0f, 480, true},   // -0.5 truncates to row 0
      {1.0f - 0.5f / 240.0f, 480, true},    // row 479
      {1.0f + 0.5f / 240.0f, 480, false},   // row 480
      {-0.16875f, 200, true},               // row 199 of 200
      {-0.16458f, 200, false},              // row 200
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "origin y " << c.originY << " height " << c.surfaceHeight);
    Rig rig(c.surfaceHeight);
    MakeStill(rig.source, 0.25f);
    rig.source.originY = c.originY;
    rig.source.texture = GridTexture();
    rig.source.Prepare();
    rig.RenderAt(0.0f);
    if (c.drawn)
      ExpectSpan(rig.line, 240, 400);
    else
      ExpectSpan(rig.line, 0, 0);
  }
}

TEST(VSourceGravityParticleTest, NothingIsDrawnWithoutTextureOrWidth) {
  LogCapture capture;
  Rig rig;
  MakeStill(rig.source, 0.25f);
  rig.source.Prepare();
  rig.RenderAt(0.0f);
  ExpectSpan(rig.line, 0, 0);

  // Positions far outside any int range, or not numbers at all.
  for (float x : {1e20f, -1e20f, std::numeric_limits<float>::quiet_NaN()}) {
    Rig far;
    MakeStill(far.source, 0.25f);
    far.source.originX = x;
    far.source.texture = GridTexture();
    far.source.Prepare();
    far.RenderAt(0.0f);
    ExpectSpan(far.line, 0, 0);
  }

  Rig flat;
  MakeStill(flat.source, 0.0f);  // half-width 0: no crossings
  flat.source.texture = GridTexture();
  flat.source.Prepare();
  flat.RenderAt(0.0f);
  ExpectSpan(flat.line, 0, 0);
}

TEST(VEffectParticleTest, PrepareSetsTheAspectAndUncoveredColumnsStayTransparent) {
  LogCapture capture;
  MemorySurface surface(640, 400);
  EXPECT_EQ(1.0f, Particles().aspect);
  VEffectParticle effect;
  effect.line.Allocate(640);
  effect.source = std::make_unique<VSourceGravityParticle>();
  MakeStill(*effect.source, 0.25f);
  effect.source->originY = 0.5f;  // row 360 with aspect 1, 399 with 1.33
  effect.source->texture = SolidTexture(0.0f, 0.0f, 1.0f);
  effect.Prepare();
  EXPECT_EQ(1.33f, Particles().aspect);
  ASSERT_NE(nullptr, effect.source->ParticleArray());
  FillLine(effect.line, 1.0f, 1.0f, 1.0f, 1.0f);
  effect.Render(0.0f);
  ExpectSpan(effect.line, 240, 400);
  EXPECT_EQ(&effect.line, Particles().target);
  EXPECT_EQ(0.0f, Particles().time);

  VColorLine main;
  main.Allocate(640);
  FillLine(main, 0.25f, 0.25f, 0.25f, 1.0f);
  effect.line.Combine(main, 1.0f, 0.0f);
  EXPECT_EQ(0.25f, main.At(239)[0]);
  EXPECT_EQ(0.25f, main.At(400)[0]);
  EXPECT_NEAR(0.7, main.At(300)[0], 1e-6);

  effect.source->originY = 0.51f;  // row 402 with aspect 1.33: below this surface
  effect.Prepare();
  effect.Render(0.0f);
  ExpectSpan(effect.line, 0, 0);

  // No source: the line is only cleared.
  VEffectParticle empty;
  empty.line.Allocate(640);
  FillLine(empty.line, 1.0f, 1.0f, 1.0f, 1.0f);
  empty.Prepare();
  empty.Render(1.0f);
  ExpectSpan(empty.line, 0, 0);
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

}  // namespace
