// solvane-render --check with author hints: exit 0 clean, 1 errors, 2 warnings
// only, the hint lines after the demo's own, and the warnings of what a release
// would get wrong; AuthorDiagnostics across several set-ups; and the music
// --video muxes, read from the command it builds.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "AuthorDiagnostics.h"
#include "KolLog.h"
#include "KolText.h"
#include "OfflineRenderer.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "RenderOptions.h"
#include "ScriptDiagnostics.h"
#include "TestSupport.h"
#include "VDemo.h"

namespace {

class AuthorDiagnosticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetDemoDataSourcesForTest();
    ResetProgramLocationForTest();
    ResetScriptDiagnosticsForTest();
    Write("Script/Demo.txt", "0 - 2 Glow ;\n");
    Write("Script/Effect/Glow.txt", "Alpha = One; Add = Zero; WaveLarge:");
    Write("Script/Float/One.txt", "0 : 1 ;");
    Write("Script/Float/Zero.txt", "0 : 0 ;");
    Write(kAudioLibraryMember, "x");  // a release's data holds it
  }
  void TearDown() override {
    ResetDemoDataSourcesForTest();
    ResetScriptDiagnosticsForTest();
  }
  void Write(const std::string& name, const std::string& text) {
    dir_.Write("data/" + name, text);
    files_[name] = text;
  }

  // --check (with the options given) on the data directory, from a fresh
  // process state; what it printed.
  int Check(std::string& out, RenderOptions options = {}) {
    ResetProcessState();
    ResetDemoDataSourcesForTest();
    options.check = true;
    if (options.dataPath.empty()) options.dataPath = dir_.PathOf("data");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int result = RunOfflineRenderer(options, dir_.Path() + "/");
    out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return result;
  }

  TempDir dir_;
  std::map<std::string, std::string> files_;  // what Write wrote, by name
};

TEST_F(AuthorDiagnosticsTest, CheckExitsZeroOneOrTwoWithTheHintsAfterTheLog) {
  std::string out;
  EXPECT_EQ(0, Check(out));
  EXPECT_EQ("Surface: 640x480\nScript Demo.txt: 1 Effects\nsolvane-render: set-up OK, end time 2 s\n",
            out);

  Write("Script/Effect/Glow.txt", "Alpha = One; Add = Zero;\nWavelarge:");
  EXPECT_EQ(1, Check(out));
  EXPECT_EQ("Surface: 640x480\nunknown effect\nScript Demo.txt: 0 Effects\n"
            "Error: Script/Demo.txt (line 1, column 12): E0003 - Syntax error\n\n"
            "hint: Script/Effect/Glow.txt line 2, column 1: unknown effect kind \"Wavelarge\" "
            "(expected EndEffect, WaveLarge, WaveFlash, Particle or Scroller); named by "
            "Script/Demo.txt line 1\n",
            out);

  Write("Script/Effect/Glow.txt", "Alpha = One; Add = Zero; WaveLarge:");
  Write("Script/Demo.txt", "0 - 2 Glow ;\n5 - 4 Glow ;\n");
  EXPECT_EQ(2, Check(out));
  EXPECT_EQ("Surface: 640x480\nScript Demo.txt: 2 Effects\n"
            "warning: Script/Demo.txt line 2, column 1: effect Glow ends at 4 s, not after its "
            "start at 5 s: it never shows\n"
            "solvane-render: set-up OK, end time 4 s\nsolvane-render: 1 warning\n",
            out);

  // Errors come before warnings, whatever order they were found in.
  Write("Script/Demo.txt", "0 - 0 Glow ;\n1 - 2 Nope ;\n");
  EXPECT_EQ(1, Check(out));
  EXPECT_NE(std::string::npos,
            out.find("hint: Script/Effect/Nope.txt: the effect script is missing from the data, "
                     "or cannot be read; named by Script/Demo.txt line 2\n"
                     "warning: Script/Demo.txt line 1, column 1: effect Glow ends at 0 s, not "
                     "after its start at 0 s: it never shows\n"))
      << out;
}

