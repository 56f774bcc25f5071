#include <gtest/gtest.h>

#include <cmath>

#include "ImageTestUtil.h"
#include "KolClassRegistry.h"
#include "KolFile.h"
#include "VBitmapTgaCodec.h"

namespace {

std::string CannotLoad(const std::string& name) { return "VBitmap: can not load <" + name + ">\n"; }

TEST(VBitmapTest, DetectTypeLooksAtTheEndingOnly) {
  for (const char* name : {"x.tga", "X.TgA", "dir/a.b.tga"})
    EXPECT_EQ(kFileTga, VBitmap::DetectType(name)) << name;
  for (const char* name : {"a.jpg", "A.JPG"})
    EXPECT_EQ(kFileJpeg, VBitmap::DetectType(name)) << name;
  for (const char* name : {".tga", ".jpg", "photo.jpeg", "a.raw", "tga", ""})
    EXPECT_EQ(kFileRaw, VBitmap::DetectType(name)) << name;
}

TEST(VBitmapTest, TgaVariantsLoadInTheirStoredLayout) {
  const Bytes rgb24 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const Bytes rgb32 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const Bytes grey = {10, 20, 30, 40};
  struct Case {
    std::string name, file;
    std::vector<int> codes;
    Bytes pixels;
    int width = 2, height = 2;
  };
  const std::vector<Case> cases = {
      {"bottom.tga", Tga(2, 2, 2, 24, 0x00, rgb24), {kB24, kBgr, kLeft, kDown}, rgb24},
      {"top.tga", Tga(2, 2, 2, 24, 0x20, rgb24), {kB24, kBgr, kLeft, kUp}, rgb24},
      {"alpha.TGA", Tga(2, 2, 2, 32, 0x08, rgb32), {kB32, kBgr, kLeft, kDown}, rgb32},
      {"alphatop.tga", Tga(2, 2, 2, 32, 0x28, rgb32), {kB32, kBgr, kLeft, kUp}, rgb32},
      {"grey.tga", Tga(3, 2, 2, 8, 0x00, grey), {kB08, kGray, kLeft, kDown}, grey},
      {"greytop.tga", Tga(3, 2, 2, 8, 0x20, grey), {kB08, kGray, kLeft, kUp}, grey},
      {"rtl.tga", Tga(2, 2, 2, 24, 0x10, rgb24), {kB24, kBgr, kRight, kDown}, rgb24},
      {"rtltop.tga", Tga(2, 2, 2, 24, 0x30, rgb24), {kB24, kBgr, kRight, kUp}, rgb24},
      {"id.tga", Tga(2, 2, 2, 24, 0x20, rgb24, "made by hand"), {kB24, kBgr, kLeft, kUp}, rgb24},
      {"big.tga", Tga(3, 300, 260, 8, 0, Bytes(78000, 7)), {kB08, kGray, kLeft, kDown},
       Bytes(78000, 7), 300, 260},
  };
  Files files;
  for (const Case& c : cases) files.push_back({c.name, c.file});
  for (bool zip : {false, true}) {
    LogCapture log;
    FileSource source(files, zip);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name + (zip ? " from zip" : " from directory"));
      VBitmap b;
      ASSERT_EQ(0, BuildNamed(b, c.name));
      EXPECT_EQ(c.name, b.name);
      EXPECT_EQ(kFileTga, b.fileType);
      EXPECT_EQ(c.width, b.width);
      EXPECT_EQ(c.height, b.height);
      EXPECT_EQ(c.codes, CodesOf(b));
      EXPECT_EQ(c.pixels, PixelsOf(b));
      // Built already: Build does nothing more, LoadFile refuses.
      EXPECT_EQ(0, b.Build());
      KolData stream(false);
      EXPECT_EQ(1, b.LoadFile(stream));
    }
    EXPECT_EQ("", log.Text());
  }
}

