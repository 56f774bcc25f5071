// The engine: colour lines, the effects, the effect list and the particle
// source, drawn into lines on a memory surface.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "HeadlessControl.h"
#include "KolData.h"
#include "KolLog.h"
#include "MemorySurface.h"
#include "TestSupport.h"
#include "VClock.h"
#include "VColorLine.h"
#include "VEffectEnd.h"
#include "VEffectScroller.h"
#include "VEffectWave.h"
#include "VList.h"
#include "VSourceGravityParticle.h"
#include "VTex.h"

namespace {

using Bgr = std::array<std::uint8_t, 3>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

void FillLine(VColorLine& line, float c0, float c1, float c2, float a) {
  for (int i = 0; i < line.Count(); ++i) {
    float* c = line.At(i);
    c[0] = c0, c[1] = c1, c[2] = c2, c[3] = a;
  }
}

// A w x h texture whose texel (c, r), r counted from the bottom, has colour
// bgr(c, r) and the constant alpha.
std::unique_ptr<VTex> MakeTexture(int w, int h, const std::function<Bgr(int, int)>& bgr,
                                  float alpha = 1.0f) {
  std::string texels;
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c)
      for (std::uint8_t b : bgr(c, r)) texels += static_cast<char>(b);
  TempDir dir;
  dir.Write("c.tga", TgaFile(2, w, h, 24, 0, texels));
  KolData source;
  source.Open(kKindDirectory, dir.Path().c_str());
  source.SetDefault(false);
  auto tex = std::make_unique<VTex>();
  tex->colorMap = "c.tga";
  tex->alpha = alpha;
  tex->Load();
  EXPECT_NE(nullptr, tex->Texels());
  return tex;
}

void ExpectColor(const VColorLine& line, int i, std::array<float, 4> want) {
  for (int k = 0; k < 4; ++k)  // fails on NaN too
    EXPECT_NEAR(want[k], line.At(i)[k], 1e-6) << "colour " << i << " component " << k;
}

// Source (0.8, 0.6, 0.4, sa) over (0.2, 0.2, 0.2, 0.7). Weights that are not
// numbers count as zero.
TEST(VColorLineTest, CombinePicksTheBlendByTheWeights) {
  LogCapture capture;
  const struct { float sa, alpha, add; std::array<float, 4> want; } cases[] = {
      {1.0f, 0.0005f, 0.0f, {0.2f, 0.2f, 0.2f, 0.7f}},  // additive with 0
      {1.0f, 1.0f, 0.0f, {0.8f, 0.6f, 0.4f, 1.0f}},     // a copy
      {1.0f, 0.5f, 0.5f, {0.8f, 0.6f, 0.4f, 1.0f}},     // mixed, weight 1
      {1.0f, 1.0f, 1.0f, {1.4f, 1.0f, 0.6f, 2.0f}},     // weight 2: 2s - t, unclamped
      {0.5f, 0.0005f, 0.5f, {0.4f, 0.35f, 0.3f, 0.825f}},  // additive, add x s.alpha
      {0.5f, 0.001f, 0.0f, {0.2003f, 0.2002f, 0.2001f, 0.0005f}},
      {0.5f, 0.5f, 0.001f, {0.3503f, 0.3002f, 0.2501f, 0.2505f}},
      {1.0f, kNaN, 0.0f, {0.2f, 0.2f, 0.2f, 0.7f}},
      {1.0f, kNaN, kNaN, {0.2f, 0.2f, 0.2f, 0.7f}},
      {1.0f, kNaN, 1.0f, {1.0f, 0.8f, 0.6f, 1.7f}},
      {1.0f, 1.0f, kNaN, {0.8f, 0.6f, 0.4f, 1.0f}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "sa " << c.sa << " alpha " << c.alpha << " add " << c.add);
    VColorLine source, target;
    source.Allocate(2);
    target.Allocate(2);
    FillLine(source, 0.8f, 0.6f, 0.4f, c.sa);
    FillLine(target, 0.2f, 0.2f, 0.2f, 0.7f);
    source.Combine(target, c.alpha, c.add);
    for (int i = 0; i < 2; ++i) ExpectColor(target, i, c.want);
  }
}

