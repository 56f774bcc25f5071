#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

#include "EngineTestUtil.h"
#include "KolLog.h"
#include "MemorySurface.h"
#include "TestSupport.h"
#include "VEffectEnd.h"
#include "VEffectScroller.h"
#include "VEffectWave.h"
#include "VList.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::unique_ptr<FloatTrack> Constant(float value) {
  return std::make_unique<FloatTrack>(std::vector<FloatKey>{{0.0f, value}});
}

std::unique_ptr<FloatTrack> Ramp(float t0, float v0, float t1, float v1) {
  return std::make_unique<FloatTrack>(std::vector<FloatKey>{{t0, v0}, {t1, v1}});
}

// Checks every colour of the line against (value(i), value(i), value(i), 1).
template <typename F>
void ExpectGrey(const VColorLine& line, F value, double tolerance = 1e-6) {
  for (int i = 0; i < line.Count(); ++i) {
    const float* c = line.At(i);
    const double v = value(i);
    ASSERT_NEAR(v, c[0], tolerance) << "column " << i;
    ASSERT_EQ(c[0], c[1]) << "column " << i;
    ASSERT_EQ(c[0], c[2]) << "column " << i;
    ASSERT_EQ(1.0f, c[3]) << "column " << i;
  }
}

TEST(VEffectTest, ActiveFromStartUpToButExcludingEnd) {
  LogCapture capture;
  VEffectEnd effect;
  effect.startTime = 2.0f;
  effect.endTime = 5.0f;
  EXPECT_FALSE(effect.ActiveAt(1.999f));
  EXPECT_TRUE(effect.ActiveAt(2.0f));
  EXPECT_TRUE(effect.ActiveAt(4.999f));
  EXPECT_FALSE(effect.ActiveAt(5.0f));
  effect.endTime = 2.0f;
  for (float t : {1.0f, 2.0f, 3.0f}) EXPECT_FALSE(effect.ActiveAt(t)) << t;
  EXPECT_FALSE(effect.ActiveAt(kNaN));

  EXPECT_EQ(0.0f, TrackAt(nullptr, 3.0f));
  EXPECT_EQ(0.25f, TrackAt(Ramp(2.0f, 0.0f, 6.0f, 1.0f), 3.0f));
}

TEST(VEffectEndTest, BorderFollowsTheCoveredFraction) {
  LogCapture capture;
  struct Case {
    float size;
    int border;
  };
  // 0.99 leaves 6.4 columns: 6 after truncation, 3 per side; 0.99125 leaves
  // 5.6, truncated (not rounded) to 5, so 2 per side.
  // Sizes outside 0..1 are held to the nearest end of the range.
  const Case cases[] = {{1.0f, 0},   {0.0f, 320},  {0.25f, 240}, {0.5f, 160},
                        {0.99f, 3},  {0.99125f, 2}, {0.999f, 0},  {1.5f, 0},    {-0.5f, 320},
                        {100.0f, 0}, {-1e30f, 320}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "size " << c.size);
    VEffectEnd effect;
    effect.line.Allocate(640);
    FillLine(effect.line, kNaN, kNaN, kNaN, kNaN);  // every colour gets written
    effect.sizeTrack = Constant(c.size);
    effect.fadeTrack = Constant(0.75f);
    effect.Render(0.0f);
    ExpectGrey(effect.line, [&](int i) { return i >= c.border && i < 640 - c.border ? 0.75 : 0.0; });
  }
}

TEST(VEffectEndTest, OddWidthsAndTracksAtAbsoluteTime) {
  LogCapture capture;
  VEffectEnd effect;
  effect.line.Allocate(641);
  effect.sizeTrack = Constant(0.0f);
  effect.fadeTrack = Constant(1.0f);
  effect.Render(0.0f);  // border 320 on both sides leaves the middle column lit
  ExpectGrey(effect.line, [](int i) { return i == 320 ? 1.0 : 0.0; });

  effect.sizeTrack = Constant(0.5f);  // 320.5 covered: border 160, 321 lit
  effect.Render(0.0f);
  ExpectGrey(effect.line, [](int i) { return i >= 160 && i < 481 ? 1.0 : 0.0; });

  effect.line.Allocate(640);
  effect.startTime = 10.0f;
  effect.sizeTrack = Ramp(10.0f, 0.0f, 20.0f, 1.0f);
  effect.fadeTrack = Ramp(10.0f, 0.0f, 20.0f, 1.0f);
  effect.Render(15.0f);
  ExpectGrey(effect.line, [](int i) { return i >= 160 && i < 480 ? 0.5 : 0.0; });

  // No tracks: size 0 and fade 0, an opaque black line.
  effect.sizeTrack.reset();
  effect.fadeTrack.reset();
  effect.Render(15.0f);
  ExpectGrey(effect.line, [](int) { return 0.0; });
}

double Wave(int column, double t) {
  const double x = column / 640.0;
  return x + 0.2 * std::sin(20.0 * (x + 0.1 * std::sin(t)));
}

