#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "KolLog.h"
#include "OfflineRenderer.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "TestSupport.h"
#include "VDemo.h"
#include "VWindowSurface.h"

namespace {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* Pixel(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

Image ReadPng(const std::string& path) {
  Image image;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
  png.format = PNG_FORMAT_RGB;
  image.rgb.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) return Image();
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  return image;
}

// A small demo whose every pixel can be worked out by hand:
//   0 - 2  Bar    an end bar covering half the width, fade 1 (white), on black
//   1 - 3  Green  a scroller over a 1 x 1 constant green texture, alpha 0.5
// Green is listed second, so it lies below Bar: from 1 s on, the black border
// shows half-green and the bar stays white.
const char* const kScripts[][2] = {
    {"Script/Demo.txt", "0 - 2 Bar;\n1 - 3 Green;\n"},
    {"Script/Effect/Bar.txt", "Alpha = One; Add = Zero; EndEffect: Fade = One; Size = Half;"},
    {"Script/Effect/Green.txt",
     "Alpha = Half; Add = Zero; Scroller: Delta = Zero; Speed = Zero; YDelta = Zero; "
     "YSpeed = Zero; Tex = Green;"},
    {"Script/Float/One.txt", "0 : 1 ;"},
    {"Script/Float/Zero.txt", "0 : 0 ;"},
    {"Script/Float/Half.txt", "0 : 0.5 ;"},
    {"Script/Texture/Green.txt", "Texture: Color = 0, 1, 0; Alpha = 1;"},
};

class OfflineRendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSurfaceInputForTest();
    ResetDemoDataSourcesForTest();
    ResetProgramLocationForTest();
    std::vector<ZipMember> members;
    for (const auto& s : kScripts) {
      dir_.Write(std::string("data/") + s[0], s[1]);
      members.push_back(ZipMember{s[0], s[1]});
    }
    ASSERT_TRUE(WriteZip(dir_.PathOf("solvane.dat"), members));
  }
  void TearDown() override { ResetDemoDataSourcesForTest(); }

  int Render(RenderOptions options) {
    ResetDemoDataSourcesForTest();
    return RunOfflineRenderer(options, dir_.Path() + "/");
  }

  LogCapture capture_;
  TempDir dir_;
};

// The colour of column x at time t, worked out from the two effects above.
void Expected(int x, double t, unsigned char rgb[3]) {
  const bool bar = t < 2.0, green = t >= 1.0 && t < 3.0;
  const bool inBar = x >= 160 && x < 480;
  rgb[0] = rgb[1] = rgb[2] = 0;
  if (green) rgb[1] = 127;  // 0.5 x 1.0 over black: 0.5 x 255 truncated
  if (bar) {
    if (inBar) rgb[0] = rgb[1] = rgb[2] = 255;
    else rgb[1] = 0;  // the bar's black border is opaque, drawn over the green
  }
}

TEST_F(OfflineRendererTest, CheckReportsSetUpOnly) {
  RenderOptions options;
  options.check = true;
  EXPECT_EQ(0, Render(options));
  EXPECT_NE(capture_.Text().find("Script Demo.txt: 2 Effects"), std::string::npos);
  EXPECT_EQ(0, GlobalLog().RecordCount());

  // A broken script: the check fails, with the script error in the log.
  dir_.Write("data/Script/Effect/Bar.txt", "Alpha = One; Add = Zero; EndEffect: Fade = One;");
  options.dataPath = dir_.PathOf("data");
  EXPECT_EQ(1, Render(options));
  EXPECT_NE(capture_.Text().find("Script/Effect/Bar.txt (line 1, column 48): E0003 - Syntax error"),
            std::string::npos)
      << capture_.Text();
}

TEST_F(OfflineRendererTest, StripHoldsRowZeroOfEveryFrame) {
  RenderOptions options;
  options.stripPath = dir_.PathOf("strip.png");
  options.fps = 4;  // frames at 0, 0.25, ..., 2.75 s: the demo ends at 3 s
  ASSERT_EQ(0, Render(options));
  const Image strip = ReadPng(options.stripPath);
  ASSERT_EQ(strip.width, 640);
  ASSERT_EQ(strip.height, 12);
  for (int k = 0; k < strip.height; ++k)
    for (int x : {0, 159, 160, 320, 479, 480, 639}) {
      unsigned char want[3];
      Expected(x, k / 4.0, want);
      const unsigned char* got = strip.Pixel(x, k);
      EXPECT_EQ(std::vector<int>(got, got + 3), std::vector<int>(want, want + 3))
          << "frame " << k << " column " << x;
    }
}