TEST(VColorLineTest, FaintSourceColoursTakeNoPartAndOnlyTheShorterLengthCombines) {
  LogCapture capture;
  for (auto [alpha, add] : {std::pair{1.0f, 0.0f}, std::pair{0.5f, 0.5f}, std::pair{0.0f, 1.0f}}) {
    SCOPED_TRACE(testing::Message() << "alpha " << alpha << " add " << add);
    VColorLine source, target;
    source.Allocate(3);
    target.Allocate(3);
    FillLine(source, 0.9f, 0.9f, 0.9f, 0.1f);
    source.At(1)[3] = 0.11f;
    source.At(2)[3] = kNaN;
    FillLine(target, 0.2f, 0.3f, 0.4f, 0.6f);
    source.Combine(target, alpha, add);
    for (int i : {0, 2}) ExpectColor(target, i, {0.2f, 0.3f, 0.4f, 0.6f});
    EXPECT_GT(target.At(1)[0], 0.2f);
  }
  VColorLine wide, narrow;  // only the shorter length is combined
  wide.Allocate(800);
  narrow.Allocate(640);
  FillLine(wide, 1.0f, 0.5f, 0.25f, 1.0f);
  wide.Combine(narrow, 1.0f, 0.0f);
  for (int i : {0, 639}) ExpectColor(narrow, i, {1.0f, 0.5f, 0.25f, 1.0f});
  FillLine(wide, 0.1f, 0.1f, 0.1f, 0.3f);  // the other way round the tail stays
  narrow.Combine(wide, 0.5f, 0.5f);
  ExpectColor(wide, 639, {1.0f, 0.5f, 0.25f, 1.0f});
  ExpectColor(wide, 640, {0.1f, 0.1f, 0.1f, 0.3f});
}

TEST(VColorLineTest, WriteToSurfaceTruncatesClampsAndTouchesOnlyItsColours) {
  LogCapture capture;
  MemorySurface surface;
  std::memset(surface.pixels, 0xA5, 640 * 480 * 4);
  VColorLine line;
  line.Allocate(4);  // colour 3 is never set
  const float colours[3][4] = {{1.0f, 0.999f, 1.7f, -0.5f},
                               {0.5f, 0.2f, 0.0f, 0.0039f},
                               {kNaN, std::numeric_limits<float>::infinity(), -1.0f, 1e30f}};
  std::memcpy(line.At(0), colours, sizeof colours);
  line.WriteToSurface();
  // Component k lands in byte k: blue, green, red, then alpha in the fourth.
  EXPECT_EQ(0x00FFFEFFu, surface.Pixel(0, 0));
  EXPECT_EQ(0x0000337Fu, surface.Pixel(1, 0));
  EXPECT_EQ(0xFF00FF00u, surface.Pixel(2, 0));
  EXPECT_EQ(0u, surface.Pixel(3, 0));
  EXPECT_EQ(0xA5A5A5A5u, surface.Pixel(4, 0));
  EXPECT_EQ(0xA5A5A5A5u, surface.Pixel(0, 1));
  EXPECT_EQ(0, TheLog().RecordCount());
}

std::unique_ptr<FloatTrack> Constant(float value) {
  return std::make_unique<FloatTrack>(std::vector<FloatKey>{{0.0f, value}});
}

// Checks every colour of the line against (value(i), value(i), value(i), 1).
template <typename F>
void ExpectGrey(const VColorLine& line, F value) {
  for (int i = 0; i < line.Count(); ++i) {
    const float* c = line.At(i);
    ASSERT_NEAR(value(i), c[0], 1e-5) << "column " << i;
    ASSERT_TRUE(c[1] == c[0] && c[2] == c[0] && c[3] == 1.0f) << "column " << i;
  }
}

TEST(VEffectEndTest, BorderFollowsTheClampedSize) {
  LogCapture capture;
  // 0.99 leaves 6.4 columns, 3 a side; 0.99125 leaves 5.6, truncated to 5.
  // (1 - 0.025) x 640 stays in float: 624.00006, 312 a side (in double it would
  // round below 624 and give 311).
  const std::pair<float, int> cases[] = {{1.0f, 0},    {0.0f, 320}, {0.25f, 240}, {0.99f, 3},
                                         {0.99125f, 2}, {1.5f, 0},   {-0.5f, 320}, {-1e30f, 320},
                                         {0.025f, 312}};
  for (auto [size, border] : cases) {
    SCOPED_TRACE(testing::Message() << "size " << size);
    VEffectEnd effect;
    effect.line.Allocate(640);
    FillLine(effect.line, kNaN, kNaN, kNaN, kNaN);  // every colour gets written
    effect.sizeTrack = Constant(size);
    effect.fadeTrack = Constant(0.75f);
    effect.Render(0.0f);
    const int b = border;
    ExpectGrey(effect.line, [b](int i) { return i >= b && i < 640 - b ? 0.75 : 0.0; });
  }
}