// What would break a release though the demo loads: data without the audio
// library, a name that finds its file only when case is ignored (said at the
// line that wrote it, from a directory and from an archive alike; the places
// name files as they were asked for, as every finding does), a time to render
// at or past the demo's end.
TEST_F(AuthorDiagnosticsTest, WarningsOfWhatAReleaseWouldGetWrong) {
  Write("Image/Tile.tga", TgaFile(2, 1, 1, 24, 0, "\x10\x20\x30"));
  Write("Image/Mask.tga", TgaFile(2, 1, 1, 24, 0, "\x40\x40\x40"));
  Write("Script/Effect/Roll.txt",
        "Alpha = one; Add = Zero;\nScroller: Delta = Zero; Speed = Zero; YDelta = Zero;\n"
        "YSpeed = Zero; Tex = sky;");
  Write("Script/Texture/Sky.txt",
        "Texture:\nColorMap = \"image/tile.tga\";\nAlphaMap = \"Image/MASK.tga\";");
  const std::string cased = "\" only when case is ignored; write the name as the file has it";
  const std::string caseWarnings =
      "warning: Script/Demo.txt line 2: \"Script/Effect/roll.txt\" matches the file "
      "\"Script/Effect/Roll.txt" + cased + "\n"
      "warning: Script/Effect/roll.txt line 1: \"Script/Float/one.txt\" matches the file "
      "\"Script/Float/One.txt" + cased + "; named by Script/Demo.txt line 2\n"
      "warning: Script/Effect/roll.txt line 3: \"Script/Texture/sky.txt\" matches the file "
      "\"Script/Texture/Sky.txt" + cased + "; named by Script/Demo.txt line 2\n"
      "warning: Script/Texture/sky.txt line 2: \"image/tile.tga\" matches the file "
      "\"Image/Tile.tga" + cased + "; named by Script/Effect/roll.txt line 3, named by "
      "Script/Demo.txt line 2\n"
      "warning: Script/Texture/sky.txt line 3: \"Image/MASK.tga\" matches the file "
      "\"Image/Mask.tga" + cased + "; named by Script/Effect/roll.txt line 3, named by "
      "Script/Demo.txt line 2\n";
  const std::string noAudio =
      "warning: the data holds no \"bass.dll\": the demo will play without sound (copy the "
      "audio library into the data as bass.dll, or make the release with solvane-pack)\n";
  struct Case {
    const char* demo;
    const char* data;  // "data", or an archive of it without the audio library
    double frame;      // --frame, when not negative
    double from;       // --from with a strip to 0.5 s later, when positive
    int exit;
    std::string warnings;
  };
  for (const Case& c : std::vector<Case>{
           {"0 - 2 Glow ;\n", "data", 1.99, 0, 0, ""},
           {"0 - 2 Glow ;\n", "data", 2, 0, 2,
            "warning: --frame 2 s lies at or past the demo's end at 2 s: the demo never shows "
            "that time\n"},
           {"0 - 2.5 Glow ;\n", "data", -1, 2.25, 2,
            "warning: --from 2.25 s lies at or past the demo's end at 2 s: the demo never shows "
            "that time\n"},
           {"0 - 2 Glow ;\n1 - 2 roll ;\n", "data", -1, 0, 2, caseWarnings},
           {"0 - 2 Glow ;\n1 - 2 roll ;\n", "no-audio.dat", -1, 0, 2, caseWarnings + noAudio}}) {
    SCOPED_TRACE(std::string(c.demo) + c.data);
    Write("Script/Demo.txt", c.demo);
    std::vector<ZipMember> members;
    for (const auto& [name, text] : files_)
      if (name != kAudioLibraryMember) members.push_back({name, text});
    ASSERT_TRUE(WriteZip(dir_.PathOf("no-audio.dat"), members));
    RenderOptions options;
    options.dataPath = dir_.PathOf(c.data);
    if (c.frame >= 0) {
      options.framePath = dir_.PathOf("frame.png");
      options.frameTime = c.frame;
    }
    if (c.from > 0) {
      options.stripPath = dir_.PathOf("strip.png");
      options.from = c.from;
      options.to = c.from + 0.5;
    }
    std::string out;
    EXPECT_EQ(c.exit, Check(out, options)) << out;
    std::istringstream lines(out);
    std::string warnings;
    for (std::string line; std::getline(lines, line);)
      if (line.rfind("warning: ", 0) == 0) warnings += line + "\n";
    EXPECT_EQ(c.warnings, warnings);
  }
}

