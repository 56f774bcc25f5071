#include <gtest/gtest.h>

#include <fstream>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "KolLog.h"
#include "OfflineRenderer.h"
#include "ProgramLocation.h"
#include "TestSupport.h"
#include "ToolTestSupport.h"
#include "VDemo.h"
#include "VSourceGravityParticle.h"
#include "VWindowSurface.h"

#if defined(__SANITIZE_ADDRESS__)
// The renderer must survive a strip too large to allocate; the address
// sanitizer aborts on a failed allocation unless it may hand back null, as the
// ordinary allocator does.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

// A PNG's pixels, row by row, as 0x00RRGGBB; At is kNone when the file could not be read.
constexpr std::uint32_t kNone = 0xFFFFFFFFu;
struct Image {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const {
    return pixels.empty() ? kNone : pixels[static_cast<size_t>(y) * width + x];
  }
};

Image ReadPng(const std::string& path) {
  Image image;
  image.pixels = ReadPngPixels(path, image.width, image.height);
  return image;
}

// The colour of column x (any row but the last) at time t.
std::uint32_t Expected(int x, double t) {
  if (t < 2.0) return x >= 160 && x < 480 ? 0xFFFFFF : 0;  // the bar; its opaque black border
  return t < 3.0 ? 0x007F00 : 0;  // 0.5 x 1.0 green over black, truncated
}

// Reads the arguments as solvane-render's command line does.
bool Parse(const std::vector<std::string>& args, RenderOptions& options, std::string& error) {
  std::vector<const char*> argv = {"solvane-render"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  return ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

class OfflineRendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSurfaceInputForTest();
    ResetDemoDataSourcesForTest();
    ResetProgramLocationForTest();
    std::vector<ZipMember> members;
    for (const auto& s : kSmallDemo) {
      dir_.Write(std::string("data/") + s[0], s[1]);
      members.push_back(ZipMember{s[0], s[1]});
    }
    ASSERT_TRUE(WriteZip(dir_.PathOf("solvane.dat"), members));
  }
  void TearDown() override { ResetDemoDataSourcesForTest(); }

  int Render(const std::vector<std::string>& args) {
    RenderOptions options;
    std::string error;
    EXPECT_TRUE(Parse(args, options, error)) << error;
    ResetDemoDataSourcesForTest();
    return RunOfflineRenderer(options, dir_.Path() + "/");
  }

  // Render, keeping what the tool printed on the error stream.
  int RenderTellingErrors(const std::vector<std::string>& args, std::string& errors) {
    testing::internal::CaptureStderr();
    const int result = Render(args);
    errors = testing::internal::GetCapturedStderr();
    return result;
  }

  LogCapture capture_;
  TempDir dir_;
};

TEST_F(OfflineRendererTest, StripHoldsRowZeroOfEveryFrameWhereverTheDataIs) {
  // Frames at 0, 0.25, ..., 2.75 s: the demo ends at 3 s.
  const auto strip = [&](const std::string& data, const std::string& out) {
    EXPECT_EQ(0, Render({"--data", data, "--strip", dir_.PathOf(out), "--fps", "4"}));
    return ReadPng(dir_.PathOf(out));
  };
  const Image fromArchive = strip(dir_.PathOf("solvane.dat"), "a.png");
  ASSERT_EQ(std::make_pair(640, 12), std::make_pair(fromArchive.width, fromArchive.height));
  for (int k = 0; k < 12; ++k)
    for (int x : {0, 159, 160, 320, 479, 480, 639})
      EXPECT_EQ(Expected(x, k / 4.0), fromArchive.At(x, k)) << "frame " << k << " column " << x;
  EXPECT_EQ(fromArchive.pixels, strip(dir_.PathOf("data"), "d.png").pixels);
  EXPECT_EQ(fromArchive.pixels, strip("", "default.png").pixels);  // solvane.dat beside the program
}