TEST(VEffectWaveTest, LargeRipplesAndFlashPulsesAroundIt) {
  LogCapture capture;
  MemorySurface surface;
  VEffectWaveLarge large;
  VEffectWaveFlash flash;
  large.line.Allocate(640);
  flash.line.Allocate(640);
  large.Render(0.0f);
  EXPECT_EQ(0.0f, large.line.At(0)[0]);
  EXPECT_NEAR(0.5 + 0.2 * std::sin(10.0), large.line.At(320)[0], 1e-5);
  large.Render(2.0f);  // the ripple sways with sin(t)
  EXPECT_NEAR(0.5 + 0.2 * std::sin(10.0 + 2.0 * std::sin(2.0)), large.line.At(320)[0], 1e-5);
  const float pi = std::numbers::pi_v<float>;
  for (float t : {pi / 10.0f, 3.0f * pi / 10.0f, pi / 5.0f}) {  // sin(5t) = 1, -1, 0
    large.Render(t);
    flash.Render(t);
    const double factor = 1.0 + 0.5 * std::sin(5.0 * t);  // 1.5, 0.5, 1
    ExpectGrey(flash.line, [&](int i) { return factor * large.line.At(i)[0]; });
  }
}

TEST(VEffectScrollerTest, OffsetsPickTextureColumnAndRow) {
  LogCapture capture;
  MemorySurface surface;
  VEffectScroller scroller;
  scroller.line.Allocate(640);
  // Texel (c, r) of a 256 x 256 texture is (c, r, 255 - c).
  scroller.texture = MakeTexture(256, 256, [](int c, int r) {
    return Bgr{std::uint8_t(c), std::uint8_t(r), std::uint8_t(255 - c)};
  });
  const struct { float delta, ydelta, speed; int column, texColumn, texRow; } cases[] = {
      {0.5f, 0, 0, 0, 128, 0},      {0.5f, 0, 0, 320, 0, 0},  // wrapped
      {-0.25f, 0, 0, 0, 192, 0},    {-0.5f / 256, 0, 0, 0, 0, 0},  // -0.5 truncates to 0
      {0, 0.25f, 0, 0, 0, 64},      {0, -0.25f, 0, 0, 0, 192},
      {0.5f, 0.25f, 0, 6, 130, 64}, {0, 0, 0.25f, 0, 128, 0},  // speed 0.25 at t = 2
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - cases);
    scroller.deltaTrack = Constant(c.delta);
    scroller.yDeltaTrack = Constant(c.ydelta);
    scroller.speedTrack = Constant(c.speed);
    scroller.Render(2.0f);
    const float u = c.texColumn / 255.0f;
    ExpectColor(scroller.line, c.column, {u, c.texRow / 255.0f, 1.0f - u, 1.0f});
  }
  scroller.texture.reset();  // without texels the line is transparent
  FillLine(scroller.line, 1.0f, 1.0f, 1.0f, 1.0f);
  scroller.Render(0.0f);
  for (int i : {0, 320, 639}) EXPECT_EQ(0.0f, scroller.line.At(i)[3]) << i;
}

TEST(VEffectScrollerTest, WrapIndexIsTheTruncatedValueModuloTheSize) {
  // The definition, in double: fmod of the truncated value, a negative
  // remainder moved up by the size.
  auto byFmod = [](float value, int size) {
    double d = std::fmod(std::trunc(static_cast<double>(value)), static_cast<double>(size));
    if (d < 0.0) d += size;
    return d >= 0.0 ? std::min(static_cast<int>(d), size - 1) : 0;
  };
  const float two31 = 2147483648.0f;
  std::vector<float> values = {0.0f, -0.0f, 0.5f, -0.5f, 255.9f, 256.0f, -256.0f, -257.5f,
                               1.0e9f, -1.0e9f, 1.0e30f, -3.0e38f,
                               std::nextafter(two31, 0.0f), -std::nextafter(two31, 0.0f),
                               two31, -two31, 2.0f * two31, -2.0f * two31};
  for (std::uint32_t k = 0; k < 20000; ++k)  // spread over every exponent, both signs
    values.push_back(std::bit_cast<float>(k * 0x00035B2Du + 0x2F000000u * (k & 1)));
  for (int size : {1, 3, 256, 640, 1000003}) {
    for (float v : values)
      ASSERT_EQ(byFmod(v, size), WrapIndex(v, size)) << v << " mod " << size;
  }
  EXPECT_EQ(0, WrapIndex(kNaN, 256));
  EXPECT_EQ(0, WrapIndex(std::numeric_limits<float>::infinity(), 256));
  EXPECT_EQ(0, WrapIndex(5.0f, 0));
}

