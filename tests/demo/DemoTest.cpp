// The demo and the program around it: data sources, set-up, frame pacing and the
// ways a run ends, what a frame shows, display modes, the entry, clock and location.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Backend.h"  // the core's window record, for the demo window's title
#include "BackendChoice.h"
#include "HeadlessControl.h"
#include "KolLog.h"
#include "Platform.h"
#include "ProgramEntry.h"
#include "ProgramLocation.h"
#include "StartResourcePixels.h"
#include "StartResources.h"
#include "TestSupport.h"
#include "VClock.h"
#include "VDemo.h"
#include "VWindowSurface.h"

namespace {

plat::headless::Control& TheHeadless() { return plat::headless::TheHeadless(); }

// A fake executable "demo" in a scratch folder, its data beside it, and a
// headless clock that moves one millisecond per read.
class DemoTest : public ::testing::Test {
 protected:
  void SetUp() override { Restart(); }
  void TearDown() override { plat::Shutdown(); }
  // A fresh backend and log.
  void Restart() const {
    plat::Shutdown();
    plat::SetProgramPathForTest(dir.PathOf("demo"));
    ResetProgramLocationForTest();
    ResetProcessState();
    TheLog().SetBufferOutput(true);
    ResetSurfaceInputForTest();
    ResetDemoDataSourcesForTest();
    ASSERT_TRUE(plat::StartHeadless());
    TheHeadless().tickStep = 1;
  }
  // A demo script of wave effects and any more files, in the data directory
  // or the archive demo.dat.
  void WriteDemo(const std::string& demo, bool archive = false,
                 const std::vector<ZipMember>& more = {}) const {
    std::vector<ZipMember> files = {
        {"Script/Demo.txt", demo},
        {"Script/Effect/Wave.txt", "Alpha = one; Add = zero; WaveLarge:"},
        {"Script/Float/one.txt", "0 : 1 ;"}, {"Script/Float/zero.txt", "0 : 0 ;"}};
    for (const ZipMember& m : more)
      if (!m.data.empty()) files.push_back(m);
    if (archive) {
      ASSERT_TRUE(WriteZip(dir.PathOf("demo.dat"), files));
    } else {
      for (const ZipMember& f : files) dir.Write("data/" + f.name, f.data);
    }
  }
  // The program as started by the user: in the start dialog, Tab twice to the
  // display list, End for Windowed, Enter.
  static void RunProgram() {
    for (unsigned key : {plat::kKeyTab, plat::kKeyTab, plat::kKeyEnd, plat::kKeyReturn})
      TheHeadless().TypeKey(key);
    EXPECT_EQ(0, ProgramEntry("", ProgramResources()));
    EXPECT_EQ(0, TheHeadless().inputRunOut);
  }