TEST(VBitmapTest, UnsupportedOrBrokenTgaFilesAreRefusedWithTheirName) {
  const std::string good = Tga(2, 2, 1, 24, 0, {1, 2, 3, 4, 5, 6});
  const Files files = {
      {"16bit.tga", Tga(2, 2, 1, 16, 0, {1, 2, 3, 4})},
      {"rle.tga", Tga(10, 2, 1, 24, 0, {0x81, 1, 2, 3})},
      {"mapped.tga", Tga(1, 2, 1, 8, 0, {0, 1})},
      {"grey2.tga", Tga(2, 2, 1, 8, 0, {0, 1})},
      {"alphabits.tga", Tga(2, 2, 1, 32, 0x01, Bytes(8, 1))},
      {"nowidth.tga", Tga(2, 0, 1, 24, 0, {})},
      {"noheight.tga", Tga(2, 2, 0, 24, 0, {})},
      {"header.tga", good.substr(0, 11)},
      {"pixels.tga", good.substr(0, good.size() - 1)},
      {"idcut.tga", Tga(2, 2, 1, 24, 0, {}, "long id").substr(0, 21)},
      {"empty.tga", ""},
  };
  for (bool zip : {false, true}) {
    for (const auto& [name, data] : files) {
      SCOPED_TRACE(name + (zip ? " from zip" : " from directory"));
      LogCapture log;
      FileSource source(files, zip);
      VBitmap b;
      EXPECT_NE(0, BuildNamed(b, name));
      EXPECT_EQ(nullptr, b.Pixels());
      EXPECT_EQ(CannotLoad(name), log.Text());
    }
  }
  // More than 256 MiB of pixels is refused before anything is allocated.
  LogCapture log;
  FileSource source({{"huge.tga", Tga(2, 65535, 65535, 32, 0, Bytes(64, 0))},
                     {"over.tga", Tga(2, 16385, 4096, 32, 0x20, Bytes(64, 0))}},
                    false);
  VBitmap huge, over;
  EXPECT_NE(0, BuildNamed(huge, "huge.tga"));
  EXPECT_NE(0, BuildNamed(over, "over.tga"));
  EXPECT_EQ("VBitmap: 65535x65535 pixels of 4 bytes exceed the 256 MiB image limit\n" +
                CannotLoad("huge.tga") +
                "VBitmap: 16385x4096 pixels of 4 bytes exceed the 256 MiB image limit\n" +
                CannotLoad("over.tga"),
            log.Text());
}

TEST(VBitmapTest, TgaWriteStoresBottomUpBgrAndReadsBack) {
  LogCapture log;
  FileSource source({}, false);
  const auto write = [&](VBitmap& b, const char* name) {
    KolData out;
    out.Open(kKindDirectory, source.Dir().Path().c_str());
    EXPECT_EQ(0, out.OpenWrite(name));
    const int result = VBitmapTgaCodec(b, out).Write();
    EXPECT_EQ(0, out.CloseFile());
    return result;
  };
  // Top-down RGB: the file holds BGR, bottom row first; the bitmap is converted too.
  VBitmap rgb;
  Make(rgb, 3, 2, kB24, kRgb, kLeft, kUp,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19});
  ASSERT_EQ(0, write(rgb, "rgb.tga"));
  const Bytes stored = {13, 12, 11, 16, 15, 14, 19, 18, 17, 3, 2, 1, 6, 5, 4, 9, 8, 7};
  EXPECT_EQ(Tga(2, 3, 2, 24, 0, stored), source.Dir().Read("rgb.tga"));
  EXPECT_EQ(std::vector<int>({kB24, kBgr, kLeft, kDown}), CodesOf(rgb));
  VBitmap back;
  ASSERT_EQ(0, BuildNamed(back, "rgb.tga"));
  EXPECT_EQ(stored, PixelsOf(back));

  // Grey stays one byte per pixel (type 3); 32-bit pixels keep their fourth
  // byte though the descriptor declares no alpha bits.
  VBitmap grey;
  Make(grey, 2, 2, kB08, kGray, kRight, kDown, {1, 2, 3, 4});
  ASSERT_EQ(0, write(grey, "grey.tga"));
  EXPECT_EQ(Tga(3, 2, 2, 8, 0, {2, 1, 4, 3}), source.Dir().Read("grey.tga"));
  VBitmap rgba;
  Make(rgba, 1, 2, kB32, kRgb, kLeft, kUp, {1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_EQ(0, write(rgba, "rgba.tga"));
  EXPECT_EQ(Tga(2, 1, 2, 32, 0, {7, 6, 5, 8, 3, 2, 1, 4}), source.Dir().Read("rgba.tga"));
  EXPECT_EQ("", log.Text());
}

TEST(VBitmapTest, RawFilesNeedAKnownSize) {
  LogCapture log;
  FileSource source({{"g.raw", "\x01\x02\x03\x04\x05\x06"}, {"a.raw", std::string(64, 'x')}},
                    false);
  // Grey is one byte per pixel whatever the depth code said (B32 here).
  VBitmap g;
  g.name = "g.raw";
  g.width = 3;
  g.height = 2;
  g.order = kGray;
  ASSERT_EQ(0, g.Build());
  EXPECT_EQ(kFileRaw, g.fileType);
  EXPECT_EQ(std::vector<int>({kB08, kGray, kLeft, kDown}), CodesOf(g));
  EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6}), PixelsOf(g));
  EXPECT_EQ("", log.Text());
  VBitmap named;
  EXPECT_NE(0, BuildNamed(named, "a.raw"));
  EXPECT_EQ(CannotLoad("a.raw"), log.Text());
}

