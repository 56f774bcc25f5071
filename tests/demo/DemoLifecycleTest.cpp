// One run of the demo: where its data comes from, set-up and its end time, the
// frame loop's pacing and the ways it ends, and what a frame puts on screen.
#include <algorithm>
#include <memory>
#include <vector>

#include "DemoTestUtil.h"
#include "MemorySurface.h"

namespace {

using DemoLifecycleTest = DemoTest;

// --- Data source ---------------------------------------------------------------

TEST_F(DemoLifecycleTest, DataDirectoryServesWhenTheArchiveIsMissing) {
  WriteDataDirectory("0 - 1 Wave ;");
  RunProgram(3);
  EXPECT_EQ(0u, capture.Text().find("Data file [" + dir.Path() + "/demo.dat] not present\n"))
      << capture.Text();
  EXPECT_NE(std::string::npos, capture.Text().find("Script Demo.txt: 1 Effects\n"));
  EXPECT_EQ(0, GlobalLog().RecordCount()) << capture.Text();
  EXPECT_GT(Headless().framesShown, 1);
}

TEST_F(DemoLifecycleTest, ArchiveBesideTheProgramComesFirst) {
  WriteArchive("0 - 1 Wave ;\n0 - 1 Wave ;");
  WriteDataDirectory("// not this one\n");
  RunProgram(3);
  EXPECT_EQ(std::string::npos, capture.Text().find("Data file")) << capture.Text();
  EXPECT_NE(std::string::npos, capture.Text().find("Script Demo.txt: 2 Effects\n"));
  EXPECT_EQ(0, GlobalLog().RecordCount()) << capture.Text();
  EXPECT_GT(Headless().framesShown, 1);
}

TEST_F(DemoLifecycleTest, NeitherArchiveNorDirectoryShowsTheWindowButNoFrame) {
  RunProgram(3);
  const std::string text = capture.Text();
  EXPECT_EQ(0u, text.find("Data file [" + dir.Path() + "/demo.dat] not present\n")) << text;
  EXPECT_EQ(std::string::npos, text.find("Data directory"));
  EXPECT_LT(text.find("Surface: 640x480\n"), text.find("Error: Could not open demo script Demo.txt\n"));
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("Could not open demo script Demo.txt", GlobalLog().Record(0).text);
  EXPECT_NE(nullptr, plat::FindWindowOfClass("VSurface"));
  EXPECT_EQ(0, Headless().framesShown);
}

TEST_F(DemoLifecycleTest, NoDataSourceAtAllAbandonsTheSetUp) {
  VDemo demo;
  demo.SetDataLocation(dir.PathOf("none.dat"), "");
  demo.Run();
  EXPECT_EQ("Data file [" + dir.PathOf("none.dat") + "] not present\nData directory [] not present\n",
            capture.Text());
  EXPECT_TRUE(demo.abandoned);
  EXPECT_EQ(0, GlobalLog().RecordCount());
  EXPECT_EQ(nullptr, demo.surface);
  EXPECT_EQ(0, Headless().framesShown);
}

// --- Set-up ----------------------------------------------------------------------

TEST_F(DemoLifecycleTest, EndTimeIsTheLatestEffectEndInWholeSeconds) {
  struct Case { const char* script; int endTime; };
  for (const Case& c : {Case{"0 - 10.5 Wave ; 0 - 10.7 Wave ;", 10},
                        Case{"2 - 12.75 Wave ; 0 - 3 Wave ;", 12},
                        Case{"-3 - -1 Wave ;", 0},
                        Case{"// none\n", 0}}) {
    plat::Shutdown();
    ASSERT_TRUE(plat::StartHeadless());
    ResetDemoDataSourcesForTest();
    WriteDataDirectory(c.script);
    VDemo demo;
    demo.Setup();
    EXPECT_EQ(0, GlobalLog().RecordCount()) << capture.Text();
    EXPECT_EQ(c.endTime, demo.endTime) << c.script;
  }
}

TEST_F(DemoLifecycleTest, SetUpErrorMeansNoFrameAndNoFinish) {
  WriteDataDirectory("0 - 1 Wave ;\n1 - 2 Missing ;");
  VDemo demo;
  demo.displayMode = 1;
  demo.Run();
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("Could not open effect script Missing.txt", GlobalLog().Record(0).text);
  EXPECT_EQ(0, Headless().framesShown);
  EXPECT_EQ(0, demo.framesRendered);
  EXPECT_EQ(0, demo.endTime);
  // Not closed: the display mode stays changed and the pixels stay.
  EXPECT_EQ(1, Headless().displayChanges);
  EXPECT_EQ(0, Headless().displayRestores);
  EXPECT_FALSE(Headless().pointerVisible);
  EXPECT_NE(nullptr, demo.surface->pixels);
}

TEST_F(DemoLifecycleTest, DestroyingTheDemoClearsOnlyItsOwnCurrentSurface) {
  WriteDataDirectory("// no effects\n");
  {
    VDemo demo;
    demo.Setup();
    EXPECT_EQ(demo.surface.get(), CurrentSurface());
  }
  EXPECT_EQ(nullptr, CurrentSurface());
  MemorySurface other(4, 4);
  {
    VDemo demo;
    demo.surface = std::make_unique<MemorySurface>(2, 2);  // makes itself current
    SetCurrentSurface(&other);
  }
  EXPECT_EQ(&other, CurrentSurface());
}

// --- Frames ----------------------------------------------------------------------

TEST_F(DemoLifecycleTest, NoEffectsGiveExactlyOneFrameThenFinish) {
  WriteDataDirectory("// nothing yet\n");
  VDemo demo;
  demo.Run();
  EXPECT_EQ(0, demo.endTime);
  EXPECT_EQ(1, demo.framesRendered);
  EXPECT_EQ(1, Headless().framesShown);
  EXPECT_EQ(nullptr, demo.surface->pixels);  // closed
  EXPECT_EQ(0, GlobalLog().RecordCount()) << capture.Text();
}

TEST_F(DemoLifecycleTest, EffectIsShownFromItsStartUpToButNotAtItsEnd) {
  WriteDataDirectory("5 - 10 Wave ;");
  VDemo demo;
  demo.Setup();
  ASSERT_EQ(0, GlobalLog().RecordCount()) << capture.Text();
  EXPECT_EQ(10, demo.endTime);
  struct Case { float t; bool shown; };
  for (const Case& c : {Case{4.99f, false}, Case{5.0f, true}, Case{9.99f, true}, Case{10.0f, false}}) {
    demo.RenderFrameAt(c.t);
    EXPECT_EQ(c.shown, Shown(320, 0) != 0) << c.t;
  }
  // The same through the clock.
  Headless().tickStep = 0;
  for (const auto& [ms, shown] : std::vector<std::pair<std::uint32_t, bool>>{
           {4999, false}, {5000, true}, {9999, true}, {10000, false}}) {
    Headless().tick = DemoClock().StartTick() + ms;
    demo.RenderFrame();
    EXPECT_EQ(shown, Shown(320, 0) != 0) << ms;
  }
  EXPECT_EQ(8, Headless().framesShown);
}

TEST_F(DemoLifecycleTest, EveryRowButTheLastRepeatsTheFirst) {
  WriteDataDirectory("0 - 5 Wave ;");
  VDemo demo;
  demo.Setup();
  for (float t : {1.0f, 2.0f}) demo.RenderFrameAt(t);
  const plat::headless::Frame& f = Headless().lastFrame;
  ASSERT_EQ(640, f.width);
  ASSERT_EQ(480, f.height);
  EXPECT_NE(0u, Shown(320, 0));
  int differing = 0, written = 0;
  for (int y = 1; y < 479; ++y)
    for (int x = 0; x < 640; ++x) differing += Shown(x, y) != Shown(x, 0);
  for (int x = 0; x < 640; ++x) written += Shown(x, 479) != 0;
  EXPECT_EQ(0, differing);
  EXPECT_EQ(0, written);
}

TEST_F(DemoLifecycleTest, ShortSurfacesCopyOnlyUpToTheRowBeforeTheLast) {
  constexpr std::uint32_t kUntouched = 0xDEADBEEFu;
  for (int h : {1, 2, 3}) {
    MemorySurface surface(4, h);
    for (int i = 0; i < 4 * h; ++i) surface.pixels[i] = kUntouched;
    VDemo demo;
    demo.mainLine.Allocate(4);
    demo.RenderFrameAt(0.0f);
    for (int y = 0; y < h; ++y)
      EXPECT_EQ(y < std::max(1, h - 1) ? 0u : kUntouched, surface.Pixel(0, y)) << h << "/" << y;
  }
}

// --- Frame loop ------------------------------------------------------------------

// Clock time of every frame shown: the tick after the frame read the clock.
std::vector<int> gFrameTimes;
void RecordFrameTimes() {
  gFrameTimes.clear();
  plat::headless::Headless().onFrame = [](const plat::headless::Frame&) {
    const auto& c = plat::headless::Headless();
    gFrameTimes.push_back(static_cast<int>(c.tick - c.tickStep - DemoClock().StartTick()));
  };
}

class FramePacingTest : public DemoTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(FramePacingTest, FramesComeStrictlyMoreThan20MillisecondsApart) {
  const unsigned step = GetParam();
  WriteDataDirectory("0 - 1.9 Wave ;");  // ends at 1 s
  Headless().tickStep = step;
  RecordFrameTimes();
  VDemo demo;
  demo.Run();
  ASSERT_EQ(1, demo.endTime);
  ASSERT_GT(gFrameTimes.size(), 1u);
  EXPECT_EQ(static_cast<int>(gFrameTimes.size()), demo.framesRendered);
  EXPECT_LE(gFrameTimes.front(), static_cast<int>(2 * step));  // no wait for the first
  // The end is checked after each frame: the one before the last was still
  // inside the demo, and the last can only be a pass late.
  EXPECT_LT(gFrameTimes[gFrameTimes.size() - 2], 1000);
  EXPECT_LT(gFrameTimes.back(), static_cast<int>(1000 + 3 * step));
  for (size_t i = 1; i < gFrameTimes.size(); ++i) {
    const int gap = gFrameTimes[i] - gFrameTimes[i - 1];
    EXPECT_GT(gap, 20) << "frame " << i;
    EXPECT_LE(gap, static_cast<int>(20 + 3 * step)) << "frame " << i;  // the loop never idles
  }
}

INSTANTIATE_TEST_SUITE_P(TickSteps, FramePacingTest, ::testing::Range(1u, 9u));

TEST_F(DemoLifecycleTest, OneSecondAtOneTickPerReadHoldsAtMost48Frames) {
  WriteDataDirectory("0 - 1 Wave ;");
  RecordFrameTimes();
  VDemo demo;
  demo.Run();
  // Frames at least 21 ms apart in [0, 1000): 48 fit, and the busy loop
  // loses at most a few milliseconds per frame.
  EXPECT_LE(gFrameTimes.size(), 48u);
  EXPECT_GE(gFrameTimes.size(), 43u);
  EXPECT_GE(gFrameTimes.back(), 1000 - 24);
}

TEST_F(DemoLifecycleTest, EscapeOrCloseEndTheDemoWithinOneLoopPass) {
  WriteDataDirectory("0 - 30 Wave ;");
  for (bool escape : {true, false}) {
    plat::Shutdown();
    ASSERT_TRUE(plat::StartHeadless());
    ResetSurfaceInputForTest();
    ResetDemoDataSourcesForTest();
    Headless().tickStep = 1;
    Headless().onFrame = [escape](const plat::headless::Frame&) {
      auto& c = plat::headless::Headless();
      if (c.framesShown != 3) return;
      if (escape)
        c.PressKey(plat::kKeyEscape);
      else
        c.RequestClose();
    };
    VDemo demo;
    demo.Run();
    EXPECT_EQ(3, Headless().framesShown) << escape;
    EXPECT_EQ(nullptr, demo.surface->pixels) << escape;  // finished
    EXPECT_TRUE(plat::IsWindowAlive(plat::FindWindowOfClass("VSurface")));
  }
}

TEST_F(DemoLifecycleTest, QuitMessageIsDroppedWithoutEndingTheDemo) {
  WriteDataDirectory("0 - 1 Wave ;");
  plat::PostQuit(0);
  RecordFrameTimes();
  Headless().onFrame = [record = Headless().onFrame](const plat::headless::Frame& f) {
    record(f);
    plat::PostQuit(0);  // one more for every frame
  };
  VDemo demo;
  demo.Run();
  EXPECT_GE(gFrameTimes.size(), 43u);
  EXPECT_GE(gFrameTimes.back(), 1000 - 24);
}

TEST_F(DemoLifecycleTest, MessagesBehindAQuitMessageAreHandledOnTheNextPass) {
  WriteDataDirectory("0 - 30 Wave ;");
  plat::PostQuit(0);
  Headless().PressKey(plat::kKeyEscape);
  VDemo demo;
  demo.Run();
  EXPECT_EQ(1, Headless().framesShown);
  EXPECT_TRUE(QuitRequested());
}

TEST_F(DemoLifecycleTest, ErrorDuringAFrameEndsTheLoopAfterItAndFinishes) {
  WriteDataDirectory("0 - 30 Wave ;");
  Headless().onFrame = [](const plat::headless::Frame&) {
    if (plat::headless::Headless().framesShown == 2)
      GlobalLog().ReportError(kModuleList, "VList", 1, "Invalid Get");
  };
  VDemo demo;
  demo.displayMode = 1;
  demo.Run();
  EXPECT_EQ(2, Headless().framesShown);
  EXPECT_EQ(1, Headless().displayRestores);
  EXPECT_TRUE(Headless().pointerVisible);
}

}  // namespace