TEST(VListTest, EffectsGoToTheFrontAndThePoolGrowsByTen) {
  LogCapture capture;
  VList list;
  std::vector<VEffectEnd> effects(21);
  const int steps[][3] = {{1, 10, 9}, {10, 10, 0}, {11, 20, 9}, {21, 30, 9}};  // added, total, free
  int added = 0;
  for (const auto& s : steps) {
    while (added < s[0]) list.AddEffect(&effects[added++]);
    EXPECT_EQ(s[1], list.TotalNodes()) << added;
    EXPECT_EQ(s[2], list.FreeNodes()) << added;
  }
  int i = 20;  // the last added comes first
  for (VList::Node* n = list.First(); n != list.End(); n = n->next, --i) {
    ASSERT_GE(i, 0);
    EXPECT_EQ(&effects[i], n->element);
    EXPECT_EQ(n, n->next->previous);
  }
  EXPECT_EQ(-1, i);
}

// A source drawing into a 640-colour line on a 640 x 480 surface. Still
// particles never move, grow or turn: upright squares of half-width 0.25 at
// the origin, textured with 8 x 8 texels (10 + 30 c, 5 + 30 r, 200) and an
// alpha of 0.25 that particles ignore.
struct Rig {
  Rig() {
    line.Allocate(640);
    VSourceGravityParticle& s = source;
    s.gravity = s.speed = s.speedJitter = s.sizeJitter = s.growth = s.growthJitter = 0.0f;
    s.rotation = s.rotationJitter = s.spin = s.spinJitter = 0.0f;
    s.size = 0.25f;
    s.texture = MakeTexture(8, 8, [](int c, int r) {
      return Bgr{std::uint8_t(10 + 30 * c), std::uint8_t(5 + 30 * r), 200};
    }, 0.25f);
  }
  void RenderAt(float t) {
    TheParticles().time = t;
    TheParticles().target = &line;
    source.Render();
  }
  // Columns [from, to) carry alpha 1, all others alpha 0.
  void ExpectSpan(int from, int to) const {
    for (int i = 0; i < line.Count(); ++i)
      ASSERT_EQ(i >= from && i < to ? 1.0f : 0.0f, line.At(i)[3]) << "column " << i;
  }
  MemorySurface surface;
  VColorLine line;
  VSourceGravityParticle source;
};

TEST(ParticleRandomTest, SequenceFromProgramStart) {
  LogCapture capture;
  for (std::uint32_t r : {0x4F0626F7u, 0x9DDA55F8u, 0x2F3FBB19u, 0xFBABDA5Au})
    EXPECT_EQ(r, NextRandom());
  ResetParticlesForTest();
  for (int k : {247, 248, 25, 90}) EXPECT_FLOAT_EQ(k / 255.0f, NextRandomUnit()) << k;
}

TEST(VSourceGravityParticleTest, PrepareChecksTheSettings) {
  const std::string wrong = "wrong settings", invalid = "invalid number of particles";
  const struct { float interval, jitter; int count, detail; std::string text; } cases[] = {
      {0.25f, 0.25f, 100, 1, wrong}, {0.0f, 0.0f, 100, 1, wrong}, {0.25f, 0.0f, 0, 2, invalid},
      {0.25f, 0.0f, 100000, 2, invalid}, {0.25f, 0.0f, 99999, 0, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.interval << " " << c.jitter << " " << c.count);
    LogCapture capture;
    VSourceGravityParticle source;
    source.interval = c.interval;
    source.intervalJitter = c.jitter;
    source.particleCount = c.count;
    source.Prepare();
    EXPECT_EQ(c.detail == 0, source.ParticleArray() != nullptr);
    ASSERT_EQ(c.detail == 0 ? 0 : 1, TheLog().RecordCount());
    if (c.detail == 0) continue;
    const KolLogRecord& r = TheLog().Record(0);
    EXPECT_EQ(5, r.moduleCode);
    EXPECT_EQ("VSourceGravityParticle", r.moduleName);
    EXPECT_EQ(c.detail, r.detailCode);
    EXPECT_EQ("Error: " + c.text + "\n", capture.Text());
  }
}

