// The exclusive full-screen surface: loading the output, the set-up steps and
// which of their failures stop the demo, the flip loop, and Close.
#include <string>

#include "DirectDrawSurface.h"
#include "SurfaceTestUtil.h"

namespace {

using DirectDrawSurfaceTest = SurfaceTest;

std::string Number(int result) { return std::to_string(result); }

TEST_F(DirectDrawSurfaceTest, CompleteSetUpTakesTheDisplayFullScreen) {
  DirectDrawSurface s;
  s.Create(false, 640, 480, 32);  // full screen whatever is asked
  EXPECT_EQ("", capture.Text());
  EXPECT_EQ(0, GlobalLog().RecordCount());
  plat::Window* w = s.Window();
  ASSERT_NE(nullptr, w);
  EXPECT_EQ(0x90880000u, w->style);
  EXPECT_EQ(plat::kExStyleTopmost, w->exStyle);
  EXPECT_EQ(0, w->rect.left);
  EXPECT_EQ(0, w->rect.top);
  EXPECT_EQ(640, w->rect.Width());
  EXPECT_EQ(480, w->rect.Height());
  EXPECT_FALSE(Headless().pointerVisible);
  EXPECT_TRUE(Headless().exclusiveActive);
  EXPECT_EQ(640, Headless().exclusiveModeWidth);
  EXPECT_EQ(480, Headless().exclusiveModeHeight);
  EXPECT_EQ(32, Headless().exclusiveModeBits);
  EXPECT_EQ(0, Headless().displayChanges);  // not through the desktop's mode list
  EXPECT_NE(nullptr, ExclusiveCreateEntry());

  s.Init();
  EXPECT_EQ("Surface: 640x480\n", capture.Text());
  ASSERT_NE(nullptr, s.pixels);
  s.Lock();
  s.pixels[0] = 0x00FF0000u;
  s.pixels[640 * 480 - 1] = 0x000000FFu;
  s.Unlock();
  EXPECT_EQ(1, Headless().flipCalls);
  ASSERT_EQ(1, Headless().framesShown);
  const auto& f = Headless().lastFrame;
  EXPECT_TRUE(f.flipped);
  ASSERT_EQ(640, f.width);
  ASSERT_EQ(480, f.height);
  EXPECT_EQ(0x00FF0000u, f.pixels.front());
  EXPECT_EQ(0x000000FFu, f.pixels.back());

  s.Close();
  EXPECT_EQ(0, Headless().exclusiveModeWidth);
  EXPECT_FALSE(Headless().exclusiveActive);
  EXPECT_EQ(1, Headless().exclusiveReleases);
  EXPECT_TRUE(Headless().pointerVisible);
  EXPECT_EQ(nullptr, s.pixels);
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

TEST_F(DirectDrawSurfaceTest, MissingLibraryMakesNoWindow) {
  Headless().exclusiveMissing = true;
  DirectDrawSurface s;
  s.Create(true, 640, 480, 32);
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("11/DirectDrawSurface/1: missing ddraw.dll", RecordAt(0));
  EXPECT_EQ("Error: missing ddraw.dll\n", capture.Text());
  EXPECT_EQ(nullptr, s.Window());
  EXPECT_EQ(nullptr, plat::FindWindowOfClass("VSurface"));
  EXPECT_TRUE(Headless().pointerVisible);

  // Init has nothing to draw on and adds no second error.
  s.Init();
  EXPECT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("Error: missing ddraw.dll\n", capture.Text());
  EXPECT_EQ(nullptr, s.pixels);
  s.Lock();
  s.Unlock();
  EXPECT_EQ(0, Headless().flipCalls);
  EXPECT_EQ(0, Headless().framesShown);
}

TEST_F(DirectDrawSurfaceTest, OutputCreationFailureIsReportedWithItsNumber) {
  Headless().exclusiveCreateResult = plat::kResultGenericFailure;
  DirectDrawSurface s;
  s.Create(true, 640, 480, 32);
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("11/DirectDrawSurface/2: Can't Create DirectDraw object: -2147467259", RecordAt(0));
  EXPECT_NE(nullptr, s.Window());
  EXPECT_EQ(0, Headless().exclusiveModeWidth);
  s.Close();
  EXPECT_TRUE(Headless().pointerVisible);
  EXPECT_EQ(0, Headless().exclusiveReleases);
}

TEST_F(DirectDrawSurfaceTest, EarlierErrorStopsAfterTheWindow) {
  GlobalLog().ReportError(9, "KolText", 1, "earlier");
  DirectDrawSurface s;
  s.Create(true, 640, 480, 32);
  EXPECT_NE(nullptr, s.Window());
  EXPECT_TRUE(Headless().pointerVisible);
  EXPECT_FALSE(Headless().exclusiveActive);
  EXPECT_EQ(1, GlobalLog().RecordCount());
}

TEST_F(DirectDrawSurfaceTest, RefusedExclusiveOrModeOnlyWriteALine) {
  Headless().cooperativeResult = plat::kResultNoExclusiveMode;
  Headless().setModeResult = plat::kResultUnsupportedMode;
  DirectDrawSurface s;
  s.Create(true, 640, 480, 32);
  EXPECT_EQ(0, GlobalLog().RecordCount());
  EXPECT_EQ("Can't set exclusive mode\nCan't set videomode 640x480,32bpp: -2005532082\n",
            capture.Text());
  // The run goes on at the current mode.
  EXPECT_TRUE(Headless().exclusiveActive);
  s.Init();
  s.Lock();
  s.pixels[5] = 0x00123456u;
  s.Unlock();
  ASSERT_EQ(1, Headless().framesShown);
  EXPECT_TRUE(Headless().lastFrame.flipped);
  EXPECT_EQ(0x00123456u, Headless().lastFrame.pixels[5]);
}

TEST_F(DirectDrawSurfaceTest, ChainAndBackBufferFailuresAreReported) {
  struct Case { int detail; const char* text; };
  const Case cases[] = {{5, "Can't create the DirectDraw surface: "},
                        {6, "Can't get back buffer: "}};
  for (const Case& c : cases) {
    GlobalLog().ResetForTest();
    GlobalLog().SetBufferOutput(true);
    plat::Shutdown();
    ASSERT_TRUE(plat::StartHeadless());
    int* setting = c.detail == 5 ? &Headless().createChainResult : &Headless().attachResult;
    *setting = plat::kResultGenericFailure;
    DirectDrawSurface s;
    s.Create(true, 640, 480, 32);
    ASSERT_EQ(1, GlobalLog().RecordCount()) << c.detail;
    EXPECT_EQ("11/DirectDrawSurface/" + std::to_string(c.detail) + ": " + c.text +
                  Number(plat::kResultGenericFailure),
              RecordAt(0));
    s.Init();
    s.Lock();
    s.Unlock();
    EXPECT_EQ(0, Headless().flipCalls);
    s.Close();
    EXPECT_TRUE(Headless().pointerVisible);
    EXPECT_EQ(1, Headless().exclusiveReleases);
  }
}

TEST_F(DirectDrawSurfaceTest, FlipIsRetriedWhileStillDrawing) {
  DirectDrawSurface s;
  s.Create(true, 640, 480, 32);
  s.Init();
  Headless().flipResults = {plat::kResultStillDrawing, plat::kResultStillDrawing,
                            plat::kResultStillDrawing, plat::kResultOk};
  s.Lock();
  s.Unlock();
  EXPECT_EQ(4, Headless().flipCalls);
  EXPECT_EQ(1, Headless().framesShown);

  // Any other failure ends the frame quietly.
  Headless().flipResults = {plat::kResultStillDrawing, plat::kResultGenericFailure};
  s.Lock();
  s.Unlock();
  EXPECT_EQ(6, Headless().flipCalls);
  EXPECT_EQ(1, Headless().framesShown);
  EXPECT_EQ(0, Headless().restoreCalls);
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

TEST_F(DirectDrawSurfaceTest, LostSurfaceIsRestoredOnceAndFlippedNextFrame) {
  DirectDrawSurface s;
  s.Create(true, 640, 480, 32);
  s.Init();
  Headless().flipResults = {plat::kResultSurfaceLost};
  s.Lock();
  s.Unlock();
  EXPECT_EQ(1, Headless().flipCalls);
  EXPECT_EQ(1, Headless().restoreCalls);
  EXPECT_EQ(0, Headless().framesShown);
  s.Lock();
  s.Unlock();
  EXPECT_EQ(2, Headless().flipCalls);
  EXPECT_EQ(1, Headless().framesShown);

  Headless().restoreResult = plat::kResultSurfaceLost;
  Headless().flipResults = {plat::kResultSurfaceLost};
  s.Lock();
  s.Unlock();
  EXPECT_EQ(3, Headless().flipCalls);
  EXPECT_EQ(2, Headless().restoreCalls);
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

}  // namespace
