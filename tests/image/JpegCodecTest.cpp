#include <gtest/gtest.h>

#include "ImageTestUtil.h"
#include "VBitmapJpegCodec.h"

namespace {

const std::string kJpegFailure = "JPG error\nJPG read: recovery from error...\nJPG read: quit...\n";

// Loads name through the default source and compares it with libjpeg's own
// decode of the same bytes.
void ExpectDecodesLikeLibjpeg(const std::string& name, const std::string& bytes, bool grey) {
  SCOPED_TRACE(name);
  int width = 0;
  const Bytes rgb = ReferenceDecode(bytes, &width);
  VBitmap b;
  ASSERT_EQ(0, BuildNamed(b, name));
  EXPECT_EQ(name, b.name);
  EXPECT_EQ(kFileJpeg, b.fileType);
  EXPECT_EQ(width, b.width);
  EXPECT_EQ(rgb.size() / 3, static_cast<size_t>(b.width) * b.height);
  EXPECT_EQ(std::vector<int>({grey ? kB08 : kB24, grey ? kGray : kRgb, kLeft, kUp}), CodesOf(b));
  EXPECT_EQ(grey ? Channel(rgb, 0) : rgb, PixelsOf(b));
}

TEST(JpegCodecTest, DecodesWhateverLibjpegDecodesFromDirectoryAndZip) {
  const std::string small = EncodeJpeg(Pattern(8, 8, 3, 5), 8, 8);
  // Many chunks, and a marker the library skips across chunk boundaries.
  const std::string large =
      EncodeJpeg(Pattern(160, 120, 3, 4), 160, 120, {.quality = 100, .appBytes = 9000});
  ASSERT_LT(small.size(), 4096u);
  ASSERT_GT(large.size(), 3 * 4096u);
  ASSERT_NE(0u, large.size() % 4096);
  const Files files = {
      {"colour.jpg", EncodeJpeg(Pattern(37, 23, 3, 1), 37, 23)},
      {"grey.JPG", EncodeJpeg(Pattern(40, 9, 1, 2), 40, 9, {.space = JCS_GRAYSCALE})},
      {"prog.jpg", EncodeJpeg(Pattern(50, 30, 3, 3), 50, 30, {.progressive = true})},
      {"gp.jpg",
       EncodeJpeg(Pattern(33, 17, 1, 6), 33, 17, {.space = JCS_GRAYSCALE, .progressive = true})},
      {"large.jpg", large},
      {"small.jpg", small},
      // Exactly one chunk, padded after the end-of-image marker.
      {"exact.jpg", small + std::string(4096 - small.size(), '\0')}};
  for (bool zip : {false, true}) {
    SCOPED_TRACE(zip ? "zip" : "directory");
    LogCapture log;
    FileSource source(files, zip);
    for (const auto& [name, bytes] : files)
      ExpectDecodesLikeLibjpeg(name, bytes, name == "grey.JPG" || name == "gp.jpg");
    EXPECT_EQ("", log.Text());
  }
}

TEST(JpegCodecTest, BrokenFilesFailOneByOneAndLaterLoadsStillWork) {
  const std::string good = EncodeJpeg(Pattern(64, 48, 3, 7), 64, 48, {.quality = 95});
  // Cut well inside the scan data, long before the end-of-image marker.
  const std::string cut = good.substr(0, good.size() * 2 / 3);
  const size_t sof = good.find("\xFF\xC0");
  ASSERT_NE(std::string::npos, sof);
  // The frame header made to claim 65000 x 65000 pixels.
  std::string huge = good;
  huge.replace(sof + 5, 4, "\xFD\xE8\xFD\xE8");
  // A second frame header where the end-of-image marker was: the library gives
  // up only after every row has been decoded into the bitmap's array.
  const size_t frameLength = static_cast<std::uint8_t>(good[sof + 2]) * 256u +
                             static_cast<std::uint8_t>(good[sof + 3]);
  const std::string twice =
      good.substr(0, good.size() - 2) + good.substr(sof, 2 + frameLength) + "\xFF\xD9";
  const Files files = {{"good.jpg", good},
                       {"cut.jpg", cut},
                       {"huge.jpg", huge},
                       {"cmyk.jpg", EncodeJpeg(Pattern(16, 16, 4, 8), 16, 16, {.space = JCS_CMYK})},
                       {"empty.jpg", ""},
                       {"garbage.jpg", std::string(5000, 'G')},
                       {"twice.jpg", twice}};
  for (bool zip : {false, true}) {
    SCOPED_TRACE(zip ? "zip" : "directory");
    LogCapture log;
    FileSource source(files, zip);
    std::string expected;
    for (const char* name : {"cmyk.jpg", "empty.jpg", "garbage.jpg", "twice.jpg"}) {
      VBitmap b;
      EXPECT_EQ(1, BuildNamed(b, name));
      EXPECT_EQ(nullptr, b.Pixels());
      expected += kJpegFailure + "VBitmap: can not load <" + name + ">\n";
      EXPECT_EQ(expected, log.Text());
      ExpectDecodesLikeLibjpeg("good.jpg", good, false);
    }
    VBitmap big;
    EXPECT_EQ(1, BuildNamed(big, "huge.jpg"));
    expected +=
        "VBitmap: 65000x65000 pixels of 3 bytes exceed the 256 MiB image limit\n"
        "VBitmap: can not load <huge.jpg>\n";
    // A truncated file gets its missing rows from the library, and no error.
    ExpectDecodesLikeLibjpeg("cut.jpg", cut, false);
    EXPECT_NE(ReferenceDecode(good), ReferenceDecode(cut));
    EXPECT_EQ(expected, log.Text());
    EXPECT_EQ(0, log.Records());
  }
}

TEST(JpegCodecTest, WriteEncodesTopDownRgbAtFullQuality) {
  LogCapture log;
  FileSource source({}, false);
  const auto write = [&](VBitmap& b, const char* name) {
    KolData out;
    out.Open(kKindDirectory, source.Dir().Path().c_str());
    EXPECT_EQ(0, out.OpenWrite(name));
    const int result = VBitmapJpegCodec(b, out).Write();
    EXPECT_EQ(0, out.CloseFile());
    return result;
  };
  // A bitmap in texture layout is converted in place before it is encoded.
  VBitmap tex;
  const Bytes bgra = Pattern(90, 70, 4, 9);
  Make(tex, 90, 70, kB32, kBgr, kLeft, kDown, bgra);
  Bytes topDownRgb;
  for (int row = 69; row >= 0; --row)
    for (int x = 0; x < 90; ++x)
      for (int k : {2, 1, 0}) topDownRgb.push_back(bgra[(row * 90 + x) * 4 + k]);
  ASSERT_EQ(0, write(tex, "t.jpg"));
  EXPECT_EQ(std::vector<int>({kB24, kRgb, kLeft, kUp}), CodesOf(tex));
  EXPECT_EQ(topDownRgb, PixelsOf(tex));
  const std::string written = source.Dir().Read("t.jpg");
  ASSERT_GT(written.size(), 4096u);
  EXPECT_EQ(EncodeJpeg(topDownRgb, 90, 70, {.quality = 100, .forceBaseline = true}), written);
  ExpectDecodesLikeLibjpeg("t.jpg", written, false);

  // Grey stays grey.
  VBitmap grey;
  Bytes ramp;
  for (int i = 0; i < 200; ++i) ramp.push_back(static_cast<std::uint8_t>(i));
  Make(grey, 20, 10, kB08, kGray, kLeft, kUp, ramp);
  ASSERT_EQ(0, write(grey, "g.jpg"));
  const std::string greyBytes = source.Dir().Read("g.jpg");
  EXPECT_EQ(EncodeJpeg(ramp, 20, 10, {.space = JCS_GRAYSCALE, .quality = 100,
                                      .forceBaseline = true}),
            greyBytes);
  ExpectDecodesLikeLibjpeg("g.jpg", greyBytes, true);
  EXPECT_EQ("", log.Text());
}

}  // namespace