TEST(VSourceGravityParticleTest, EmissionFollowsTheScheduleAndParticlesLiveTwentySeconds) {
  LogCapture capture;
  Rig rig;
  rig.source.Prepare();
  const VParticle* p = rig.source.ParticleArray();
  rig.RenderAt(0.0f);
  EXPECT_EQ(0.0f, p[0].birthTime);
  EXPECT_EQ(0.25f, rig.source.NextEmissionTime());
  rig.RenderAt(0.249f);
  EXPECT_EQ(-1.0f, p[1].birthTime);
  rig.RenderAt(0.25f);  // due exactly at its time
  EXPECT_EQ(0.25f, p[1].birthTime);

  // A first render at 30 emits 121 into a ring of 100, keeping births 5.25 to
  // 30.0, and those born at 10.0 or earlier are dead.
  Rig late;
  late.source.Prepare();
  late.RenderAt(30.0f);
  p = late.source.ParticleArray();
  for (int i = 0; i < 100; ++i) {
    const float birth = i <= 20 ? 25.0f + 0.25f * i : 0.25f * i;
    EXPECT_EQ(birth > 10.0f ? birth : -1.0f, p[i].birthTime) << i;
  }
  EXPECT_EQ(30.25f, late.source.NextEmissionTime());

  Rig last;  // drawn up to and including the end time, 500
  last.source.Prepare();
  for (float t : {500.0f, 500.01f}) {
    last.line.Clear();
    last.RenderAt(t);
    last.ExpectSpan(t == 500.0f ? 240 : 0, t == 500.0f ? 400 : 0);
  }
}

// A square spans 160 columns at centre row (y + 1) x 240. Its cut takes texel
// row 4 and walks the texel columns, each shown at 0.7 x its colour; off the
// left end the texture coordinate starts where the first visible column lies.
// Particles far off screen are passed over early, which must never drop one
// that reaches onto the line.
TEST(VSourceGravityParticleTest, OnlyVisibleSpansAreDrawnAndNoVisibleOneIsSkipped) {
  LogCapture capture;
  const float row = 1.0f / 240.0f, eighthTurn = std::numbers::pi_v<float> / 4.0f;
  const struct { float x, y, t; int from, to; std::vector<std::pair<int, int>> texels; } cases[] = {
      {0.0f, 0.0f, 0.0f, 240, 400, {{240, 0}, {250, 0}, {290, 2}, {330, 4}, {399, 7}}},
      {-1.0f, 0.0f, 0.0f, 0, 80, {{0, 4}, {9, 4}, {30, 5}, {70, 7}}},
      {1.0f, 0.0f, 0.0f, 560, 640, {{570, 0}, {610, 2}, {639, 3}}},
      // Centres off screen, edges on it; turned, the cut is the diagonal.
      {-1.24f, 0.0f, 0.0f, 0, 3, {}}, {1.24f, 0.0f, 0.0f, 636, 640, {}},
      {-1.34f, 0.0f, eighthTurn, 0, 4, {}}, {1.34f, 0.0f, eighthTurn, 635, 640, {}},
      {0.0f, -1.0f - 0.5f * row, 0.0f, 240, 400, {}},  // -0.5 truncates to row 0
      {0.0f, 1.0f - 0.5f * row, 0.0f, 240, 400, {}},   // row 479
      {0.0f, -1.0f - 1.5f * row, 0.0f, 0, 0, {}},      // row -1
      {0.0f, 1.0f + 0.5f * row, 0.0f, 0, 0, {}},       // row 480
      {1.25f, 0.0f, 0.0f, 0, 0, {}},                   // starts at the right end
      {-1.5f, 0.0f, 0.0f, 0, 0, {}}, {1e20f, 0.0f, 0.0f, 0, 0, {}},
      {-1e20f, 0.0f, 0.0f, 0, 0, {}}, {kNaN, 0.0f, 0.0f, 0, 0, {}},
      {0.0f, 1e20f, 0.0f, 0, 0, {}}, {0.0f, -1e20f, 0.0f, 0, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "x " << c.x << " y " << c.y << " turn " << c.t);
    Rig rig;
    rig.source.originX = c.x;
    rig.source.originY = c.y;
    rig.source.rotation = c.t;
    rig.source.Prepare();
    rig.RenderAt(0.0f);
    rig.ExpectSpan(c.from, c.to);
    for (auto [i, k] : c.texels)  // column i shows texel (k, 4)
      ExpectColor(rig.line, i, {0.7f * (10 + 30 * k) / 255, 0.7f * 125 / 255, 0.7f * 200 / 255, 1});
  }
  Rig bare;
  bare.source.texture.reset();  // no texture, nothing drawn
  bare.source.Prepare();
  bare.RenderAt(0.0f);
  bare.ExpectSpan(0, 0);
  EXPECT_EQ(0, TheLog().RecordCount());
}

