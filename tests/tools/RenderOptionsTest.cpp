#include <gtest/gtest.h>

#include <vector>

#include "RenderOptions.h"

namespace {

bool Parse(std::vector<const char*> args, RenderOptions& options, std::string& error) {
  args.insert(args.begin(), "solvane-render");
  return ParseRenderOptions(static_cast<int>(args.size()), args.data(), options, error);
}

}  // namespace

TEST(RenderOptionsTest, ReadsEveryOption) {
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--data", "d.dat", "--strip", "s.png", "--frames", "dir", "--frame", "2.5",
                     "f.png", "--video", "v.mp4", "--fps", "25", "--from", "1.5", "--to", "9"},
                    o, error))
      << error;
  EXPECT_EQ(o.dataPath, "d.dat");
  EXPECT_EQ(o.stripPath, "s.png");
  EXPECT_EQ(o.framesDir, "dir");
  EXPECT_EQ(o.framePath, "f.png");
  EXPECT_DOUBLE_EQ(o.frameTime, 2.5);
  EXPECT_EQ(o.videoPath, "v.mp4");
  EXPECT_DOUBLE_EQ(o.fps, 25.0);
  EXPECT_DOUBLE_EQ(o.from, 1.5);
  EXPECT_DOUBLE_EQ(o.to, 9.0);
  EXPECT_FALSE(o.check);
}

TEST(RenderOptionsTest, RefusesWhatItCannotUse) {
  const std::vector<std::vector<const char*>> bad = {
      {},                              // no mode
      {"--data", "x"},                 // still no mode
      {"--strip"},                     // missing value
      {"--frame", "1"},                // missing file
      {"--frame", "soon", "f.png"},    // not a number
      {"--check", "--fps", "0"},       // no frames per second
      {"--check", "--fps", "nan"},
      {"--check", "--to", "-1"},
      {"--check", "--colour"},         // unknown
  };
  for (const auto& args : bad) {
    RenderOptions o;
    std::string error;
    EXPECT_FALSE(Parse(args, o, error)) << (args.empty() ? "(none)" : args[0]);
    EXPECT_FALSE(error.empty());
  }
  RenderOptions o;
  std::string error;
  EXPECT_TRUE(Parse({"--strip", "x.png", "--help"}, o, error));
  EXPECT_TRUE(o.help);
}
