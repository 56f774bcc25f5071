// The program around the demo: where it lives, the demo clock, and the entry
// with its log switch and start dialog.
#include <filesystem>

#include "DemoTestUtil.h"

namespace {

using ProgramTest = DemoTest;

TEST(ProgramLocationSplit, DirectoryKeepsItsSeparatorAndNameStopsAtTheFirstDot) {
  struct Case { const char* path; const char* directory; const char* name; };
  for (const Case& c : {Case{"/opt/my demos/v1.2/solvane", "/opt/my demos/v1.2/", "solvane"},
                        Case{"/x/show.exe", "/x/", "show"},
                        Case{"/x/show.tar.gz", "/x/", "show"},
                        Case{"C:\\demos\\show.exe", "C:\\demos\\", "show"},
                        Case{"D:\\a/b\\c.d/e.f", "D:\\a/b\\c.d/", "e"},
                        Case{"solvane", "", "solvane"},
                        Case{"/x/.hidden", "/x/", ""},
                        Case{"/x/", "/x/", ""},
                        Case{"", "", ""}}) {
    std::string directory = "old", name = "old";
    SplitProgramPath(c.path, directory, name);
    EXPECT_EQ(c.directory, directory) << c.path;
    EXPECT_EQ(c.name, name) << c.path;
  }
}

TEST_F(ProgramTest, LocationIsComputedOnceFromTheProgramPath) {
  EXPECT_EQ(dir.Path() + "/", ProgramDirectory());
  EXPECT_EQ("demo", ProgramName());
  plat::SetProgramPathForTest("/elsewhere/other.bin");
  EXPECT_EQ("demo", ProgramName());  // already known
  ResetProgramLocationForTest();
  EXPECT_EQ("/elsewhere/", ProgramDirectory());
  EXPECT_EQ("other", ProgramName());
}

TEST_F(ProgramTest, ProgramFileDropsOneQuoteAtEachEnd) {
  const std::string d = dir.Path() + "/";
  EXPECT_EQ(d + "data", ProgramFile("data"));
  EXPECT_EQ(d + "data", ProgramFile("\"data\""));
  EXPECT_EQ(d + "data", ProgramFile("\"data"));
  EXPECT_EQ(d + "data", ProgramFile("data\""));
  EXPECT_EQ(d + "\"data\"", ProgramFile("\"\"data\"\""));
  EXPECT_EQ(d, ProgramFile(""));
}

TEST_F(ProgramTest, ClockCountsMillisecondsAcrossTheTickWrap) {
  Headless().tickStep = 0;
  Headless().tick = 0xFFFFFFF0u;
  VClock clock;
  clock.Start();
  EXPECT_EQ(0xFFFFFFF0u, clock.StartTick());
  EXPECT_EQ(0, clock.Milliseconds());
  Headless().tick = 0x10;  // wrapped
  EXPECT_EQ(32, clock.Milliseconds());
  EXPECT_FLOAT_EQ(0.032f, clock.Seconds());
  Headless().tick = 0xFFFFFFE0u;  // before the start: a negative count
  EXPECT_EQ(-16, clock.Milliseconds());
  Headless().tick = 0xFFFFFFF0u + 61234u;
  EXPECT_FLOAT_EQ(61.234f, clock.Seconds());
}

TEST_F(ProgramTest, DialogSeesTheDefaultsAndCancellingRunsNothing) {
  WriteDataDirectory("0 - 1 Wave ;");
  int calls = 0;
  for (int result : {0, -1}) {
    EXPECT_EQ(0, ProgramEntry("", [&](VDemo& d) {
                ++calls;
                EXPECT_EQ(3, d.soundMode);
                EXPECT_EQ(3, d.displayMode);
                EXPECT_EQ(0, d.endTime);
                EXPECT_EQ(nullptr, d.surface);
                return result;
              }));
  }
  EXPECT_EQ(2, calls);
  EXPECT_EQ("", capture.Text());
  EXPECT_EQ(nullptr, plat::FindWindowOfClass("VSurface"));
  EXPECT_EQ(0, Headless().framesShown);
}

TEST_F(ProgramTest, ArgumentStartingWithLTurnsTheLogFileOn) {
  const std::string file = dir.PathOf("kol.log");
  GlobalLog().SetFileName(file.c_str());
  auto cancel = [](VDemo&) { return 0; };
  for (const char* on : {"lx", "L", "l"}) {
    GlobalLog().SetFileOutput(false);
    ProgramEntry(on, cancel);
    EXPECT_TRUE(GlobalLog().FileOutput()) << on;
  }
  EXPECT_TRUE(std::filesystem::exists(file));
  for (const char* off : {"x", "", " l", "xl"}) {
    GlobalLog().SetFileOutput(true);
    ProgramEntry(off, cancel);
    EXPECT_FALSE(GlobalLog().FileOutput()) << off;
  }
  GlobalLog().SetFileOutput(true);
  ProgramEntry(nullptr, cancel);
  EXPECT_FALSE(GlobalLog().FileOutput());
}

TEST_F(ProgramTest, DisplayModesPickTheSurface) {
  WriteDataDirectory("// no effects\n");
  RunProgram(1);  // full screen through the bitmap surface
  EXPECT_EQ(1, Headless().framesShown);
  EXPECT_FALSE(Headless().lastFrame.flipped);
  EXPECT_EQ(1, Headless().displayChanges);
  EXPECT_EQ(1, Headless().displayRestores);
  EXPECT_TRUE(Headless().pointerVisible);
  EXPECT_EQ(0, Headless().exclusiveReleases);

  plat::Shutdown();
  ASSERT_TRUE(plat::StartHeadless());
  Headless().tickStep = 1;
  RunProgram(2);  // exclusive output
  EXPECT_EQ(1, Headless().framesShown);
  EXPECT_TRUE(Headless().lastFrame.flipped);
  EXPECT_EQ(0, Headless().displayChanges);
  EXPECT_EQ(1, Headless().exclusiveReleases);
  EXPECT_EQ(0, Headless().exclusiveModeWidth);
  EXPECT_TRUE(Headless().pointerVisible);

  plat::Shutdown();
  ASSERT_TRUE(plat::StartHeadless());
  Headless().tickStep = 1;
  RunProgram(3);  // windowed
  EXPECT_EQ(1, Headless().framesShown);
  EXPECT_FALSE(Headless().lastFrame.flipped);
  EXPECT_EQ(0, Headless().displayChanges);
  EXPECT_EQ(0, Headless().displayRestores);
  EXPECT_EQ(0, GlobalLog().RecordCount()) << capture.Text();
  EXPECT_NE(nullptr, plat::FindWindowOfClass("VSurface"));  // the window outlives the demo
}

TEST_F(ProgramTest, LettersPressedDuringTheDemoAreLoggedAtTheEnd) {
  WriteDataDirectory("0 - 30 Wave ;");
  int frames = 0;
  Headless().onFrame = [&](const plat::headless::Frame&) {
    if (++frames == 1) Headless().PressKey('K');
    if (frames == 2) Headless().PressKey(plat::kKeyEscape);
  };
  RunProgram(3);
  Headless().onFrame = nullptr;
  EXPECT_EQ(2, frames);
  const std::string text = capture.Text();
  const size_t mark = text.find(" : K\n");
  ASSERT_NE(std::string::npos, mark) << text;
  // Pressed a few milliseconds into the demo, on the restarted clock.
  EXPECT_EQ("0.0", text.substr(text.rfind('\n', mark) + 1, 3)) << text;
  EXPECT_EQ(mark + 5, text.size());  // the last thing the program writes
}

}  // namespace