TEST(VBitmapTest, BuildMakesColourAndAlpha) {
  LogCapture log;
  VBitmap noSource;
  noSource.fileType = kFileGenerated;
  EXPECT_EQ(1, noSource.Build());
  EXPECT_EQ("", log.Text());
  EXPECT_EQ(0, log.Records());

  FileSource source(
      {{"c.tga", Tga(2, 2, 2, 24, 0x20, {10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42})},
       {"a.tga", Tga(2, 2, 2, 24, 0x00, {1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0})},
       {"g.tga", Tga(3, 2, 1, 8, 0, {50, 60})},
       {"small.tga", Tga(3, 1, 2, 8, 0, {50, 60})}},
      false);
  // A generated pixel: value x 255 truncated, clamped to 0..1, NaN as 0.
  struct Generated {
    float r, g, b;
    int alphaKind;
    float alpha;
    Bytes expected;
  };
  for (const Generated& c : {Generated{1.0f, 0.5f, 0.0f, kAlphaNone, 1.0f, {255, 127, 0}},
                             Generated{1.0f, 0.5f, 0.0f, kAlphaConstant, 0.5f, {255, 127, 0, 127}},
                             Generated{2.0f, -1.0f, std::nanf(""), kAlphaConstant, 7.0f,
                                       {255, 0, 0, 255}}}) {
    VBitmap b;
    b.fileType = kFileGenerated;
    b.color[0] = c.r;
    b.color[1] = c.g;
    b.color[2] = c.b;
    b.alphaKind = c.alphaKind;
    b.alpha = c.alpha;
    ASSERT_EQ(0, b.Build());
    EXPECT_EQ(std::vector<int>({1, 1, c.expected.size() == 3 ? kB24 : kB32, kRgb}),
              std::vector<int>({b.width, b.height, b.depth, b.order}));
    EXPECT_EQ(c.expected, PixelsOf(b));
  }
  // A solid colour shaped by a map takes the map's size; alpha = grey.
  VBitmap shaped;
  shaped.fileType = kFileGenerated;
  shaped.alphaKind = kAlphaMap;
  shaped.alphaMap.name = "g.tga";
  shaped.color[0] = 0.25f;
  shaped.color[1] = 0.5f;
  shaped.color[2] = 1.0f;
  ASSERT_EQ(0, shaped.Build());
  EXPECT_EQ(2, shaped.width);
  EXPECT_EQ(1, shaped.height);
  EXPECT_EQ(std::vector<int>({kB32, kRgb, kLeft, kDown}), CodesOf(shaped));
  EXPECT_EQ(Bytes({63, 127, 255, 50, 63, 127, 255, 60}), PixelsOf(shaped));

  // File colour with a constant alpha, clamped both ways; grey becomes RGB.
  for (float a : {2.0f, -1.0f}) {
    VBitmap b;
    b.name = "c.tga";
    b.alphaKind = kAlphaConstant;
    b.alpha = a;
    ASSERT_EQ(0, b.Build());
    const std::uint8_t v = a > 1.0f ? 255 : 0;
    EXPECT_EQ(Bytes({10, 11, 12, v, 20, 21, 22, v, 30, 31, 32, v, 40, 41, 42, v}), PixelsOf(b));
    EXPECT_EQ(std::vector<int>({kB32, kBgr, kLeft, kUp}), CodesOf(b));
  }
  VBitmap greyHalf;
  greyHalf.name = "g.tga";
  greyHalf.alphaKind = kAlphaConstant;
  greyHalf.alpha = 0.5f;
  ASSERT_EQ(0, greyHalf.Build());
  EXPECT_EQ(kRgb, greyHalf.order);
  EXPECT_EQ(Bytes({50, 50, 50, 127, 60, 60, 60, 127}), PixelsOf(greyHalf));

  // An alpha map stored the other way up is brought to the colour's row order;
  // its first byte (blue) becomes alpha.
  VBitmap mapped;
  mapped.name = "c.tga";
  mapped.alphaKind = kAlphaMap;
  mapped.alphaMap.name = "a.tga";
  ASSERT_EQ(0, mapped.Build());
  EXPECT_EQ(kUp, mapped.vertical);
  EXPECT_EQ(Bytes({10, 11, 12, 3, 20, 21, 22, 4, 30, 31, 32, 1, 40, 41, 42, 2}),
            PixelsOf(mapped));
  EXPECT_EQ("", log.Text());

  VBitmap mismatch;
  mismatch.name = "g.tga";
  mismatch.alphaKind = kAlphaMap;
  mismatch.alphaMap.name = "small.tga";
  EXPECT_EQ(1, mismatch.Build());
  EXPECT_EQ("can't attach images g.tga + small.tga; they have different resoulutions\n",
            log.Text());
}

