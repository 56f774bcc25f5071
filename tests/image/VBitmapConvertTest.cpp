#include <gtest/gtest.h>

#include "ImageTestUtil.h"

namespace {

const std::string kRefused = "VBitmap::Convert: requested conversion is unimplemented\n";

TEST(VBitmapConvertTest, ReachableTargetsGiveTheExpectedBytes) {
  struct Case {
    int width, height;
    std::vector<int> from;
    Bytes pixels;
    std::vector<int> to;
    Bytes expected;
  };
  const Bytes px = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  const std::vector<Case> cases = {
      // A decoded JPEG to the texture layout: alpha added opaque, BGR, bottom row first.
      {2, 2, {kB24, kRgb, kLeft, kUp}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       {kB32, kBgr, kLeft, kDown}, {9, 8, 7, 255, 12, 11, 10, 255, 3, 2, 1, 255, 6, 5, 4, 255}},
      {2, 1, {kB08, kGray, kLeft, kDown}, {5, 200}, {kB24, kBgr, kLeft, kDown},
       {5, 5, 5, 200, 200, 200}},
      {2, 1, {kB08, kGray, kLeft, kDown}, {5, 200}, {kB32, kBgr, kLeft, kDown},
       {5, 5, 5, 255, 200, 200, 200, 255}},
      // Grey is the first byte: blue for BGR, red for RGB.
      {1, 1, {kB32, kBgr, kLeft, kDown}, {10, 20, 30, 40}, {kB08, kGray, kLeft, kDown}, {10}},
      {1, 1, {kB24, kRgb, kLeft, kDown}, {10, 20, 30}, {kB08, kGray, kLeft, kDown}, {10}},
      {1, 1, {kB32, kRgb, kLeft, kDown}, {1, 2, 3, 4}, {kB24, kRgb, kLeft, kDown}, {1, 2, 3}},
      // Mirroring keeps the middle pixel; flipping swaps the two rows.
      {3, 2, {kB24, kRgb, kLeft, kUp}, px, {kB24, kRgb, kRight, kUp},
       {7, 8, 9, 4, 5, 6, 1, 2, 3, 16, 17, 18, 13, 14, 15, 10, 11, 12}},
      {3, 2, {kB24, kRgb, kLeft, kUp}, px, {kB24, kRgb, kLeft, kDown},
       {10, 11, 12, 13, 14, 15, 16, 17, 18, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {2, 3, {kB08, kGray, kLeft, kDown}, {1, 2, 3, 4, 5, 6}, {kB08, kGray, kRight, kUp},
       {6, 5, 4, 3, 2, 1}},
      {2, 1, {kB32, kBgr, kLeft, kDown}, {1, 2, 3, 4, 5, 6, 7, 8}, {kB32, kBgr, kRight, kDown},
       {5, 6, 7, 8, 1, 2, 3, 4}},
  };
  LogCapture log;
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const Case& c = cases[i];
    VBitmap b;
    Make(b, c.width, c.height, c.from[0], c.from[1], c.from[2], c.from[3], c.pixels);
    b.alphaKind = kAlphaMap;
    ASSERT_EQ(0, b.Convert(b.WithCodes(c.to[0], c.to[1], c.to[2], c.to[3])));
    EXPECT_EQ(c.to, CodesOf(b));
    EXPECT_EQ(c.expected, PixelsOf(b));
    // Only dropping the alpha bytes forgets where alpha came from.
    EXPECT_EQ(c.from[0] == kB32 && c.to[0] != kB32 ? kAlphaNone : kAlphaMap, b.alphaKind);
  }
  EXPECT_EQ("", log.Text());
}

TEST(VBitmapConvertTest, EqualTargetsAndNameChangesLeaveThePixelsAlone) {
  LogCapture log;
  VBitmap b;
  b.name = "a.tga";
  b.fileType = kFileTga;
  Make(b, 2, 1, kB24, kBgr, kLeft, kDown, {1, 2, 3, 4, 5, 6});
  const std::uint8_t* before = b.Pixels();
  EXPECT_EQ(0, b.Convert(b));
  VBFormat renamed = b;
  renamed.name = "b.jpg";
  renamed.fileType = kFileJpeg;
  EXPECT_EQ(0, b.Convert(renamed));
  EXPECT_TRUE(b.Equals(renamed));
  EXPECT_EQ(before, b.Pixels());
  EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6}), PixelsOf(b));

  // Without pixels nothing can be converted, and nothing is said.
  VBitmap empty;
  empty.width = empty.height = 2;
  EXPECT_EQ(1, empty.Convert(empty.WithCodes(kB24, kRgb, kLeft, kUp)));
  EXPECT_EQ("", log.Text());
}

TEST(VBitmapConvertTest, UnreachableTargetsAreRefusedWithBothFormats) {
  {
    LogCapture log;
    VBitmap b;
    b.name = "a.jpg";
    b.fileType = kFileJpeg;
    Make(b, 256, 128, kB24, kRgb, kLeft, kUp, Bytes(256 * 128 * 3, 9));
    VBFormat smaller = b;
    smaller.width = 32;
    EXPECT_EQ(1, b.Convert(smaller));
    EXPECT_EQ(kRefused + "Format: 256x128, B24 RGB LEFT UP [2 1 0 0] 'a.jpg' (3)\n" +
                  "Format: 32x128, B24 RGB LEFT UP [2 1 0 0] 'a.jpg' (3)\n",
              log.Text());
    EXPECT_EQ(256, b.width);
  }
  {
    // Steps made before the refusal stay; the report shows the state at entry.
    LogCapture log;
    VBitmap b;
    Make(b, 2, 2, kB24, kRgb, kLeft, kUp, Bytes(12, 1));
    VBFormat target = b.WithCodes(kB32, kBgr, kLeft, kDown);
    target.height = 1;
    EXPECT_EQ(1, b.Convert(target));
    EXPECT_EQ(kRefused + "Format: 2x2, B24 RGB LEFT UP [2 1 0 0] '' (0)\n" +
                  "Format: 2x1, B32 BGR LEFT DOWN [3 2 0 1] '' (0)\n",
              log.Text());
    EXPECT_EQ(std::vector<int>({kB32, kBgr, kLeft, kDown}), CodesOf(b));
  }
  // Grey asked at a colour depth, colour asked as grey at a colour depth, an
  // 8-bit picture that is not grey, no depth at all, an order code with no name.
  const std::vector<std::vector<int>> pairs = {{kB08, kGray, kB32, kGray},
                                               {kB24, kRgb, kB24, kGray},
                                               {kB08, kRgb, kB24, kRgb},
                                               {kB24, kRgb, kB00, kRgb},
                                               {kB24, kBgr, kB24, 3}};
  for (const auto& p : pairs) {
    SCOPED_TRACE(p[0] * 100 + p[1] * 10 + p[2]);
    LogCapture log;
    VBitmap b;
    Make(b, 1, 1, p[0], p[1], kLeft, kDown, Bytes(4, 1));
    EXPECT_EQ(1, b.Convert(b.WithCodes(p[2], p[3], kLeft, kDown)));
    EXPECT_EQ(0u, log.Text().rfind(kRefused, 0));
    const std::string unnamed = "\nFormat: 1x1, B24 ? LEFT DOWN [2 3 0 1] '' (0)\n";
    EXPECT_EQ(p[3] == 3, log.Text().find(unnamed) != std::string::npos);
  }
}

}  // namespace
