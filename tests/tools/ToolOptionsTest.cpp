// The author tools' command lines: every option reaches its field, and bad
// ones are refused in the shared parser's words, which the usage follows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LiveOptions.h"
#include "RenderOptions.h"

namespace {

using Args = std::vector<const char*>;

// The refusal of a command line, empty when it is taken.
template <typename Options, typename Parse>
std::string Refusal(Parse parse, Args args, Options& options) {
  args.insert(args.begin(), "tool");
  std::string error;
  return parse(static_cast<int>(args.size()), args.data(), options, error) ? "" : error;
}

TEST(ToolOptionsTest, EveryOptionReachesItsField) {
  RenderOptions r;
  ASSERT_EQ("", Refusal(ParseRenderOptions, {"--data", "d.dat", "--strip", "s.png", "--frames",
                                             "dir", "--frame", "2.5", "f.png", "--video", "v.mp4",
                                             "--music", "m.mp3", "--fps", "25", "--from", "-1.5",
                                             "--to", "9", "--check"}, r));
  EXPECT_EQ((std::vector<std::string>{"d.dat", "s.png", "dir", "f.png", "v.mp4", "m.mp3"}),
            (std::vector<std::string>{r.dataPath, r.stripPath, r.framesDir, r.framePath,
                                      r.videoPath, r.musicPath}));
  EXPECT_EQ((std::vector<double>{2.5, 25, -1.5, 9}),
            (std::vector<double>{r.frameTime, r.fps, r.from, r.to}));
  EXPECT_TRUE(r.check && !r.help);
  // Times are kept as whole milliseconds.
  LiveOptions l;
  ASSERT_EQ("", Refusal(ParseLiveOptions, {"--from", "12.3456", "--loop", "4", "8.5", "--bpm", "120",
                                           "--beat-offset", "0.35", "--data", "d", "--music", "m",
                                           "--fullscreen",
                                           "--record", "Fade_2", "--quantize", "3"}, l));
  EXPECT_EQ((std::vector<int>{12346, 4000, 8500}),
            (std::vector<int>{l.fromMs, l.loopInMs, l.loopOutMs}));
  EXPECT_TRUE(l.loop && l.fullScreen && !l.help);
  EXPECT_EQ(120.0, l.bpm);
  EXPECT_EQ(0.35, l.beatOffset);
  EXPECT_EQ(-1.0, LiveOptions().beatOffset);  // not given: the music's
  EXPECT_EQ("d m Fade_2 3", l.dataPath + " " + l.musicPath + " " + l.recordTrack + " " +
                               std::to_string(l.quantize));
  // Help stops the reading, before anything after it is judged.
  RenderOptions rh;
  LiveOptions lh;
  EXPECT_EQ("", Refusal(ParseRenderOptions, {"--strip", "x.png", "-h", "--bogus"}, rh));
  EXPECT_EQ("", Refusal(ParseLiveOptions, {"--help", "--from"}, lh));
  EXPECT_TRUE(rh.help && lh.help);
  EXPECT_NE(std::string::npos, std::string(RenderUsage()).find("1 errors, 2 warnings only"));
}

TEST(ToolOptionsTest, RefusalsAreWordedAlike) {
  struct Case { bool live; Args args; std::string refusal; };
  const std::string nothing = "nothing to do: give --check, --strip, --frames, --frame or --video";
  const std::string fps = "--fps: not a number above 0 and at most 1000: ";
  const std::string seconds = ": not a number from 0 to 2000000: ";
  const std::string order = "--loop: the end must come after the start";
  for (const Case& c : std::vector<Case>{
           {false, {}, nothing},
           {false, {"--data", "x", "--music", "m"}, nothing},
           {false, {"--check", "--colour"}, "unknown argument: --colour"},
           {true, {"--frobnicate"}, "unknown argument: --frobnicate"},
           {false, {"--video", "v.mp4", "--music"}, "--music needs a value"},
           {true, {"--music"}, "--music needs a value"},
           {false, {"--frame", "1"}, "--frame needs two values"},
           {true, {"--loop", "5"}, "--loop needs two values"},
           {false, {"--frame", "soon", "f.png"}, "--frame: not a number: soon"},
           {false, {"--check", "--from", "1x"}, "--from: not a number: 1x"},
           {false, {"--check", "--fps", "0"}, fps + "0"},
           {false, {"--check", "--fps", "1000.5"}, fps + "1000.5"},
           {false, {"--check", "--fps", "nan"}, fps + "nan"},
           {false, {"--check", "--to", "-1"}, "--to: not a number of at least 0: -1"},
           {true, {"--from", "-1"}, "--from" + seconds + "-1"},
           {true, {"--from", ""}, "--from" + seconds},
           {true, {"--loop", "1", "2000001"}, "--loop" + seconds + "2000001"},
           {true, {"--bpm", "0.5"}, "--bpm: not a number from 1 to 1000: 0.5"},
           {true, {"--loop", "8", "4"}, order},
           {true, {"--loop", "4", "4"}, order},
           {true, {"--record", "2x"}, "--record: \"2x\" is no track name: an effect script names a "
                                      "track with letters, digits and _, not starting with a digit"},
           {true, {"--quantize", "2.5"}, "--quantize: the steps a beat are a whole number"}}) {
    RenderOptions r;
    LiveOptions l;
    EXPECT_EQ(c.refusal, c.live ? Refusal(ParseLiveOptions, c.args, l)
                                : Refusal(ParseRenderOptions, c.args, r))
        << (c.args.empty() ? "(none)" : c.args.back());
  }
}

}  // namespace