TEST(VSourceGravityParticleTest, YoungerParticlesLieOnTop) {
  LogCapture capture;
  Rig rig;
  rig.source.spin = 2.0f * std::numbers::pi_v<float>;  // a quarter turn in 0.25 s
  rig.source.particleCount = 2;
  rig.source.Prepare();
  rig.RenderAt(0.5f);
  // Births 0, 0.25, 0.5 in a ring of two: slot 0 holds the youngest, and the
  // pass starts at the cursor, slot 1. The older square is turned (texel
  // column 4, rows along the cut), the younger upright and drawn last.
  EXPECT_EQ(0.5f, rig.source.ParticleArray()[0].birthTime);
  EXPECT_EQ(0.25f, rig.source.ParticleArray()[1].birthTime);
  // Each cover keeps target x 0.3 (a double) plus byte x the float 0x3B33E71B,
  // stored as a float: the older square first, the younger over it, exactly.
  const float weight = std::bit_cast<float>(0x3B33E71Bu);
  auto cover = [weight](float target, int byte) {
    return static_cast<float>(target * 0.3 + static_cast<float>(byte) * weight);
  };
  for (int k = 0; k < 8; ++k) {
    const int i = 250 + 20 * k;
    EXPECT_EQ(cover(cover(0.0f, 130), 10 + 30 * k), rig.line.At(i)[0]) << i;
    EXPECT_EQ(cover(cover(0.0f, 5 + 30 * k), 125), rig.line.At(i)[1]) << i;
    EXPECT_EQ(cover(cover(0.0f, 200), 200), rig.line.At(i)[2]) << i;
  }
}


// The largest image a texture accepts (256 MiB of 32-bit texels, from a 32-bit
// 8192 x 8192 TGA) serves a particle effect without any table of its size;
// one row more is refused with the image limit's own message.
TEST(VSourceGravityParticleTest, TheLargestAcceptedTextureServesAParticleEffect) {
  TempDir dir;
  auto tga = [&](int w, int h) {
    dir.Write("big.tga", TgaFile(2, w, h, 32, 0, ""));
    // Black texels without writing them: the file is extended with zeros.
    std::filesystem::resize_file(dir.PathOf("big.tga"), 18 + 4ull * w * h);
  };
  KolData source;
  {
    LogCapture capture;
    Rig rig;
    // The default source is set after the rig, which made its own texture.
    ASSERT_EQ(0, source.Open(kKindDirectory, dir.Path().c_str()));
    source.SetDefault(false);
    tga(8192, 8192);
    rig.source.texture = std::make_unique<VTex>();
    rig.source.texture->colorMap = "big.tga";
    rig.source.texture->Load();
    ASSERT_NE(nullptr, rig.source.texture->Texels()) << capture.Text();
    rig.source.particleCount = 2;
    rig.source.Prepare();
    FillLine(rig.line, 0.5f, 0.5f, 0.5f, 0.0f);
    rig.RenderAt(0.5f);
    // A black texel keeps 0.3 of what was there: two covers, 0.5 x 0.3 x 0.3.
    const float once = static_cast<float>(0.5f * 0.3), twice = static_cast<float>(once * 0.3);
    EXPECT_EQ(twice, rig.line.At(320)[0]);
    EXPECT_EQ(1.0f, rig.line.At(320)[3]);
    EXPECT_EQ(0, capture.Records()) << capture.Text();
  }
  {
    LogCapture capture;
    source.SetDefault(false);
    tga(8192, 8193);
    VTex texture;
    texture.colorMap = "big.tga";
    texture.Load();
    EXPECT_EQ(nullptr, texture.Texels());
    EXPECT_NE(std::string::npos,
              capture.Text().find("VBitmap: 8192x8193 pixels of 4 bytes exceed the 256 MiB image limit"))
        << capture.Text();
  }
}

