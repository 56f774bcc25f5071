// solvane-render --check with author hints: exit 0 clean, 1 errors, 2 warnings
// only, the hint lines after the demo's own; AuthorDiagnostics across several
// set-ups; and the music --video muxes, read from the command it builds.
#include <gtest/gtest.h>

#include <cstdio>
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
  }
  void TearDown() override {
    ResetDemoDataSourcesForTest();
    ResetScriptDiagnosticsForTest();
  }
  void Write(const std::string& name, const std::string& text) { dir_.Write("data/" + name, text); }

  // --check on the data directory, from a fresh process state; what it printed.
  int Check(std::string& out) {
    ResetProcessState();
    ResetDemoDataSourcesForTest();
    RenderOptions options;
    options.check = true;
    options.dataPath = dir_.PathOf("data");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int result = RunOfflineRenderer(options, dir_.Path() + "/");
    out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return result;
  }

  TempDir dir_;
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
      diagnostics.End();
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