TEST(VBitmapTest, FormatsAndBitmapsTravelThroughAnObjectFile) {
  LogCapture log;
  FileSource source({}, false);
  SetDefaultStoreSource(DefaultLoadSource());
  ClassRegistry().Register(std::make_unique<VBFormat>());
  ClassRegistry().Register(std::make_unique<VBitmap>());

  VBitmap generated;
  generated.fileType = kFileGenerated;
  generated.alphaKind = kAlphaConstant;
  generated.alpha = 0.25f;
  generated.color[2] = 0.3f;
  VBitmap file;
  file.CopyFormat(file.WithCodes(kB24, kRgb, kRight, kUp));
  file.name = "pic.tga";
  file.fileType = kFileTga;
  file.width = 640;
  file.height = 480;
  file.alphaKind = kAlphaMap;
  file.alphaMap.CopyFormat(file.alphaMap.WithCodes(kB08, kGray, kLeft, kDown));
  file.alphaMap.name = "mask.jpg";
  file.color[0] = 0.9f;  // only generated bitmaps store their colour
  VBFormat format = file.alphaMap;
  format.name = "fmt";
  std::vector<KolObject*> objects = {&generated, &file, &format};
  {
    KolFile out(true);
    ASSERT_EQ(0, out.OpenWrite("o.kol"));
    for (KolObject* o : objects) ASSERT_EQ(0, out.TransferObject(o));
    ASSERT_EQ(0, out.CloseFile());
  }
  const auto load = [&objects] {
    KolFile in(false);
    EXPECT_EQ(0, in.OpenRead("o.kol"));
    for (KolObject*& o : objects) EXPECT_EQ(0, in.TransferObject(o));
    return in.TakeLoadedObjects();
  };
  auto owned = load();
  auto* g = dynamic_cast<VBitmap*>(objects[0]);
  auto* f = dynamic_cast<VBitmap*>(objects[1]);
  auto* v = dynamic_cast<VBFormat*>(objects[2]);
  ASSERT_TRUE(g && f && v && g != &generated);
  EXPECT_TRUE(g->Equals(generated));
  EXPECT_EQ(kAlphaConstant, g->alphaKind);
  EXPECT_EQ(0.25f, g->alpha);
  EXPECT_EQ(0.3f, g->color[2]);
  EXPECT_TRUE(f->Equals(file));
  EXPECT_TRUE(f->alphaMap.Equals(file.alphaMap));
  EXPECT_EQ(kAlphaMap, f->alphaKind);
  EXPECT_EQ(0.0f, f->color[0]);
  EXPECT_STREQ("VBFormat", v->ClassName());
  EXPECT_TRUE(v->Equals(format));
  EXPECT_EQ("", log.Text());

  // An out-of-range code byte keeps the previous code; the others are taken.
  std::string bytes = source.Dir().Read("o.kol");
  const size_t codes = bytes.find("fmt") + 4 + 12;
  ASSERT_EQ(std::string("\x01\x00\x00\x01", 4), bytes.substr(codes, 4));
  bytes.replace(codes, 4, std::string("\x05\x02\x01\x00", 4));
  source.Dir().Write("o.kol", bytes);
  owned = load();
  v = dynamic_cast<VBFormat*>(objects[2]);
  ASSERT_NE(nullptr, v);
  EXPECT_EQ(std::vector<int>({kB32, kBgr, kRight, kUp}), CodesOf(*v));
  EXPECT_EQ("VBFormat::KolLoad: invalid\n", log.Text());

  // Storing an impossible code fails.
  VBFormat bad;
  bad.order = 3;
  KolFile out(true);
  ASSERT_EQ(0, out.OpenWrite("bad.kol"));
  KolObject* o = &bad;
  EXPECT_EQ(1, out.TransferObject(o));
  EXPECT_EQ("VBFormat::KolLoad: invalid\nVBFormat::KolStore: invalid\n", log.Text());
}

}  // namespace