TEST_F(OfflineRendererTest, StripAloneHoldsTheTopRowsOfTheFullFrames) {
  // Particles measure the surface, so they show whether a strip drawn on its
  // own sees the same picture as the frames.
  dir_.Write("data/Script/Demo.txt", "0 - 2 Bar;\n0 - 3 Sparks;\n1 - 3 Green;\n");
  dir_.Write("data/Script/Effect/Sparks.txt",
             "Alpha = One; Add = Zero; Particle: Position = 0.0; Tex = Green;");
  const std::string data = dir_.PathOf("data");
  // Every run starts from the program's first random number, as a process does.
  const auto render = [&](const std::vector<std::string>& args) {
    ResetParticlesForTest();
    std::vector<std::string> all = {"--data", data, "--fps", "10"};
    all.insert(all.end(), args.begin(), args.end());
    return Render(all);
  };
  ASSERT_EQ(0, render({"--strip", dir_.PathOf("alone.png")}));
  ASSERT_EQ(0, render({"--strip", dir_.PathOf("with.png"), "--frames", dir_.PathOf("f")}));
  const Image alone = ReadPng(dir_.PathOf("alone.png"));
  ASSERT_EQ(std::make_pair(640, 30), std::make_pair(alone.width, alone.height));
  EXPECT_EQ(alone.pixels, ReadPng(dir_.PathOf("with.png")).pixels);
  const size_t rowPixels = 640;
  int particleColumns = 0;
  for (int k = 0; k < 30; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "f/frame_%06d.png", k);
    const Image frame = ReadPng(dir_.PathOf(name));
    ASSERT_EQ(std::make_pair(640, 480), std::make_pair(frame.width, frame.height)) << name;
    EXPECT_TRUE(std::equal(frame.pixels.begin(), frame.pixels.begin() + rowPixels,
                           alone.pixels.begin() + k * rowPixels))
        << name;
    for (int x = 0; x < 640; ++x) particleColumns += alone.At(x, k) != Expected(x, k / 10.0);
  }
  EXPECT_GT(particleColumns, 100);  // the particles are in the picture
}

TEST_F(OfflineRendererTest, SingleFramesAndFrameRanges) {
  for (double t : {1.5, 2.5, 3.0}) {  // the end is exclusive: nothing at 3 s
    ASSERT_EQ(0, Render({"--frame", std::to_string(t), dir_.PathOf("frame.png")}));
    const Image frame = ReadPng(dir_.PathOf("frame.png"));
    ASSERT_EQ(std::make_pair(640, 480), std::make_pair(frame.width, frame.height));
    for (int y : {0, 240, 478})
      for (int x : {100, 300})
        EXPECT_EQ(Expected(x, t), frame.At(x, y)) << t << ": " << x << "," << y;
    EXPECT_EQ(0u, frame.At(300, 479)) << t;  // the last row is never drawn
  }
  // Frames at 1.5, 2.0 and 2.5 s.
  ASSERT_EQ(0, Render({"--frames", dir_.PathOf("f"), "--fps", "2", "--from", "1.5", "--to", "3"}));
  for (int k = 0; k < 4; ++k) {
    const std::string name = "f/frame_00000" + std::to_string(k) + ".png";
    EXPECT_EQ(k < 3 ? Expected(300, 1.5 + k * 0.5) : kNone, ReadPng(dir_.PathOf(name)).At(300, 200))
        << name;
  }
}

TEST_F(OfflineRendererTest, NoDataNoFfmpegOrAnUnwritableOutputFailTheRun) {
  // The third frame's name is taken by a directory.
  ASSERT_TRUE(std::filesystem::create_directories(dir_.PathOf("f/frame_000002.png")));
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", dir_.Path().c_str(), 1);  // where there is no ffmpeg
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--check", "--data", dir_.PathOf("nowhere.dat")},
           {"--video", dir_.PathOf("v.mp4")},
           {"--strip", dir_.PathOf("missing/dir/strip.png")},
           {"--frames", dir_.PathOf("f"), "--fps", "4", "--strip", dir_.PathOf("s.png")}})
    EXPECT_EQ(1, Render(args)) << args[1];
  setenv("PATH", path.c_str(), 1);
  EXPECT_NE(capture_.Text().find("Data file [" + dir_.PathOf("nowhere.dat")), std::string::npos);
  // The frames before the failed one are written; the strip is not left half written.
  EXPECT_NE(kNone, ReadPng(dir_.PathOf("f/frame_000001.png")).At(0, 0));
  EXPECT_FALSE(std::filesystem::exists(dir_.PathOf("s.png")));
}

