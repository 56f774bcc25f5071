#include "VTex.h"

#include <gtest/gtest.h>

#include <tuple>

#include "ImageTestUtil.h"
#include "KolLog.h"

namespace {

Bytes TexelsOf(const VTex& t) {
  if (!t.Texels()) return {};
  return Bytes(t.Texels(), t.Texels() + static_cast<size_t>(t.width) * t.height * 4);
}

// Texels (B, G, R, A; bottom row first) of a top-down RGB picture and alpha plane.
Bytes TexelsFromRgb(const Bytes& rgb, const Bytes& alpha, int width, int height) {
  Bytes out;
  for (int r = height - 1; r >= 0; --r)
    for (size_t i = static_cast<size_t>(r) * width; i < static_cast<size_t>(r + 1) * width; ++i)
      out.insert(out.end(), {rgb[i * 3 + 2], rgb[i * 3 + 1], rgb[i * 3], alpha[i]});
  return out;
}

// A 3 x 2 TGA stored bottom-up, BGR, and its texels with alpha a.
const std::string kTga =
    Tga(2, 3, 2, 24, 0x00, {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19});
Bytes TgaTexels(std::uint8_t a) {
  return {1, 2, 3, a, 4, 5, 6, a, 7, 8, 9, a, 11, 12, 13, a, 14, 15, 16, a, 17, 18, 19, a};
}

TEST(VTexTest, FourColourAndAlphaCombinationsFromTgaAndJpeg) {
  const std::string jpeg = EncodeJpeg(Pattern(12, 6, 3, 11), 12, 6);
  const std::string greyJpeg = EncodeJpeg(Pattern(3, 2, 1, 12), 3, 2, {.space = JCS_GRAYSCALE});
  const Bytes rgb = ReferenceDecode(jpeg);
  const Bytes grey = Channel(ReferenceDecode(greyJpeg), 0);
  const Files files = {
      {"c.tga", kTga},
      // The same picture stored top row first and right to left.
      {"flipped.tga",
       Tga(2, 3, 2, 24, 0x30, {17, 18, 19, 14, 15, 16, 11, 12, 13, 7, 8, 9, 4, 5, 6, 1, 2, 3})},
      {"a.tga", Tga(3, 3, 2, 8, 0x20, {60, 61, 62, 63, 64, 65}, "mask")},
      {"colour.jpg", jpeg},
      {"mask.jpg", greyJpeg}};
  for (bool zip : {false, true}) {
    SCOPED_TRACE(zip ? "zip" : "directory");
    LogCapture log;
    FileSource source(files, zip);
    const auto load = [](const char* colorMap, const char* alphaMap, float alpha = 1.0f) {
      auto t = std::make_unique<VTex>();
      t->colorMap = colorMap;
      t->alphaMap = alphaMap;
      t->color[0] = 0.0f;
      t->color[1] = 0.5f;
      t->alpha = alpha;
      t->Load();
      return t;
    };
    auto solid = load("", "", 0.5f);
    EXPECT_EQ(1, solid->width);
    EXPECT_EQ(1, solid->height);
    EXPECT_EQ(Bytes({255, 127, 0, 127}), TexelsOf(*solid));

    // Colour map, constant alpha (clamped).
    for (float a : {0.0f, 1.0f, 3.0f, -1.0f})
      EXPECT_EQ(TgaTexels(a > 0.0f ? 255 : 0), TexelsOf(*load("c.tga", "", a))) << a;
    EXPECT_EQ(TgaTexels(255), TexelsOf(*load("flipped.tga", "")));
    auto photo = load("colour.jpg", "");
    EXPECT_EQ(12, photo->width);
    EXPECT_EQ(6, photo->height);
    EXPECT_EQ(TexelsFromRgb(rgb, Bytes(72, 255), 12, 6), TexelsOf(*photo));

    // Constant colour shaped by a map: a grey TGA (top-down, with an ID field),
    // and a colour JPEG whose red byte counts.
    auto shaped = load("", "a.tga");
    EXPECT_EQ(3, shaped->width);
    EXPECT_EQ(2, shaped->height);
    EXPECT_EQ(Bytes({255, 127, 0, 63, 255, 127, 0, 64, 255, 127, 0, 65,  //
                     255, 127, 0, 60, 255, 127, 0, 61, 255, 127, 0, 62}),
              TexelsOf(*shaped));
    Bytes solidRgb;
    for (int i = 0; i < 72; ++i) solidRgb.insert(solidRgb.end(), {0, 127, 255});
    EXPECT_EQ(TexelsFromRgb(solidRgb, Channel(rgb, 0), 12, 6), TexelsOf(*load("", "colour.jpg")));

    // Colour and alpha maps of different types and row orders.
    Bytes expected = TgaTexels(0);
    for (int i = 0; i < 6; ++i) expected[i * 4 + 3] = grey[(1 - i / 3) * 3 + i % 3];
    EXPECT_EQ(expected, TexelsOf(*load("c.tga", "mask.jpg")));
    EXPECT_EQ(TexelsFromRgb(rgb, Channel(rgb, 0), 12, 6),
              TexelsOf(*load("colour.jpg", "colour.jpg")));
    EXPECT_EQ("", log.Text());
    EXPECT_EQ(0, log.Records());
  }
}

TEST(VTexTest, FailuresAreReportedAndTheNextLoadStillWorks) {
  const Files files = {{"c.tga", kTga},
                       {"big.tga", Tga(3, 4, 4, 8, 0, Bytes(16, 1))},
                       {"cmyk.jpg", EncodeJpeg(Pattern(8, 8, 4, 1), 8, 8, {.space = JCS_CMYK})},
                       {"cut.tga", kTga.substr(0, 30)}};
  const std::string report = "Error: Can't load texture\n";
  const std::vector<std::vector<std::string>> cases = {
      {"c.tga", "big.tga",
       "can't attach images c.tga + big.tga; they have different resoulutions\n"},
      {"nope.tga", "",
       "KolDataStdio::OpenRead: file [nope.tga] not found\nVBitmap: can not load <nope.tga>\n"},
      {"c.tga", "gone.tga",
       "KolDataStdio::OpenRead: file [gone.tga] not found\nVBitmap: can not load <gone.tga>\n"},
      {"", "no.jpg",
       "KolDataStdio::OpenRead: file [no.jpg] not found\nVBitmap: can not load <no.jpg>\n"},
      {"cmyk.jpg", "",
       "JPG error\nJPG read: recovery from error...\nJPG read: quit...\n"
       "VBitmap: can not load <cmyk.jpg>\n"},
      {"cut.tga", "", "VBitmap: can not load <cut.tga>\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0] + " + " + c[1]);
    LogCapture log;
    FileSource source(files, false);
    VTex t;
    t.colorMap = c[0];
    t.alphaMap = c[1];
    t.Load();
    EXPECT_EQ(nullptr, t.Texels());
    EXPECT_EQ(256, t.width);
    EXPECT_EQ(256, t.height);
    EXPECT_EQ(c[2] + report, log.Text());
    ASSERT_EQ(1, log.Records());
    const KolLogRecord& r = GlobalLog().Record(0);
    EXPECT_EQ(std::make_tuple(2, int{kModuleTex}, std::string("VTex"), 1,
                              std::string("Can't load texture")),
              std::make_tuple(r.kind, r.moduleCode, r.moduleName, r.detailCode, r.text));

    VTex next;
    next.colorMap = "c.tga";
    next.Load();
    EXPECT_EQ(TgaTexels(255), TexelsOf(next));
    EXPECT_EQ(1, log.Records());
  }
  // Without a default source not even a constant texture can be made.
  LogCapture log;
  VTex t;
  t.Load();
  EXPECT_EQ(nullptr, t.Texels());
  EXPECT_EQ(report, log.Text());
}

}  // namespace