  LogCapture capture;
  TempDir dir;
};

TEST_F(DemoTest, DataComesFromTheArchiveBesideTheProgramElseTheDataDirectory) {
  WriteDemo("0 - 1 Wave ;\n0 - 1 Wave ;", true);
  WriteDemo("0 - 1 Wave ;");
  struct Case { const char* removed; const char* line; int errors; };
  for (const Case& c : {Case{"", ": 2 Effects\n", 0}, Case{"demo.dat", ": 1 Effects\n", 0},
                        Case{"data", "Error: Could not open demo script Demo.txt\n", 1}}) {
    Restart();
    if (*c.removed) std::filesystem::remove_all(dir.PathOf(c.removed));
    RunProgram();
    const std::string text = capture.Text();
    const size_t missing = text.find("Data file [" + dir.Path() + "/demo.dat] not present\n");
    EXPECT_EQ(*c.removed ? 0u : std::string::npos, missing) << text;
    EXPECT_NE(std::string::npos, text.find(c.line)) << text;
    EXPECT_EQ(c.errors, TheLog().RecordCount()) << text;
    EXPECT_EQ(c.errors == 0, TheHeadless().framesShown > 0) << text;
  }
}

// An archive held in memory (a web page's data) opens as the archive file
// would, for the release and for the set-up; one cut short does not open.
TEST_F(DemoTest, AnArchiveImageInMemoryOpensAsTheArchiveFile) {
  WriteDemo("0 - 1 Wave ;\n0 - 1 Wave ;", true, {{"Release.txt", "Title = \"Neon\" ;"}});
  const std::string zip = dir.Read("demo.dat");
  std::filesystem::remove(dir.PathOf("demo.dat"));
  for (const bool cut : {false, true}) {
    Restart();
    VDemo demo;
    demo.SetDataImage(std::make_shared<const std::vector<unsigned char>>(
                          zip.begin(), zip.end() - (cut ? 30 : 0)),
                      "memory.dat");
    demo.ReadRelease();
    demo.Setup();
    const std::string text = capture.Text();
    EXPECT_EQ(cut ? "Solvane" : "Neon", demo.release.title);
    EXPECT_EQ(cut, demo.abandoned);
    EXPECT_EQ(cut, text.find("Data file [memory.dat] not present\n") != std::string::npos) << text;
    EXPECT_EQ(!cut, text.find(": 2 Effects\n") != std::string::npos) << text;
    EXPECT_EQ(0, TheLog().RecordCount());
  }
}

TEST_F(DemoTest, AReleaseNamesTheDialogAndTheWindowOrIsSetAsideWithOneLine) {
  // A 24-bit TGA from the top row down: its first pixel red, the rest blue.
  const auto banner = [](int width, int height) {
    std::string pixels(static_cast<size_t>(width) * height * 3, '\0');
    for (size_t i = 0; i < pixels.size(); i += 3) pixels[i] = '\xFF';
    pixels[0] = '\0';
    pixels[2] = '\xFF';
    return TgaFile(2, width, height, 24, 0x20, pixels);
  };
  const std::string neon = "Title = \"Neon\" ;\nBanner = \"Image/banner.tga\" ;\n";
  const std::string keeps = "; the release keeps the name Solvane and its banner\n";
  struct Case { const char* what; std::string release; std::string image; const char* title;
                std::uint32_t firstPixel; std::string line; bool archive = false; };
  const Case cases[] = {
      {"none", "", "", "Solvane", kTitlePicturePixels[0], ""},
      {"named", neon, banner(200, 40), "Neon", 0xFF0000, ""},
      {"named in the archive", neon, banner(200, 40), "Neon", 0xFF0000, "", true},
      {"title only", "Title = \"Neon\" ;", "", "Neon", kTitlePicturePixels[0], ""},
      {"unknown key", "Titel = \"Neon\" ;", "", "Solvane", kTitlePicturePixels[0],
       "Warning: Release.txt (line 1, column 1): unknown key \"Titel\" (expected Title or Banner)" + keeps},
      {"no banner file", neon, "", "Solvane", kTitlePicturePixels[0],
       "Warning: Release.txt (line 2, column 1): the banner \"Image/banner.tga\" cannot be loaded: "
       "the image is missing from the data, or cannot be read" + keeps},
      {"banner of the wrong size", neon, banner(100, 40), "Solvane", kTitlePicturePixels[0],
       "Warning: Release.txt (line 2, column 1): the banner \"Image/banner.tga\" is 100 x 40 pixels; "
       "it must be 200 x 40" + keeps},
      {"no semicolon", "Title = \"Neon\"", "", "Solvane", kTitlePicturePixels[0],
       "Warning: Release.txt (line 1, column 15): Syntax error: expected \";\" at the end of the line, "
       "found the end of the file" + keeps}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Restart();
    std::filesystem::remove_all(dir.PathOf("data"));
    std::filesystem::remove(dir.PathOf("demo.dat"));
    WriteDemo("0 - 1 Wave ;", c.archive, {{"Release.txt", c.release}, {"Image/banner.tga", c.image}});
    // What the dialog shows once it waits, then the keys of RunProgram.
    std::string caption, button, window;
    std::uint32_t firstPixel = 0;
    TheHeadless().onIdle = [&] {
      if (!caption.empty()) return;
      caption = TheHeadless().lastPaintTitle;
      for (const plat::DrawCommand& command : TheHeadless().lastPaint) {
        if (command.kind == plat::DrawCommand::kPicture) firstPixel = command.picture->pixels[0];
        if (command.kind == plat::DrawCommand::kText && command.text.rfind("Start ", 0) == 0)
          button = command.text;
      }
      for (unsigned key : {plat::kKeyTab, plat::kKeyTab, plat::kKeyEnd, plat::kKeyReturn})
        TheHeadless().TypeKey(key);
    };
    TheHeadless().onFrame = [&](const plat::headless::Frame&) {
      window = static_cast<plat::Window*>(plat::FindWindowOfClass("VSurface"))->title;
    };
    EXPECT_EQ(0, ProgramEntry("", ProgramResources()));
    EXPECT_EQ(c.title, caption);
    EXPECT_EQ(std::string("Start ") + c.title, button);
    EXPECT_EQ(c.title, window);
    EXPECT_EQ(c.firstPixel, firstPixel);
    // The line, and nothing else, names the file.
    const std::string text = capture.Text();
    size_t mentions = 0;
    for (size_t at = text.find("Release.txt"); at != std::string::npos; at = text.find("Release.txt", at + 1))
      ++mentions;
    EXPECT_EQ(c.line.empty() ? 0u : 1u, mentions) << text;
    EXPECT_TRUE(c.line.empty() || text.find(c.line) != std::string::npos) << text;
    EXPECT_EQ(0, TheLog().RecordCount()) << text;
    EXPECT_FALSE(ProgramDemoFailed());
  }
}

TEST_F(DemoTest, NoDataDirectoryEitherAbandonsTheSetUp) {
  const std::string file = dir.PathOf("none.dat");
  VDemo demo;
  demo.SetDataLocation(file, "");
  demo.Run();
  EXPECT_EQ("Data file [" + file + "] not present\nData directory [] not present\n",
            capture.Text());
  EXPECT_TRUE(demo.abandoned);
  EXPECT_EQ(nullptr, demo.surface);
  EXPECT_EQ(0, TheHeadless().framesShown);
}

TEST_F(DemoTest, EndTimeIsTheLatestEffectEndInWholeSeconds) {
  struct Case { const char* script; int endTime; };
  // An end past what an int holds clamps to the largest int: the run lasts until quit.
  for (const Case& c : {Case{"0 - 10.5 Wave ; 0 - 10.7 Wave ;", 10},
                        Case{"2 - 12.75 Wave ; 0 - 3 Wave ;", 12}, Case{"-3 - -1 Wave ;", 0},
                        Case{"0 - 10000000000 Wave ; 0 - 3 Wave ;", INT_MAX},
                        Case{"0 - 3 Wave ; 0 - 2147483648 Wave ;", INT_MAX},
                        Case{"0 - 2147483520 Wave ;", 2147483520},  // the last float below
                        Case{"0 - 1000000000000000000000000000000000000000 Wave ;", INT_MAX}}) {
    Restart();
    WriteDemo(c.script);
    VDemo demo;
    demo.Setup();
    EXPECT_EQ(0, TheLog().RecordCount()) << capture.Text();
    EXPECT_EQ(c.endTime, demo.endTime) << c.script;
  }
}

// Each display mode shows its frames on its own surface; whether the set-up
// fails or not, the demo gives the screen back (mode, exclusive output,
// pointer) when it finishes, not when the process ends.
TEST_F(DemoTest, EachDisplayModeGivesTheScreenBackWhenTheDemoFinishes) {
  struct Case { const char* script; int mode; int frames; bool flipped; int changes, releases; };
  for (const Case& c : {Case{"// no effects\n", 1, 1, false, 1, 0},
                        Case{"// no effects\n", 2, 1, true, 0, 1},
                        Case{"// no effects\n", 3, 1, false, 0, 0},
                        Case{"0 - 1 Wave ;\n1 - 2 Missing ;", 1, 0, false, 1, 0},
                        Case{"0 - 1 Wave ;\n1 - 2 Missing ;", 2, 0, false, 0, 1}}) {
    SCOPED_TRACE(std::string(c.script) + " in mode " + std::to_string(c.mode));
    Restart();
    WriteDemo(c.script);
    VDemo demo;
    demo.displayMode = c.mode;
    demo.Run();
    const std::string error = TheLog().RecordCount() ? TheLog().Record(0).text : "";
    EXPECT_EQ(c.frames ? "" : "Could not open effect script Missing.txt", error);
    EXPECT_EQ(c.frames ? 0 : 1, TheLog().RecordCount());
    ASSERT_EQ(c.frames, TheHeadless().framesShown);
    EXPECT_EQ(c.flipped, TheHeadless().lastFrame.flipped);
    EXPECT_EQ(c.changes, TheHeadless().displayChanges);
    EXPECT_EQ(c.changes, TheHeadless().displayRestores);
    EXPECT_EQ(c.releases, TheHeadless().exclusiveReleases);
    EXPECT_EQ(0, TheHeadless().exclusiveModeWidth);
    EXPECT_TRUE(TheHeadless().pointerVisible);
    EXPECT_EQ(nullptr, demo.surface->pixels);
  }
}

// Another program in front of the DirectDraw full screen for a second: no
// frame shows meanwhile, the loop still sleeps between frames (one restore a
// frame, no spinning), time goes on, and the first frame back is the current
// time's, said once in the log each way.
TEST_F(DemoTest, AFullScreenTakenAwayKeepsItsTimeAndNeitherSpinsNorShowsUntilItIsBack) {
  WriteDemo("0 - 2.5 Wave ;");  // ends at 2 s
  TheHeadless().tickStep = 0;
  TheHeadless().tickPerPoll = 1;
  TheHeadless().awayFrom = 500;
  TheHeadless().awayUntil = 1500;
  std::vector<int> shown;
  TheHeadless().onFrame = [&shown](const plat::headless::Frame&) {
    shown.push_back(TheDemoClock().Milliseconds());
  };
  int restoresAway = 0, framesAway = 0;
  {
    VDemo demo;
    demo.displayMode = kDisplayFullScreenExclusive;
    demo.Run();
    framesAway = demo.framesRendered - static_cast<int>(shown.size());
    restoresAway = TheHeadless().restoreCalls;
  }
  ASSERT_FALSE(shown.empty());
  const auto firstBack = std::find_if(shown.begin(), shown.end(), [](int t) { return t >= 500; });
  ASSERT_NE(shown.end(), firstBack);
  EXPECT_LT(*(firstBack - 1), 500);
  EXPECT_GE(*firstBack, 1500);
  // The frame that finds it back restores the surfaces; the next one shows.
  EXPECT_LE(*firstBack, 1500 + 2 * 22);
  EXPECT_NEAR(1000 / 21, framesAway, 3);  // the frame rate goes on while away
  EXPECT_LE(restoresAway, framesAway + 1);
  EXPECT_LT(TheHeadless().polls, 3 * (static_cast<int>(shown.size()) + framesAway) + 10);
  const std::string log = capture.Text();
  const std::string lost = "DirectDraw: the surface was lost; restoring it\n";
  const std::string back = "DirectDraw: the surface is back\n";
  ASSERT_NE(std::string::npos, log.find(lost)) << log;
  EXPECT_LT(log.find(lost), log.find(back));  // once each way
  EXPECT_EQ(log.find(lost), log.rfind(lost));
  EXPECT_EQ(log.find(back), log.rfind(back));
  EXPECT_EQ(0, TheLog().RecordCount());
}

TEST_F(DemoTest, EffectIsShownFromItsStartUpToButNotAtItsEndAndFillsAllButTheLastRow) {
  WriteDemo("5 - 10 Wave ;");
  VDemo demo;
  demo.Setup();
  ASSERT_EQ(0, TheLog().RecordCount()) << capture.Text();
  TheHeadless().tickStep = 0;
  const std::vector<std::uint32_t>& pixels = TheHeadless().lastFrame.pixels;
  for (const auto& [ms, shown] : std::vector<std::pair<std::uint32_t, bool>>{
           {4999, false}, {10000, false}, {9999, true}, {5000, true}}) {
    TheHeadless().tick = TheDemoClock().StartTick() + ms;
    demo.RenderFrame();
    EXPECT_EQ(shown, pixels.at(320) != 0) << ms;
  }
  // The frame at 5000 ms: every row repeats row 0, the last is never written.
  ASSERT_EQ(640u * 480u, pixels.size());
  for (size_t i = 640; i < pixels.size(); ++i)
    ASSERT_EQ(i < 640 * 479 ? pixels[i % 640] : 0u, pixels[i]) << i;
}

TEST_F(DemoTest, FramesComeStrictlyMoreThan20MsApartAndAPostedQuitDoesNotEndTheRun) {
  WriteDemo("0 - 1.9 Wave ;");  // ends at 1 s
  for (int step = 1; step <= 8; ++step) {
    Restart();
    TheHeadless().tickStep = static_cast<std::uint32_t>(step);
    std::vector<int> times;  // of each frame shown: the tick after the frame read the clock
    TheHeadless().onFrame = [&times, step](const plat::headless::Frame&) {
      times.push_back(static_cast<int>(TheHeadless().tick - TheDemoClock().StartTick()) - step);
      plat::PostQuit(0);
    };
    plat::PostQuit(0);
    VDemo demo;
    demo.Run();
    ASSERT_GT(times.size(), 1u) << step;
    EXPECT_LE(times.front(), 2 * step);  // no wait for the first
    // The end is checked after each frame: the last is at most a pass late.
    EXPECT_LT(times[times.size() - 2], 1000) << step;
    EXPECT_GE(times.back(), 1000 - 20 - 3 * step) << step;
    EXPECT_LT(times.back(), 1000 + 3 * step) << step;
    for (size_t i = 1; i < times.size(); ++i) {
      EXPECT_GT(times[i] - times[i - 1], 20) << step << "/" << i;
      EXPECT_LE(times[i] - times[i - 1], 20 + 3 * step) << step << "/" << i;  // never idles
    }
  }
}

// Between frames the loop sleeps until the next frame is due, and still acts
// at the very milliseconds at which the loop that polls without pause acts,
// across the tick count's wrap too:
// on a clock that moves one millisecond at each input poll, the polling loop
// sees every millisecond.
TEST_F(DemoTest, TheLoopSleepsBetweenFramesAndRendersAtThePollingLoopsTimes) {
  WriteDemo("0 - 2.5 Wave ;");  // ends at 2 s
  struct Run { std::vector<int> times; int polls = 0, waits = 0; std::string marks; };
  const auto run = [this](bool polled, const char* keysAtFrame10) {
    Restart();
    SetFramesPolled(polled);
    TheHeadless().tickStep = 0;
    TheHeadless().tickPerPoll = 1;
    // The tick count wraps a second in (as after 49.7 days up): the waits'
    // deadlines must wrap with it.
    TheHeadless().tick = 0u - 1000u;
    Run result;
    TheHeadless().onFrame = [&result, keysAtFrame10](const plat::headless::Frame&) {
      result.times.push_back(TheDemoClock().Milliseconds());
      if (result.times.size() == 10)
        for (const char* key = keysAtFrame10; *key; ++key) TheHeadless().TypeKey(*key);
    };
    {
      VDemo demo;
      demo.Run();
    }  // the key marks are logged as the demo goes
    SetFramesPolled(false);
    result.polls = TheHeadless().polls;
    result.waits = TheHeadless().timedWaits;
    result.marks = capture.Text();
    return result;
  };
  const Run polled = run(true, "ABC"), waited = run(false, "ABC");
  ASSERT_GT(polled.times.size(), 90u);
  EXPECT_EQ(polled.times, waited.times);
  EXPECT_EQ(polled.marks, waited.marks);  // keys come when they come, not a frame later
  EXPECT_NE(std::string::npos, waited.marks.find(" : A\n"));
  EXPECT_EQ(0, polled.waits);
  // Polling passes once a millisecond; sleeping, about twice a frame (and
  // once a key while keys wait).
  EXPECT_GT(polled.polls, 1900);
  EXPECT_LT(waited.polls, 3 * static_cast<int>(waited.times.size()) + 10);
  EXPECT_GT(waited.waits, static_cast<int>(waited.times.size()) - 3);
}

// Escape, a close request and, on POSIX, SIGTERM, SIGINT and SIGHUP end a demo
// that only its user can end within one loop pass, in every display mode: the
// demo finishes (screen given back, key marks logged).
TEST_F(DemoTest, EscapeCloseOrATerminationSignalEndTheDemoWithinOneLoopPass) {
  WriteDemo("0 - 10000000000 Wave ;");
  std::vector<int> enders = {-1, 0};  // Escape, close; then the signals
#if !defined(_WIN32) && !defined(__wasi__)  // POSIX signals (Windows has console control events, WASI none)
  plat::CatchTerminationSignals();
  enders.insert(enders.end(), {SIGTERM, SIGINT, SIGHUP});
#endif
  for (int ender : enders) {
    for (int mode : {1, 2, 3}) {
      SCOPED_TRACE(std::to_string(ender) + " in mode " + std::to_string(mode));
      Restart();
      TheHeadless().onFrame = [ender](const plat::headless::Frame&) {
        if (TheHeadless().framesShown == 3) TheHeadless().TypeKey('Q');
        if (TheHeadless().framesShown != 5) return;
        if (ender == -1) TheHeadless().PressKey(plat::kKeyEscape);
        if (ender == 0) TheHeadless().RequestClose();
        if (ender > 0) std::raise(ender);
      };
      {
        VDemo demo;
        demo.displayMode = mode;
        demo.Run();
        EXPECT_EQ(5, TheHeadless().framesShown);
        EXPECT_EQ(nullptr, demo.surface->pixels);  // finished
      }
      EXPECT_EQ(TheHeadless().displayChanges, TheHeadless().displayRestores);
      EXPECT_FALSE(TheHeadless().exclusiveActive);
      EXPECT_TRUE(TheHeadless().pointerVisible);
      EXPECT_NE(std::string::npos, capture.Text().find(" : Q\n"));
    }
    if (ender <= 0) continue;
    // In the dialog a signal is a close request, which cancels it before the
    // Enter that would have started the demo.
    Restart();
    std::raise(ender);
    TheHeadless().TypeKey(plat::kKeyReturn);
    EXPECT_EQ(0, ProgramEntry("", ProgramResources()));
    EXPECT_EQ(0, TheHeadless().framesShown);
    EXPECT_EQ(nullptr, plat::FindWindowOfClass("VSurface"));
    std::signal(ender, SIG_DFL);
  }
}

#if !defined(_WIN32) && !defined(__wasi__)  // the Windows viewer and the web module start their own backends
// The viewer and solvane-live start the backend SOLVANE_PLATFORM asks for, with
// SOLVANE_HEADLESS_INPUT's keys (solvane-live then closes), or refuse in one
// line named after the program.
TEST_F(DemoTest, TheEnvironmentChoosesTheBackendAndARefusalIsOneNamedLine) {
  plat::Shutdown();
  setenv("SOLVANE_PLATFORM", "x11", 1);
  setenv("SOLVANE_HEADLESS_INPUT", "tab", 1);
  BackendChoice choice{"tool", true, false};
  std::string refusal;
  EXPECT_FALSE(StartChosenBackend(choice, refusal) || plat::Started());
  EXPECT_EQ("tool: SOLVANE_PLATFORM must be \"sdl\" or \"headless\", not \"x11\"", refusal);
  setenv("SOLVANE_PLATFORM", "headless", 1);
  ASSERT_TRUE(StartChosenBackend(choice, refusal));
  EXPECT_EQ(1u, TheHeadless().tickStep);
  ASSERT_EQ(3u, TheHeadless().pendingInput.size());  // Tab down and up, then closed
  EXPECT_EQ(plat::headless::Control::Input::kClose, TheHeadless().pendingInput.back().kind);
  unsetenv("SOLVANE_PLATFORM");
  unsetenv("SOLVANE_HEADLESS_INPUT");
}
#endif

TEST_F(DemoTest, ArgumentLTurnsTheLogFileOnAndACancelledDialogRunsNothing) {
  WriteDemo("0 - 1 Wave ;");
  TheLog().SetFileName(dir.PathOf("kol.log").c_str());
  for (const auto& [argument, on] : std::vector<std::pair<const char*, bool>>{
           {"lx", true}, {"x", false}, {"", false}}) {
    TheLog().SetFileOutput(!on);
    TheHeadless().TypeKey(plat::kKeyEscape);
    EXPECT_EQ(0, ProgramEntry(argument, ProgramResources()));
    EXPECT_EQ(0, TheHeadless().inputRunOut);
    EXPECT_EQ(on, TheLog().FileOutput()) << argument;
  }
  EXPECT_EQ(nullptr, plat::FindWindowOfClass("VSurface"));
  EXPECT_EQ(0, TheHeadless().framesShown);
}

TEST_F(DemoTest, ClockCountsMillisecondsAcrossTheTickWrap) {
  TheHeadless().tickStep = 0;
  TheHeadless().tick = 0xFFFFFFF0u;
  VClock clock;
  clock.Start();
  TheHeadless().tick = 0x10;
  EXPECT_EQ(32, clock.Milliseconds());
  EXPECT_FLOAT_EQ(0.032f, clock.Seconds());
  TheHeadless().tick = 0xFFFFFFE0u;  // before the start
  EXPECT_EQ(-16, clock.Milliseconds());
}

TEST_F(DemoTest, ProgramPathSplitsAfterTheLastSeparatorAndAtTheNamesFirstDot) {
  struct Case { const char* path; const char* directory; const char* name; };
  for (const Case& c : {Case{"/opt/my demos/v1.2/solvane", "/opt/my demos/v1.2/", "solvane"},
                        Case{"/x/show.exe", "/x/", "show"}, Case{"/x/show.tar.gz", "/x/", "show"},
                        Case{"C:\\demos\\show.exe", "C:\\demos\\", "show"}}) {
    std::string directory = "old", name = "old";
    SplitProgramPath(c.path, directory, name);
    EXPECT_EQ(c.directory, directory) << c.path;
    EXPECT_EQ(c.name, name) << c.path;
  }
  const std::string d = dir.Path() + "/";
  EXPECT_EQ(d + "data", ProgramFile("\"data\""));
  EXPECT_EQ(d + "data", ProgramFile("data\""));
  EXPECT_EQ(d + "\"data\"", ProgramFile("\"\"data\"\""));
}

}  // namespace
