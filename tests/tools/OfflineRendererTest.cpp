#include <gtest/gtest.h>

#include <fstream>
#include <png.h>

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
#include "PngWriter.h"
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

using Rgb = std::vector<int>;

// A PNG's pixels, row by row; At is empty when the file could not be read.
struct Image {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
  Rgb At(int x, int y) const {
    if (pixels.empty()) return {};
    const std::uint32_t p = pixels[static_cast<size_t>(y) * width + x];
    return {static_cast<int>(p >> 16), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
  }
};

Image ReadPng(const std::string& path) {
  Image image;
  image.pixels = ReadPngPixels(path, image.width, image.height);
  return image;
}

// The colour of column x (any row but the last) at time t.
Rgb Expected(int x, double t) {
  if (t < 2.0 && x >= 160 && x < 480) return {255, 255, 255};  // the bar
  if (t < 2.0) return {0, 0, 0};     // the bar's opaque black border, over the green
  return {0, t < 3.0 ? 127 : 0, 0};  // 0.5 x 1.0 green over black, truncated
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

TEST_F(OfflineRendererTest, AFrameThatCannotBeWrittenFailsTheRun) {
  // The third frame's name is taken by a directory; the frames before it are written.
  ASSERT_TRUE(std::filesystem::create_directories(dir_.PathOf("f/frame_000002.png")));
  EXPECT_EQ(1, Render({"--frames", dir_.PathOf("f"), "--fps", "4", "--strip", dir_.PathOf("s.png")}));
  EXPECT_FALSE(ReadPng(dir_.PathOf("f/frame_000001.png")).pixels.empty());
  // The strip of a failed run is not left half written.
  EXPECT_FALSE(std::filesystem::exists(dir_.PathOf("s.png")));
}

TEST_F(OfflineRendererTest, SingleFramesAndFrameRanges) {
  for (double t : {1.5, 2.5, 3.0}) {  // the end is exclusive: nothing at 3 s
    ASSERT_EQ(0, Render({"--frame", std::to_string(t), dir_.PathOf("frame.png")}));
    const Image frame = ReadPng(dir_.PathOf("frame.png"));
    ASSERT_EQ(std::make_pair(640, 480), std::make_pair(frame.width, frame.height));
    for (int y : {0, 240, 478})
      for (int x : {100, 300})
        EXPECT_EQ(Expected(x, t), frame.At(x, y)) << t << ": " << x << "," << y;
    EXPECT_EQ(Rgb({0, 0, 0}), frame.At(300, 479)) << t;  // the last row is never drawn
  }
  // Frames at 1.5, 2.0 and 2.5 s.
  ASSERT_EQ(0, Render({"--frames", dir_.PathOf("f"), "--fps", "2", "--from", "1.5", "--to", "3"}));
  for (int k = 0; k < 4; ++k) {
    const std::string name = "f/frame_00000" + std::to_string(k) + ".png";
    EXPECT_EQ(k < 3 ? Expected(300, 1.5 + k * 0.5) : Rgb(), ReadPng(dir_.PathOf(name)).At(300, 200))
        << name;
  }
}

TEST_F(OfflineRendererTest, CheckSucceedsOrFailuresEndWithExitCodeOne) {
  EXPECT_EQ(0, Render({"--check"}));
  EXPECT_NE(capture_.Text().find("Script Demo.txt: 2 Effects"), std::string::npos);
  EXPECT_EQ(0, TheLog().RecordCount());
  // A broken script; no data where it is looked for.
  dir_.Write("data/Script/Effect/Bar.txt", "Alpha = One; Add = Zero; EndEffect: Fade = One;");
  EXPECT_EQ(1, Render({"--check", "--data", dir_.PathOf("data")}));
  EXPECT_NE(capture_.Text().find("Script/Effect/Bar.txt (line 1, column 48): E0003 - Syntax error"),
            std::string::npos)
      << capture_.Text();
  EXPECT_EQ(1, Render({"--check", "--data", dir_.PathOf("nowhere.dat")}));
  EXPECT_NE(capture_.Text().find("Data file ["), std::string::npos);
  // A video without ffmpeg on the PATH; an unwritable output.
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", dir_.Path().c_str(), 1);
  const int result = Render({"--video", dir_.PathOf("v.mp4")});
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(1, result);
  EXPECT_EQ(1, Render({"--strip", dir_.PathOf("missing/dir/strip.png")}));
}

// A demo's time range can give more strip rows than a PNG file can hold (2^31 - 1) or
// than memory holds; the run says which, before anything is rendered or written.
TEST_F(OfflineRendererTest, AStripOfABillionSecondsIsRefusedWithTheRowCount) {
  dir_.Write("data/Script/Demo.txt", "0 - 1000000000 Bar;\n");
  const std::string data = dir_.PathOf("data");
  std::string errors;
  EXPECT_EQ(1, RenderTellingErrors({"--data", data, "--strip", dir_.PathOf("s.png")}, errors));
  EXPECT_NE(errors.find("solvane-render: the strip from --from 0 s to the demo's end at "
                        "1000000000 s at 50 fps would have 50000000000 rows, more than the "
                        "2147483647 a PNG holds; narrow the range with --from/--to\n"),
            std::string::npos)
      << errors;
  EXPECT_FALSE(std::filesystem::exists(dir_.PathOf("s.png")));

  // The same range asked for with --to; the frames asked for beside the strip are not started.
  EXPECT_EQ(1, RenderTellingErrors({"--strip", dir_.PathOf("s.png"), "--frames", dir_.PathOf("f"),
                                    "--from", "0.5", "--to", "1e9"},
                                   errors));
  EXPECT_NE(errors.find("solvane-render: the strip from --from 0.5 s to --to 1000000000 s at 50 "
                        "fps would have 49999999975 rows, more than the 2147483647 a PNG holds; "
                        "narrow the range with --from/--to\n"),
            std::string::npos)
      << errors;
  EXPECT_FALSE(std::filesystem::exists(dir_.PathOf("s.png")));
  EXPECT_FALSE(std::filesystem::exists(dir_.PathOf("f")));
}

TEST_F(OfflineRendererTest, AStripOfTheMostRowsAPngHoldsIsLimitedOnlyByMemory) {
  // One frame a second: frames at 0 .. 2^31 - 1 s fill 2^31 rows, one more than a PNG holds.
  std::string errors;
  EXPECT_EQ(1, RenderTellingErrors({"--strip", dir_.PathOf("s.png"), "--fps", "1", "--to",
                                    "2147483648"},
                                   errors));
  EXPECT_NE(errors.find("solvane-render: the strip from --from 0 s to --to 2147483648 s at 1 fps "
                        "would have 2147483648 rows, more than the 2147483647 a PNG holds; "
                        "narrow the range with --from/--to\n"),
            std::string::npos)
      << errors;
  EXPECT_FALSE(std::filesystem::exists(dir_.PathOf("s.png")));

  // One row fewer fits the file, and its 640 x 4 bytes a row (5.5 TB) do not fit memory. A
  // machine that grants that much address space would render for days instead.
  const size_t words = size_t{640} * 2147483647u;
  if (std::unique_ptr<std::uint32_t[]>(new (std::nothrow) std::uint32_t[words]))
    GTEST_SKIP() << "this machine grants a 5.5 TB allocation";
  EXPECT_EQ(1, RenderTellingErrors({"--strip", dir_.PathOf("s.png"), "--fps", "1", "--to",
                                    "2147483647"},
                                   errors));
  EXPECT_NE(errors.find("solvane-render: the strip from --from 0 s to --to 2147483647 s at 1 fps "
                        "would have 2147483647 rows (5497558136320 bytes), more than memory "
                        "allows; narrow the range with --from/--to\n"),
            std::string::npos)
      << errors;
  EXPECT_FALSE(std::filesystem::exists(dir_.PathOf("s.png")));
}

TEST_F(OfflineRendererTest, RangesBeyondTheCountOfDistinctFrameTimesAreRefused) {
  // Past 2^53 frames, k / fps no longer tells one frame from the next.
  std::string errors;
  EXPECT_EQ(1, RenderTellingErrors({"--frames", dir_.PathOf("f"), "--to", "1e300"}, errors));
  EXPECT_NE(errors.find("solvane-render: the frames from --from 0 s to --to 1e+300 s at 50 fps "
                        "would be more than 9007199254740992, too many to tell apart by their "
                        "times; narrow the range with --from/--to\n"),
            std::string::npos)
      << errors;
  EXPECT_FALSE(std::filesystem::exists(dir_.PathOf("f")));
  // A strip of that range is told as a strip.
  EXPECT_EQ(1, RenderTellingErrors({"--strip", dir_.PathOf("s.png"), "--from", "-1e300", "--to",
                                    "1e300"},
                                   errors));
  EXPECT_NE(errors.find("solvane-render: the strip from --from -1e+300 s to --to 1e+300 s at 50 "
                        "fps would have more than 9007199254740992 rows, more than the "
                        "2147483647 a PNG holds; narrow the range with --from/--to\n"),
            std::string::npos)
      << errors;
}

TEST_F(OfflineRendererTest, AStripMayBeTallerThanLibpngWritesByDefault) {
  // libpng refuses pictures over a million rows unless told otherwise; a strip
  // of six hours at 50 fps is that tall.
  const int height = 1000001;
  const std::vector<std::uint32_t> column(height, 0x00102030u);
  PngRowWriter writer;
  ASSERT_TRUE(writer.Open(dir_.PathOf("tall.png"), 1, height, PngRows::kVarying)) << writer.Error();
  ASSERT_TRUE(writer.WriteRows(column.data(), height)) << writer.Error();
  ASSERT_TRUE(writer.Close()) << writer.Error();

  // Read back with the reader's limit raised to match.
  std::FILE* file = std::fopen(dir_.PathOf("tall.png").c_str(), "rb");
  ASSERT_NE(nullptr, file);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_uint_32 readHeight = 0;
  int wrongRows = 0;
  if (!setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_set_user_limits(png, 1, 0x7fffffff);
    png_read_info(png, info);
    readHeight = png_get_image_height(png, info);
    unsigned char rgb[3];
    for (png_uint_32 y = 0; y < readHeight; ++y) {
      png_read_row(png, rgb, nullptr);
      wrongRows += rgb[0] != 0x10 || rgb[1] != 0x20 || rgb[2] != 0x30;
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  EXPECT_EQ(static_cast<png_uint_32>(height), readHeight);
  EXPECT_EQ(0, wrongRows);
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

TEST(RenderOptionsTest, ReadsEveryOptionAndRefusesBadOnes) {
  RenderOptions o, help;
  std::string error;
  ASSERT_TRUE(
      Parse({"--data", "d.dat", "--strip", "s.png", "--frames", "dir", "--frame", "2.5", "f.png",
             "--video", "v.mp4", "--fps", "25", "--from", "1.5", "--to", "9", "--check"},
            o, error))
      << error;
  EXPECT_EQ(
      std::vector<std::string>({"d.dat", "s.png", "dir", "f.png", "v.mp4"}),
      std::vector<std::string>({o.dataPath, o.stripPath, o.framesDir, o.framePath, o.videoPath}));
  EXPECT_EQ(std::vector<double>({2.5, 25, 1.5, 9}),
            std::vector<double>({o.frameTime, o.fps, o.from, o.to}));
  EXPECT_TRUE(o.check && !o.help);
  EXPECT_TRUE(Parse({"--strip", "x.png", "--help"}, help, error) && help.help);
  // No mode, a missing value or file, not numbers, no frames per second, a negative end, unknown.
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--data", "x"}, {"--strip"}, {"--frame", "1"}, {"--frame", "soon", "f.png"},
           {"--check", "--fps", "0"}, {"--check", "--fps", "nan"}, {"--check", "--to", "-1"},
           {"--check", "--colour"}}) {
    RenderOptions bad;
    error.clear();
    EXPECT_FALSE(Parse(args, bad, error)) << (args.empty() ? "(none)" : args.back());
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