TEST(VEffectWaveTest, LargeIsARampWithASwayingRipple) {
  LogCapture capture;
  MemorySurface surface;
  VEffectWaveLarge wave;
  wave.line.Allocate(640);
  wave.Render(0.0f);
  EXPECT_EQ(0.0f, wave.line.At(0)[0]);
  ExpectGrey(wave.line, [](int i) { return Wave(i, 0.0); }, 1e-5);
  EXPECT_NEAR(0.5 + 0.2 * std::sin(10.0), wave.line.At(320)[0], 1e-5);

  wave.Render(2.0f);
  ExpectGrey(wave.line, [](int i) { return Wave(i, 2.0); }, 1e-5);
}

TEST(VEffectWaveTest, LargeSpreadsOverTheSurfaceWidth) {
  LogCapture capture;
  MemorySurface surface(320, 200);
  VEffectWaveLarge wave;
  wave.line.Allocate(320);
  wave.Render(0.0f);
  ExpectGrey(wave.line, [](int i) { return Wave(2 * i, 0.0); }, 1e-5);
}

TEST(VEffectWaveTest, FlashPulsesBetweenHalfAndOneAndAHalfTimesLarge) {
  LogCapture capture;
  MemorySurface surface;
  VEffectWaveLarge large;
  VEffectWaveFlash flash;
  large.line.Allocate(640);
  flash.line.Allocate(640);
  const float pi = std::numbers::pi_v<float>;
  struct Case {
    float t;
    double factor;
  };
  // sin(5t) = 1, -1 and 0.
  for (Case c : {Case{pi / 10.0f, 1.5}, Case{3.0f * pi / 10.0f, 0.5}, Case{pi / 5.0f, 1.0}}) {
    SCOPED_TRACE(testing::Message() << "t " << c.t);
    large.Render(c.t);
    flash.Render(c.t);
    ExpectGrey(flash.line, [&](int i) { return c.factor * large.line.At(i)[0]; }, 1e-5);
  }
}

// A 256 x 256 texture whose texel (c, r) is (c, r, 255 - c) with alpha 255,
// except texel columns 200 and 201, with alpha 25 and 26.
std::unique_ptr<VTex> ScrollTexture() {
  return MakeTexture(256, 256, [](int c, int r) {
    const int a = c == 200 ? 25 : c == 201 ? 26 : 255;
    return Texel{static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(r),
                 static_cast<std::uint8_t>(255 - c), static_cast<std::uint8_t>(a)};
  });
}