TEST_F(OfflineRendererTest, SingleFramesInsideAndOutsideTheSpans) {
  RenderOptions options;
  options.framePath = dir_.PathOf("inside.png");
  options.frameTime = 1.5;
  ASSERT_EQ(0, Render(options));
  const Image inside = ReadPng(options.framePath);
  ASSERT_EQ(inside.width, 640);
  ASSERT_EQ(inside.height, 480);
  for (int y : {0, 240, 478}) {
    EXPECT_EQ(inside.Pixel(100, y)[1], 0) << y;    // black border over the green
    EXPECT_EQ(inside.Pixel(300, y)[0], 255) << y;  // the bar
  }
  EXPECT_EQ(inside.Pixel(300, 479)[0], 0);  // the last row is never drawn

  // At 2.5 s only the green is left; at 3 s (the end is exclusive) nothing.
  options.framePath = dir_.PathOf("late.png");
  options.frameTime = 2.5;
  ASSERT_EQ(0, Render(options));
  EXPECT_EQ(ReadPng(options.framePath).Pixel(300, 10)[1], 127);
  options.framePath = dir_.PathOf("after.png");
  options.frameTime = 3.0;
  ASSERT_EQ(0, Render(options));
  const Image after = ReadPng(options.framePath);
  EXPECT_EQ(std::vector<int>(after.Pixel(300, 10), after.Pixel(300, 10) + 3),
            (std::vector<int>{0, 0, 0}));
}

TEST_F(OfflineRendererTest, ArchiveAndDirectoryGiveTheSameStrip) {
  auto strip = [&](const std::string& data, const std::string& out) {
    RenderOptions options;
    options.dataPath = data;
    options.stripPath = dir_.PathOf(out);
    options.fps = 10;
    EXPECT_EQ(0, Render(options));
    return ReadPng(options.stripPath);
  };
  const Image fromArchive = strip(dir_.PathOf("solvane.dat"), "a.png");
  const Image fromDirectory = strip(dir_.PathOf("data"), "d.png");
  const Image byDefault = strip("", "default.png");  // solvane.dat beside the program
  ASSERT_EQ(fromArchive.height, 30);
  EXPECT_EQ(fromArchive.rgb, fromDirectory.rgb);
  EXPECT_EQ(fromArchive.rgb, byDefault.rgb);
}

TEST_F(OfflineRendererTest, FramesAndRangeSelection) {
  RenderOptions options;
  options.framesDir = dir_.PathOf("frames");
  options.fps = 2;
  options.from = 1.5;
  options.to = 3.0;  // 1.5, 2.0, 2.5
  ASSERT_EQ(0, Render(options));
  for (int k = 0; k < 3; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "frames/frame_%06d.png", k);
    const Image frame = ReadPng(dir_.PathOf(name));
    ASSERT_EQ(frame.width, 640) << name;
    unsigned char want[3];
    Expected(100, 1.5 + k * 0.5, want);
    EXPECT_EQ(frame.Pixel(100, 200)[1], want[1]) << name;
  }
  EXPECT_FALSE(ReadPng(dir_.PathOf("frames/frame_000003.png")).width);
}

TEST_F(OfflineRendererTest, FailuresEndWithExitCodeOne) {
  // No data where it is looked for.
  RenderOptions options;
  options.check = true;
  options.dataPath = dir_.PathOf("nowhere.dat");
  EXPECT_EQ(1, Render(options));
  EXPECT_NE(capture_.Text().find("Data file ["), std::string::npos);

  // A video without ffmpeg on the PATH is refused before anything is rendered.
  const char* path = std::getenv("PATH");
  const std::string saved = path ? path : "";
  setenv("PATH", dir_.Path().c_str(), 1);
  options = RenderOptions();
  options.videoPath = dir_.PathOf("v.mp4");
  const int result = Render(options);
  setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(1, result);

  // An unwritable output.
  options = RenderOptions();
  options.stripPath = dir_.PathOf("missing/dir/strip.png");
  EXPECT_EQ(1, Render(options));
}

}  // namespace