// The live tool sets the demo up again after every edit: each round reports
// its own findings and first error, none left from the one before. (The lines'
// wording is the --check test's.)
TEST_F(AuthorDiagnosticsTest, SeveralSetUpsInOneProcess) {
  ResetProcessState();
  AuthorDiagnostics diagnostics;  // one for every round, as the live tool has
  Write("Script/Float/Big.txt", "0 : 255;");
  std::string keys;
  for (int i = 0; i < 1201; ++i) keys += std::to_string(i) + ":1;\n";
  Write("Script/Float/Many.txt", keys);
  struct Round {
    const char* demo; const char* effect;
    bool errors; int warnings; size_t lines; AuthorError first;
  };
  for (const Round& r : std::vector<Round>{
           {"0 - 2 Glow ;\n", "Alpha = One; Add = Zero;\nScroller: Delta = Zero; YDelta = Zero;",
            true, 0, 1, {true, "Script/Effect/Glow.txt", 2, 25, "expected Speed (the Scroller's "
            "parameters come in the order Delta, Speed, YDelta, YSpeed, Tex), found \"YDelta\""}},
           {"0 - 2 Glow ;\n", "Alpha = Big; Add = Zero; WaveLarge:", false, 1, 1, {}},
           {"x", "Alpha = One; Add = Zero; WaveLarge:", true, 0, 1,
            {true, "Script/Demo.txt", 1, 1, "the file holds a single byte"}},
           // An error no reader explains still gives the live tool the log's text.
           {"0 - 2 Glow ;\n", "Alpha = Many; Add = Zero; WaveLarge:", true, 0, 0,
            {true, "", 0, 0, "Too many keys in Many.txt"}}}) {
    SCOPED_TRACE(r.effect);
    Write("Script/Demo.txt", r.demo);
    Write("Script/Effect/Glow.txt", r.effect);
    TheLog().ResetForTest();
    ForgetReportedTextError();
    ResetDemoDataSourcesForTest();
    // The demo's surface needs a window, one at a time: a backend a round.
    const bool started = plat::StartHeadless();
    {
      VDemo demo;
      demo.displayMode = kDisplayWindowed;
      demo.soundMode = kSoundNone;
      demo.SetDataLocation("", dir_.PathOf("data"));
      diagnostics.Begin();
      demo.Setup();
      diagnostics.End(DefaultLoadSource());
    }
    if (started) plat::Shutdown();
    EXPECT_EQ(r.errors, diagnostics.HasErrors());
    EXPECT_EQ(r.warnings, diagnostics.WarningCount());
    EXPECT_EQ(r.lines, diagnostics.Lines().size());
    const AuthorError& first = diagnostics.FirstError();
    EXPECT_EQ(r.first.found, first.found);
    EXPECT_EQ(r.first.file + ":" + std::to_string(r.first.line) + ":" +
                  std::to_string(r.first.column) + ": " + r.first.message,
              first.file + ":" + std::to_string(first.line) + ":" + std::to_string(first.column) +
                  ": " + first.message);
    EXPECT_FALSE(TheScriptDiagnostics().Enabled());  // End switches it off again
  }
  ResetDemoDataSourcesForTest();
}

TEST_F(AuthorDiagnosticsTest, VideoMusicFollowsTheDataAndTheMusicOption) {
  for (const char* name : {"mine.dat", "mine.mp3", "solvane.mp3", "other.dat"})
    dir_.Write(name, "x");
  RenderOptions options;
  options.videoPath = "out.mp4";
  options.fps = 25;
  options.dataPath = dir_.PathOf("mine.dat");
  std::string note;
  const std::string program = dir_.Path() + "/";
  const auto command = [&] { return BuildVideoCommand(options, program, 640, 480, note); };
  EXPECT_EQ("ffmpeg -y -loglevel error -f rawvideo -pixel_format bgr0 -video_size 640x480 "
            "-framerate 25 -i - -ss 0.000 -i '" + dir_.PathOf("mine.mp3") +
                "' -c:v libx264 -pix_fmt yuv420p -c:a aac -b:a 192k -ac 2 -af apad -shortest 'out.mp4'",
            command());
  options.musicPath = dir_.PathOf("solvane.mp3");
  options.from = 1.5;
  EXPECT_NE(std::string::npos, command().find("-ss 1.500 -i '" + dir_.PathOf("solvane.mp3") + "'"));
  // Data without music of its own gives a silent video, never solvane.mp3.
  options.musicPath.clear();
  options.dataPath = dir_.PathOf("other.dat");
  const std::string silent = command();
  EXPECT_EQ(std::string::npos, silent.find(".mp3")) << silent;
  EXPECT_EQ(std::string::npos, silent.find("-c:a")) << silent;
  EXPECT_FALSE(note.empty());
}

}  // namespace