TEST(VEffectScrollerTest, OffsetsPickTextureColumnAndRow) {
  LogCapture capture;
  MemorySurface surface;
  VEffectScroller scroller;
  scroller.line.Allocate(640);
  scroller.texture = ScrollTexture();
  ASSERT_EQ(Texel({10, 20, 245, 255}), TexelAt(*scroller.texture, 10, 20));

  struct Case {
    float delta, speed, ydelta, yspeed, t;
    int screenColumn, texColumn, texRow;
  };
  constexpr float kHalfTexel = 0.5f / 256.0f;
  const Case cases[] = {
      {0.5f, 0, 0, 0, 0, 0, 128, 0},
      {0.5f, 0, 0, 0, 0, 320, 0, 0},  // wrapped
      {0.5f, 0, 0, 0, 0, 639, 127, 0},
      {-0.25f, 0, 0, 0, 0, 0, 192, 0},  // -64 wrapped
      {-0.25f, 0, 0, 0, 0, 1, 193, 0},
      {-0.25f, 0, 0, 0, 0, 160, 0, 0},
      {-kHalfTexel, 0, 0, 0, 0, 0, 0, 0},  // -0.5 truncates to 0, not to -1
      {3.0f, 0, 0, 0, 0, 0, 0, 0},
      {1e20f, 0, 0, 0, 0, 100, 0, 0},  // far beyond any int: still column 0
      {kNaN, 0, 0, 0, 0, 100, 0, 0},
      {0, 0.25f, 0, 0, 2.0f, 0, 128, 0},  // speed x t
      {0, 0, 0.25f, 0, 0, 0, 0, 64},
      {0, 0, -0.25f, 0, 0, 0, 0, 192},
      {0, 0, 1.25f, 0, 0, 12, 4, 64},
      {0, 0, -kHalfTexel, 0, 0, 0, 0, 0},
      {0, 0, 0, 0.1f, 2.5f, 0, 0, 64},  // yspeed x t
      {0.5f, 0, 0.25f, 0, 0, 6, 130, 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "delta " << c.delta << " speed " << c.speed << " ydelta "
                                    << c.ydelta << " yspeed " << c.yspeed << " t " << c.t
                                    << " column " << c.screenColumn);
    scroller.deltaTrack = Constant(c.delta);
    scroller.speedTrack = Constant(c.speed);
    scroller.yDeltaTrack = Constant(c.ydelta);
    scroller.ySpeedTrack = Constant(c.yspeed);
    scroller.Render(c.t);
    const float* col = scroller.line.At(c.screenColumn);
    EXPECT_NEAR(c.texColumn / 255.0, col[0], 1e-6);
    EXPECT_NEAR(c.texRow / 255.0, col[1], 1e-6);
    EXPECT_NEAR((255 - c.texColumn) / 255.0, col[2], 1e-6);
    EXPECT_NEAR(1.0, col[3], 1e-6);
  }

  // Tracks are read at the absolute demo time.
  scroller.startTime = 10.0f;
  scroller.deltaTrack = Ramp(10.0f, 0.0f, 20.0f, 1.0f);
  scroller.speedTrack.reset();
  scroller.yDeltaTrack.reset();
  scroller.ySpeedTrack.reset();
  scroller.Render(15.0f);
  EXPECT_NEAR(128 / 255.0, scroller.line.At(0)[0], 1e-6);
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

TEST(VEffectScrollerTest, TexelAlphaAboveOneTenthDecidesWhatCombines) {
  LogCapture capture;
  MemorySurface surface;
  VEffectScroller scroller;
  scroller.line.Allocate(640);
  scroller.texture = ScrollTexture();
  scroller.deltaTrack = Constant(200.0f / 256.0f);  // 0.4 texel columns per screen column
  scroller.Render(0.0f);
  EXPECT_NEAR(25 / 255.0, scroller.line.At(0)[3], 1e-6);  // texel column 200
  EXPECT_NEAR(26 / 255.0, scroller.line.At(3)[3], 1e-6);  // texel column 201

  VColorLine main;
  main.Allocate(640);
  FillLine(main, 0.5f, 0.5f, 0.5f, 1.0f);
  scroller.line.Combine(main, 1.0f, 0.0f);
  EXPECT_EQ(0.5f, main.At(0)[0]);
  EXPECT_EQ(1.0f, main.At(0)[3]);
  EXPECT_NEAR(26 / 255.0, main.At(3)[3], 1e-6);
  EXPECT_NEAR(0.5 + 26 / 255.0 * (201 / 255.0 - 0.5), main.At(3)[0], 1e-6);
  EXPECT_NEAR(202 / 255.0, main.At(6)[0], 1e-6);  // an opaque texel replaces
}

TEST(VEffectScrollerTest, WithoutTexelsTheLineIsTransparent) {
  LogCapture capture;
  MemorySurface surface;
  VEffectScroller scroller;
  scroller.line.Allocate(640);
  scroller.deltaTrack = Constant(0.5f);
  FillLine(scroller.line, 1.0f, 1.0f, 1.0f, 1.0f);
  scroller.Render(0.0f);
  for (int i : {0, 320, 639}) EXPECT_EQ(0.0f, scroller.line.At(i)[3]) << i;
  EXPECT_EQ(0.0f, scroller.line.At(17)[0]);

  // A texture whose load failed has no texels either.
  scroller.texture = std::make_unique<VTex>();
  scroller.texture->colorMap = "missing.tga";
  scroller.texture->Load();
  ASSERT_EQ(nullptr, scroller.texture->Texels());
  const int records = GlobalLog().RecordCount();
  FillLine(scroller.line, 1.0f, 1.0f, 1.0f, 1.0f);
  scroller.Render(0.0f);
  EXPECT_EQ(0.0f, scroller.line.At(100)[3]);
  EXPECT_EQ(records, GlobalLog().RecordCount());
}

// One frame as the demo runs it: clear the main line, render and combine the
// active effects in list order, write the result out.
void RenderFrame(const VList& effects, VColorLine& main, float t) {
  main.Clear();
  for (VList::Node* n = effects.First(); n != effects.End(); n = n->next) {
    VEffect& e = *n->element;
    if (!e.ActiveAt(t)) continue;
    e.Render(t);
    e.line.Combine(main, TrackAt(e.alphaTrack, t), TrackAt(e.addTrack, t));
  }
  main.WriteToSurface();
}

TEST(VEffectTest, TheFirstEffectAddedIsCombinedLastOnTop) {
  LogCapture capture;
  MemorySurface surface;
  auto end = std::make_unique<VEffectEnd>();
  end->line.Allocate(640);
  end->endTime = 10.0f;
  end->sizeTrack = Constant(0.5f);
  end->fadeTrack = Constant(1.0f);
  end->alphaTrack = Constant(1.0f);
  auto wave = std::make_unique<VEffectWaveLarge>();
  wave->line.Allocate(640);
  wave->endTime = 5.0f;
  wave->alphaTrack = Constant(1.0f);
  VList effects;
  effects.AddEffect(end.get());
  effects.AddEffect(wave.get());

  VColorLine main;
  main.Allocate(640);
  RenderFrame(effects, main, 0.0f);
  // The end bar is opaque and on top: white in the middle, black elsewhere.
  EXPECT_EQ(0xFF000000u, surface.Pixel(0, 0));
  EXPECT_EQ(0xFFFFFFFFu, surface.Pixel(320, 0));
  EXPECT_EQ(0xFF000000u, surface.Pixel(639, 0));

  // Once nothing is active the frame is black with a fourth byte 0.
  RenderFrame(effects, main, 10.0f);
  for (int x : {0, 320, 639}) EXPECT_EQ(0u, surface.Pixel(x, 0)) << x;
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

}  // namespace