// Ranges that give more strip rows than a PNG holds (2^31 - 1) or than memory
// holds, or more frames than k / fps tells apart (2^53), are refused with the
// numbers before anything is rendered or written.
TEST_F(OfflineRendererTest, RangesTooLargeToRenderAreRefusedBeforeAnythingIsWritten) {
  dir_.Write("data/Script/Demo.txt", "0 - 1000000000 Bar;\n");
  const std::string strip = dir_.PathOf("s.png"), frames = dir_.PathOf("f");
  const char* const png = "more than the 2147483647 a PNG holds";
  struct Case { std::vector<std::string> args; std::string said; };
  for (const Case& c : std::vector<Case>{
           {{"--data", dir_.PathOf("data"), "--strip", strip},
            "the strip from --from 0 s to the demo's end at 1000000000 s at 50 fps would have "
            "50000000000 rows, " + std::string(png)},
           // The frames asked for beside the strip are not started either.
           {{"--strip", strip, "--frames", frames, "--from", "0.5", "--to", "1e9"},
            "the strip from --from 0.5 s to --to 1000000000 s at 50 fps would have 49999999975 "
            "rows, " + std::string(png)},
           {{"--strip", strip, "--fps", "1", "--to", "2147483648"},
            "the strip from --from 0 s to --to 2147483648 s at 1 fps would have 2147483648 rows, " +
                std::string(png)},
           {{"--frames", frames, "--to", "1e300"},
            "the frames from --from 0 s to --to 1e+300 s at 50 fps would be more than "
            "9007199254740992, too many to tell apart by their times"},
           {{"--strip", strip, "--from", "-1e300", "--to", "1e300"},
            "the strip from --from -1e+300 s to --to 1e+300 s at 50 fps would have more than "
            "9007199254740992 rows, " + std::string(png)},
           // One row fewer fits the file, and its 5.5 TB do not fit memory (a
           // machine that grants that much would render for days instead).
           {{"--strip", strip, "--fps", "1", "--to", "2147483647"},
            "the strip from --from 0 s to --to 2147483647 s at 1 fps would have 2147483647 rows "
            "(5497558136320 bytes), more than memory allows"}}) {
    const size_t stripWords = size_t{640} * 2147483647u;
    if (c.said.find("memory") != std::string::npos &&
        std::unique_ptr<std::uint32_t[]>(new (std::nothrow) std::uint32_t[stripWords]))
      continue;
    std::string errors;
    EXPECT_EQ(1, RenderTellingErrors(c.args, errors));
    EXPECT_NE(std::string::npos, errors.find("solvane-render: " + c.said +
                                             "; narrow the range with --from/--to\n"))
        << errors;
    EXPECT_FALSE(std::filesystem::exists(strip) || std::filesystem::exists(frames)) << c.said;
  }
}

// What ffprobe says of a file, as its one line of CSV (empty when it cannot tell).
std::string Probe(const std::string& arguments, const std::string& file, const std::string& out) {
  const std::string command = "ffprobe -v error " + arguments + " -of csv=p=0 '" + file + "' > '" +
                              out + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return "";
  std::ifstream in(out);
  std::string line;
  std::getline(in, line);
  return line;
}

TEST_F(OfflineRendererTest, VideoHasEveryFrameAndTheMusicBesideTheProgram) {
  if (std::system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") != 0)
    GTEST_SKIP() << "ffmpeg is not installed";
  // Three seconds of music where the program looks for it.
  const std::string music = dir_.PathOf("solvane.mp3");
  ASSERT_EQ(0, std::system(("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=3 "
                            "-c:a libmp3lame -b:a 64k '" + music + "'").c_str()));
  const std::string video = dir_.PathOf("demo.mp4");
  ASSERT_EQ(0, Render({"--video", video, "--fps", "25"}));
  // The demo ends at 3 s: frames at 0, 1/25, ... 2.96 s.
  EXPECT_EQ("640,480,75",
            Probe("-select_streams v:0 -count_frames -show_entries stream=width,height,nb_read_frames",
                  video, dir_.PathOf("probe.txt")));
  const std::string audio =
      Probe("-select_streams a:0 -show_entries stream=codec_type,duration", video,
            dir_.PathOf("probe.txt"));
  ASSERT_EQ(0u, audio.rfind("audio,", 0)) << audio;
  EXPECT_NEAR(3.0, std::atof(audio.c_str() + 6), 0.1) << audio;
}

}  // namespace
