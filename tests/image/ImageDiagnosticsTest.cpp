// Why an image failed to load, in the words the author tools show: each
// refused kind of file gives its own reason, and a good file leaves none.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "JpegEncoder.h"
#include "KolData.h"
#include "KolLog.h"
#include "TestSupport.h"
#include "VBitmap.h"

namespace {

class ImageDiagnosticsTest : public ::testing::Test {
 protected:
  ImageDiagnosticsTest() {
    source_.Open(kKindDirectory, dir_.Path().c_str());
    source_.SetDefault(false);
  }
  // Builds a bitmap from name (and an alpha map, when given); the reason noted.
  std::string Reason(const std::string& name, const std::string& alphaMap = "") {
    ClearImageLoadProblem();
    VBitmap bitmap;
    bitmap.name = name;
    if (!alphaMap.empty()) {
      bitmap.alphaKind = kAlphaMap;
      bitmap.alphaMap.name = alphaMap;
    }
    const int built = bitmap.Build();
    const ImageLoadProblem& problem = LastImageLoadProblem();
    EXPECT_EQ(built != 0, !problem.reason.empty()) << name;
    return problem.reason.empty() ? "" : problem.file + ": " + problem.reason;
  }

  LogCapture log_;
  TempDir dir_;
  KolData source_;
};

TEST_F(ImageDiagnosticsTest, EveryRefusedFileSaysWhy) {
  const std::string pixels(6, '\x40');
  const std::string png = "\x89PNG\r\n\x1a\n" + std::string(24, '\0');
  const std::vector<std::pair<std::pair<std::string, std::string>, std::string>> cases = {
      {{"ok.tga", TgaFile(2, 2, 1, 24, 0, pixels)}, ""},
      {{"rle.tga", TgaFile(10, 2, 1, 24, 0, pixels)},
       "rle.tga: a run-length encoded TGA (image type 10); save it uncompressed"},
      {{"palette.tga", TgaFile(1, 2, 1, 8, 0, pixels)},
       "palette.tga: a colour-mapped (paletted) TGA (image type 1); save it as 24- or 32-bit "
       "true colour"},
      {{"short16.tga", TgaFile(2, 2, 1, 16, 0, pixels)},
       "short16.tga: a 16-bit TGA; save it as 24- or 32-bit"},
      {{"alpha.tga", TgaFile(2, 2, 1, 32, 3, pixels + pixels)},
       "alpha.tga: a 32-bit TGA whose descriptor declares alpha bits (3); save it without them "
       "and give the alpha as an AlphaMap"},
      {{"cut.tga", TgaFile(2, 2, 1, 24, 0, "\x01\x02")},
       "cut.tga: cut short: 2 x 1 pixels need 6 bytes of pixel data, and the file ends before"},
      {{"head.tga", "\0\0\2"}, "head.tga: cut short: shorter than the 18-byte TGA header"},
      {{"png.tga", png}, "png.tga: holds PNG data, not TGA; convert it to a TGA (or a JPEG named .jpg)"},
      {{"bmp.tga", "BM" + std::string(40, '\0')},
       "bmp.tga: holds BMP data, not TGA; convert it to a TGA (or a JPEG named .jpg)"},
      {{"png.jpg", png}, "png.jpg: holds PNG data, not JPEG; convert it to a JPEG (or a TGA named .tga)"},
      {{"text.jpg", "hello, world"},
       "text.jpg: not a JPEG file (it does not start with a JPEG marker)"},
      {{"empty.jpg", ""}, "empty.jpg: the file is empty"},
      {{"cmyk.jpg", EncodeJpeg(Bytes(2 * 2 * 4, 0x80), 2, 2, JCS_CMYK)}, "cmyk.jpg: a CMYK JPEG, which is not read; save it as RGB or greyscale"},
      {{"sky.png", png},
       "sky.png: only names ending in .jpg or .tga are read as images; this one is taken for a "
       "raw pixel file, which needs its size from elsewhere (it holds PNG data: convert it to "
       "JPEG or TGA)"},
      {{"sky.bmp", "BM" + std::string(40, '\0')},
       "sky.bmp: only names ending in .jpg or .tga are read as images; this one is taken for a "
       "raw pixel file, which needs its size from elsewhere (it holds BMP data: convert it to "
       "JPEG or TGA)"},
  };
  for (const auto& [file, reason] : cases) {
    dir_.Write(file.first, file.second);
    EXPECT_EQ(reason, Reason(file.first)) << file.first;
  }
  EXPECT_EQ("gone.tga: the image is missing from the data, or cannot be read", Reason("gone.tga"));
  // The log has its usual line and no record: the reasons are for the tools.
  EXPECT_EQ(0, TheLog().RecordCount());
  EXPECT_NE(std::string::npos, log_.Text().find("VBitmap: can not load <rle.tga>\n"));
}

TEST_F(ImageDiagnosticsTest, AnAlphaMapOfAnotherSizeIsNamed) {
  dir_.Write("colour.tga", TgaFile(2, 2, 1, 24, 0, std::string(6, '\x40')));
  dir_.Write("mask.tga", TgaFile(3, 4, 1, 8, 0, std::string(4, '\x80')));
  dir_.Write("fits.tga", TgaFile(3, 2, 1, 8, 0, std::string(2, '\x80')));
  EXPECT_EQ("mask.tga: the alpha map is 4 x 1 pixels, but the colour map colour.tga is 2 x 1: "
            "both must have one size",
            Reason("colour.tga", "mask.tga"));
  EXPECT_EQ("", Reason("colour.tga", "fits.tga"));
}

}  // namespace