TEST(VClockTest, SecondsAreTheMillisecondsTimesTheDouble0001StoredAsAFloat) {
  ASSERT_TRUE(plat::StartHeadless());
  VClock clock;
  clock.Start();
  // In float arithmetic 3000 x 0.001f would give 3.00000024.
  const std::pair<std::uint32_t, float> cases[] = {
      {3000, 3.0f}, {1, 0.001f}, {12345, 12.345f}, {51980, 51.98f}, {20, 0.02f}};
  for (auto [ms, seconds] : cases) {
    plat::headless::TheHeadless().tick = ms;
    EXPECT_EQ(seconds, clock.Seconds()) << ms;
  }
  plat::Shutdown();
}

// A 64-bit FNV-1a hash of a line's colour bits.
std::uint64_t Bits(const VColorLine& line) {
  std::uint64_t hash = 1469598103934665603ull;
  for (int i = 0; i < line.Count(); ++i)
    for (int k = 0; k < 4; ++k) {
      const std::uint32_t word = std::bit_cast<std::uint32_t>(line.At(i)[k]);
      for (int b = 0; b < 4; ++b) hash = (hash ^ ((word >> (8 * b)) & 0xFF)) * 1099511628211ull;
    }
  return hash;
}

// One line of each effect kind at a few times, bit for bit: any change in the
// order or the precision of the arithmetic shows here.
TEST(EffectFidelityTest, EveryKindRendersTheSameBitsAtEveryTime) {
  LogCapture capture;
  MemorySurface surface;
  const float times[] = {0.5f, 3.25f, 17.0f};
  std::vector<std::uint64_t> seen;

  VEffectEnd end;
  end.line.Allocate(640);
  end.sizeTrack = std::make_unique<FloatTrack>(std::vector<FloatKey>{{0, 0.1f}, {20, 0.9f}});
  end.fadeTrack = std::make_unique<FloatTrack>(std::vector<FloatKey>{{0, 1.0f}, {20, 0.2f}});
  VEffectWaveLarge large;
  VEffectWaveFlash flash;
  large.line.Allocate(640);
  flash.line.Allocate(640);
  VEffectScroller scroller;
  scroller.line.Allocate(640);
  scroller.texture = MakeTexture(16, 4, [](int c, int r) {
    return Bgr{std::uint8_t(7 * c + 3 * r), std::uint8_t(255 - 11 * c), std::uint8_t(40 * r + 1)};
  }, 0.8f);
  scroller.deltaTrack = Constant(0.37f);
  scroller.speedTrack = Constant(1.3f);
  scroller.yDeltaTrack = Constant(0.11f);
  scroller.ySpeedTrack = Constant(0.7f);
  for (float t : times) {
    for (VEffect* effect : std::initializer_list<VEffect*>{&end, &large, &flash, &scroller}) {
      effect->Render(t);
      seen.push_back(Bits(effect->line));
    }
  }

  ResetParticlesForTest();
  Rig rig;
  rig.source.speed = 0.4f;
  rig.source.speedJitter = 0.2f;
  rig.source.gravity = 0.3f;
  rig.source.spin = 1.5f;
  rig.source.growth = 0.05f;
  rig.source.particleCount = 50;
  rig.source.Prepare();
  for (float t : times) {
    FillLine(rig.line, 0.1f, 0.2f, 0.3f, 0.0f);
    rig.RenderAt(t);
    seen.push_back(Bits(rig.line));
  }
  const std::vector<std::uint64_t> expected = {
      9558210718349864535u,  8401353234969460031u,  7549652904084777094u,  15854301193153175203u,
      15087959640948935715u, 17731735801924079459u, 16401495694320134065u, 6240967764556535011u,
      17178752700262548171u, 13852797711775664497u, 10810424734575189837u, 13718147029214573059u,
      13582363285052582067u, 11688288308413738999u, 2278520075535120595u};
  EXPECT_EQ(expected, seen);
}

}  // namespace
