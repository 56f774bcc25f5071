#include "VColorLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "EngineTestUtil.h"
#include "KolLog.h"
#include "MemorySurface.h"
#include "TestSupport.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<float> Floats(const VColorLine& line) {
  if (line.Count() == 0) return {};
  return std::vector<float>(line.Colors(), line.Colors() + 4 * line.Count());
}

void ExpectColor(const VColorLine& line, int i, float c0, float c1, float c2, float a) {
  SCOPED_TRACE(testing::Message() << "colour " << i);
  const float* c = line.At(i);
  EXPECT_NEAR(c0, c[0], 1e-6);
  EXPECT_NEAR(c1, c[1], 1e-6);
  EXPECT_NEAR(c2, c[2], 1e-6);
  EXPECT_NEAR(a, c[3], 1e-6);
}

bool AnyNaN(const VColorLine& line) {
  for (float f : Floats(line))
    if (std::isnan(f)) return true;
  return false;
}

const unsigned char* Row0Bytes(const MemorySurface& surface) {
  return reinterpret_cast<const unsigned char*>(surface.pixels);
}

TEST(VColorLineTest, AllocateGivesZeroedColoursAndClearZeroesAgain) {
  LogCapture capture;
  VColorLine line;
  EXPECT_EQ(0, line.Count());
  EXPECT_EQ(nullptr, line.Colors());
  line.Clear();  // nothing to clear, nothing to break

  line.Allocate(7);
  ASSERT_EQ(7, line.Count());
  EXPECT_EQ(std::vector<float>(28, 0.0f), Floats(line));

  FillLine(line, 0.3f, -2.0f, 9.0f, 0.5f);
  line.Clear();
  EXPECT_EQ(std::vector<float>(28, 0.0f), Floats(line));

  // A new allocation replaces the old colours entirely.
  FillLine(line, 1.0f, 1.0f, 1.0f, 1.0f);
  line.Allocate(3);
  EXPECT_EQ(std::vector<float>(12, 0.0f), Floats(line));

  for (int n : {0, -4}) {
    line.Allocate(n);
    EXPECT_EQ(0, line.Count());
    line.Clear();
  }
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

// Which blend Combine picks, told apart by the result on a half-transparent
// source (0.8, 0.6, 0.4, 0.5) over (0.2, 0.2, 0.2, 0.7).
TEST(VColorLineTest, CombinePicksTheBlendByTheThresholds) {
  LogCapture capture;
  struct Case {
    float alpha, add;
    float c0, c1, c2, a;
  };
  const Case cases[] = {
      // alpha below 0.001: additive with add, whatever add is
      {0.0005f, 0.0f, 0.2f, 0.2f, 0.2f, 0.7f},
      {0.0f, 0.0f, 0.2f, 0.2f, 0.2f, 0.7f},
      {0.0005f, 0.5f, 0.4f, 0.35f, 0.3f, 0.825f},
      {-1.0f, 0.5f, 0.4f, 0.35f, 0.3f, 0.825f},
      // alpha 0.001 and more, add below 0.001: alpha blending, alpha replaced
      {0.001f, 0.0f, 0.2003f, 0.2002f, 0.2001f, 0.0005f},
      {1.0f, 0.0f, 0.5f, 0.4f, 0.3f, 0.5f},
      {1.0f, 0.0009f, 0.5f, 0.4f, 0.3f, 0.5f},
      {1.0f, -3.0f, 0.5f, 0.4f, 0.3f, 0.5f},
      // add 0.001 and more: mixed with weight alpha + add
      {0.5f, 0.001f, 0.3503f, 0.3002f, 0.2501f, 0.2505f},
      {0.5f, 0.5f, 0.5f, 0.4f, 0.3f, 0.5f},
      {1.0f, 1.0f, 0.8f, 0.6f, 0.4f, 1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "alpha " << c.alpha << " add " << c.add);
    VColorLine source, target;
    source.Allocate(3);
    target.Allocate(3);
    FillLine(source, 0.8f, 0.6f, 0.4f, 0.5f);
    FillLine(target, 0.2f, 0.2f, 0.2f, 0.7f);
    source.Combine(target, c.alpha, c.add);
    for (int i = 0; i < 3; ++i) ExpectColor(target, i, c.c0, c.c1, c.c2, c.a);
  }
}

TEST(VColorLineTest, OpaqueSourceCopiesOrOvershootsWithoutClamping) {
  LogCapture capture;
  VColorLine source, target;
  source.Allocate(2);
  target.Allocate(2);
  SetColor(source, 0, 0.5f, 0.25f, 1.0f, 1.0f);
  SetColor(source, 1, 1.5f, -0.5f, 0.0f, 1.0f);  // out of range survives blending

  for (auto [alpha, add] : {std::pair{1.0f, 0.0f}, std::pair{0.5f, 0.5f}}) {
    SCOPED_TRACE(testing::Message() << "alpha " << alpha << " add " << add);
    FillLine(target, 0.2f, 0.4f, 0.6f, 0.3f);
    source.Combine(target, alpha, add);
    EXPECT_EQ(std::vector<float>({0.5f, 0.25f, 1.0f, 1.0f, 1.5f, -0.5f, 0.0f, 1.0f}),
              Floats(target));
  }

  // Weight 2: t = 2s - t and an alpha of 2.
  FillLine(target, 0.2f, 0.4f, 0.6f, 0.3f);
  source.Combine(target, 1.0f, 1.0f);
  ExpectColor(target, 0, 0.8f, 0.1f, 1.4f, 2.0f);
  ExpectColor(target, 1, 2.8f, -1.4f, -0.6f, 2.0f);

  // The additive weight is add x s.alpha, applied to alpha too.
  SetColor(source, 0, 0.5f, 0.25f, 1.0f, 0.5f);
  FillLine(target, 0.2f, 0.4f, 0.6f, 0.3f);
  source.BlendAdd(target, 0.4f);
  ExpectColor(target, 0, 0.3f, 0.45f, 0.8f, 0.4f);
}

TEST(VColorLineTest, SourceColoursAtOrBelowAlphaOneTenthTakeNoPart) {
  LogCapture capture;
  struct Weights {
    float alpha, add;
  };
  // One pair per blend: alpha, mixed, additive.
  for (Weights w : {Weights{1.0f, 0.0f}, Weights{0.5f, 0.5f}, Weights{0.0f, 1.0f}}) {
    SCOPED_TRACE(testing::Message() << "alpha " << w.alpha << " add " << w.add);
    VColorLine source, target;
    source.Allocate(5);
    target.Allocate(5);
    SetColor(source, 0, 0.9f, 0.9f, 0.9f, 0.1f);
    SetColor(source, 1, 0.9f, 0.9f, 0.9f, 0.11f);
    SetColor(source, 2, 0.9f, 0.9f, 0.9f, 0.0f);
    SetColor(source, 3, 0.9f, 0.9f, 0.9f, kNaN);
    SetColor(source, 4, 0.9f, 0.9f, 0.9f, -1.0f);
    FillLine(target, 0.2f, 0.3f, 0.4f, 0.6f);
    source.Combine(target, w.alpha, w.add);
    for (int i : {0, 2, 3, 4}) ExpectColor(target, i, 0.2f, 0.3f, 0.4f, 0.6f);
    EXPECT_GT(target.At(1)[0], 0.2f);
    EXPECT_FALSE(AnyNaN(target));
  }
}

TEST(VColorLineTest, WeightsThatAreNotNumbersCountAsZero) {
  LogCapture capture;
  VColorLine source, target;
  source.Allocate(1);
  target.Allocate(1);
  SetColor(source, 0, 0.8f, 0.6f, 0.4f, 1.0f);
  auto reset = [&] { FillLine(target, 0.2f, 0.2f, 0.2f, 0.7f); };

  reset();
  source.Combine(target, kNaN, 0.0f);  // additive with 0
  ExpectColor(target, 0, 0.2f, 0.2f, 0.2f, 0.7f);
  reset();
  source.Combine(target, kNaN, 1.0f);  // additive with 1
  ExpectColor(target, 0, 1.0f, 0.8f, 0.6f, 1.7f);
  reset();
  source.Combine(target, 1.0f, kNaN);  // alpha blending with 1
  ExpectColor(target, 0, 0.8f, 0.6f, 0.4f, 1.0f);
  reset();
  source.Combine(target, kNaN, kNaN);
  ExpectColor(target, 0, 0.2f, 0.2f, 0.2f, 0.7f);

  // The blends called directly.
  reset();
  source.BlendAdd(target, kNaN);
  ExpectColor(target, 0, 0.2f, 0.2f, 0.2f, 0.7f);
  reset();
  source.BlendAlpha(target, kNaN);
  ExpectColor(target, 0, 0.2f, 0.2f, 0.2f, 0.0f);
  reset();
  source.BlendMixed(target, kNaN, 0.5f);
  ExpectColor(target, 0, 0.5f, 0.4f, 0.3f, 0.5f);
  reset();
  source.BlendMixed(target, kNaN, kNaN);
  EXPECT_FALSE(AnyNaN(target));
}

TEST(VColorLineTest, OnlyTheShorterLengthIsCombined) {
  LogCapture capture;
  VColorLine wide, narrow;
  wide.Allocate(800);
  narrow.Allocate(640);
  FillLine(wide, 1.0f, 0.5f, 0.25f, 1.0f);
  wide.Combine(narrow, 1.0f, 0.0f);
  for (int i : {0, 320, 639}) ExpectColor(narrow, i, 1.0f, 0.5f, 0.25f, 1.0f);

  // The other way round, the target's tail stays as it was.
  FillLine(wide, 0.1f, 0.1f, 0.1f, 0.3f);
  FillLine(narrow, 0.9f, 0.9f, 0.9f, 1.0f);
  for (auto [alpha, add] : {std::pair{1.0f, 0.0f}, std::pair{0.5f, 0.5f}, std::pair{0.0f, 1.0f}})
    narrow.Combine(wide, alpha, add);
  EXPECT_NE(0.1f, wide.At(639)[0]);
  for (int i : {640, 700, 799}) ExpectColor(wide, i, 0.1f, 0.1f, 0.1f, 0.3f);

  // Empty lines on either side change nothing.
  VColorLine empty;
  empty.Combine(narrow, 1.0f, 1.0f);
  narrow.Combine(empty, 1.0f, 1.0f);
  ExpectColor(narrow, 0, 0.9f, 0.9f, 0.9f, 1.0f);
}

TEST(VColorLineTest, WriteToSurfaceTruncatesAndClampsEveryComponent) {
  LogCapture capture;
  MemorySurface surface;
  VColorLine line;
  line.Allocate(4);
  SetColor(line, 0, 1.0f, 0.999f, 1.7f, -0.5f);
  SetColor(line, 1, 0.5f, 0.2f, 0.0f, 0.0039f);
  SetColor(line, 2, kNaN, kInf, -kInf, 1e30f);
  SetColor(line, 3, 0.25f, 0.75f, -0.0f, 254.9f / 255.0f);
  line.WriteToSurface();
  const unsigned char* b = Row0Bytes(surface);
  EXPECT_EQ(std::vector<unsigned char>({255, 254, 255, 0,  //
                                        127, 51, 0, 0,     //
                                        0, 255, 0, 255,    //
                                        63, 191, 0, 254}),
            std::vector<unsigned char>(b, b + 16));
  // Component k lands in byte k: blue, green, red, then alpha in the fourth.
  EXPECT_EQ(0x00FFFEFFu, surface.Pixel(0, 0));
  EXPECT_EQ(0u, surface.Pixel(4, 0));
}

TEST(VColorLineTest, WriteToSurfaceTouchesOnlyTheFirstPixelsOfRowZero) {
  LogCapture capture;
  MemorySurface surface;
  std::memset(surface.pixels, 0xA5, 640 * 480 * 4);
  constexpr std::uint32_t kUntouched = 0xA5A5A5A5u;

  // A line nothing was drawn into is black, fourth byte included.
  VColorLine shortLine;
  shortLine.Allocate(100);
  shortLine.WriteToSurface();
  EXPECT_EQ(0u, surface.Pixel(0, 0));
  EXPECT_EQ(0u, surface.Pixel(99, 0));
  EXPECT_EQ(kUntouched, surface.Pixel(100, 0));
  EXPECT_EQ(kUntouched, surface.Pixel(639, 0));
  EXPECT_EQ(kUntouched, surface.Pixel(0, 1));

  // A line wider than the surface stops at the row's end.
  VColorLine wide;
  wide.Allocate(800);
  FillLine(wide, 1.0f, 1.0f, 1.0f, 1.0f);
  wide.WriteToSurface();
  EXPECT_EQ(0xFFFFFFFFu, surface.Pixel(639, 0));
  for (int x : {0, 159, 160, 639}) EXPECT_EQ(kUntouched, surface.Pixel(x, 1)) << x;

  // Without a current surface there is nothing to write to.
  SetCurrentSurface(nullptr);
  shortLine.WriteToSurface();
  EXPECT_EQ(0xFFFFFFFFu, surface.Pixel(0, 0));
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

}  // namespace
