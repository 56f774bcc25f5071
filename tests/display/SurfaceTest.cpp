// The surface window (placement, the one-window rule, quit flag, key marks), the
// bitmap surface's display mode and the exclusive output's set-up and flips.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <iterator>
#include <string>
#include <tuple>

#include "Backend.h"  // the core's window record
#include "Desktop.h"  // the core's draw contexts
#include "DirectDrawSurface.h"
#include "HeadlessControl.h"
#include "KolLog.h"
#include "PixelSurface.h"
#include "TestSupport.h"
#include "VClock.h"
#include "VWindowSurface.h"

namespace {

plat::headless::Control& TheHeadless() { return plat::headless::TheHeadless(); }

class SurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override { Restart(); }
  void TearDown() override { plat::Shutdown(); }
  // A fresh backend and log, the demo clock started at tick 0 and standing still.
  static void Restart() {
    plat::Shutdown();
    ResetProcessState();
    TheLog().SetBufferOutput(true);
    ASSERT_TRUE(plat::StartHeadless());
    TheDemoClock().Start();
  }
  static size_t Contexts() { return plat::TheDesktop().contexts.size(); }
  // Translates and dispatches everything queued, including injected input.
  static void Pump() {
    for (plat::Message m; plat::PeekAppMessage(m, true); plat::DispatchAppMessage(m))
      plat::TranslateAppMessage(m);
  }
  // With an error expected, it is the only record ("module/name/detail: text")
  // and all that was printed; without, there is no record and plain was printed.
  void ExpectLog(const std::string& error, std::string plain = "") const {
    ASSERT_EQ(error.empty() ? 0 : 1, TheLog().RecordCount()) << capture.Text();
    if (!error.empty()) {
      const KolLogRecord& r = TheLog().Record(0);
      EXPECT_EQ(error, std::to_string(r.moduleCode) + "/" + r.moduleName + "/" +
                           std::to_string(r.detailCode) + ": " + r.text);
      plain = "Error: " + r.text + "\n" + plain;
    }
    EXPECT_EQ(plain, capture.Text());
  }

  LogCapture capture;
};

TEST_F(SurfaceTest, PixelSurfacePlacementAndDisplayModeWindowedAndFullScreen) {
  struct Case { bool full; unsigned style, exStyle; int left, top; };
  for (const Case& c : {Case{false, 0x90C80000u, 0u, 192, 144},
                        Case{true, 0x90880000u, plat::kExStyleTopmost, 0, 0}}) {
    Restart();
    TheHeadless().modes = {{640, 480, 16, 60}, {640, 480, 32, 75}, {640, 480, 32, 60}};
    PixelSurface s;
    s.Create(c.full, 640, 480, 32);
    plat::Window* w = s.Window();
    ASSERT_NE(nullptr, w);
    const plat::Rect& r = c.full ? w->rect : w->client;  // the client centred on 1024 x 768
    EXPECT_EQ(std::make_tuple(c.style, c.exStyle, c.left, c.top, c.left + 640, c.top + 480),
              std::make_tuple(w->style, w->exStyle, r.left, r.top, r.right, r.bottom));
    s.Init();
    s.Init();  // a second Init changes nothing
    EXPECT_EQ(c.full ? 1 : 0, TheHeadless().displayChanges);  // the first listed 640x480x32
    EXPECT_EQ(c.full ? 75 : 60, TheHeadless().currentMode.refreshRate);
    EXPECT_EQ(!c.full, TheHeadless().pointerVisible);
    EXPECT_NE(nullptr, s.pixels);
    if (!c.full) plat::ShowPointer(false);  // someone else's hide must survive
    s.Close();
    s.Close();  // restores nothing more
    EXPECT_EQ(c.full ? 1 : 0, TheHeadless().displayRestores);
    EXPECT_EQ(c.full, TheHeadless().pointerVisible);
    EXPECT_EQ(nullptr, s.pixels);
  }
  EXPECT_EQ("Surface: 640x480\n", capture.Text());  // no keys, no marks
}

TEST_F(SurfaceTest, WindowFailuresAreReportedAndMakeNoWindow) {
  const char* const kOnlyOne = "3/VSurface/2: There can be only one surface window at a time.";
  // Ours already open, another process's (the refusal names its holder),
  // creation refused, class taken, no backend.
  struct Case { int kind; const char* error; const char* plain; };
  for (const Case& c : {Case{0, kOnlyOne, "The surface window shown is demo's.\n"},
                        Case{1, kOnlyOne, "The surface window shown is solvane's.\n"},
                        Case{2, "3/VSurface/1: Failed to create window", ""},
                        Case{3, "", "KolWindow class is already registered.\n"},
                        Case{4, "", "Unable to register class.\n"}}) {
    Restart();
    PixelSurface first, s;
    plat::SetProgramPathForTest("C:\\Demo\\demo.EXE");
    if (c.kind == 0) first.Create(false, 640, 480, 32);
    if (c.kind == 1) TheHeadless().foreignWindowClasses["VSurface"] = "solvane";
    TheHeadless().failWindowCreation = c.kind == 2;
    if (c.kind == 3) plat::RegisterWindowClass({"VSurface", 0, plat::DefaultWindowProcedure});
    if (c.kind == 4) plat::Shutdown();
    s.Create(true, 640, 480, 32);
    EXPECT_EQ(nullptr, s.Window()) << c.kind;
    ExpectLog(c.error, c.plain);
    plat::SetProgramPathForTest("");
    if (c.kind == 4) continue;
    // Without a window of its own the full screen leaves the display, and the
    // pointer, to whoever holds them.
    EXPECT_NE(0, s.Init()) << c.kind;
    s.Close();
    EXPECT_EQ(0, TheHeadless().displayChanges + TheHeadless().displayRestores) << c.kind;
    EXPECT_TRUE(TheHeadless().pointerVisible) << c.kind;
  }
}

TEST_F(SurfaceTest, EscapeAndCloseSetTheQuitFlagAndKeepTheWindow) {
  PixelSurface s;
  s.Create(false, 640, 480, 32);
  for (bool escape : {true, false}) {
    ResetSurfaceInputForTest();
    EXPECT_FALSE(QuitRequested());
    escape ? TheHeadless().PressKey(plat::kKeyEscape) : TheHeadless().RequestClose();
    Pump();
    EXPECT_TRUE(QuitRequested()) << escape;
    EXPECT_TRUE(plat::IsWindowAlive(s.Window())) << escape;
  }
}

TEST_F(SurfaceTest, LetterKeyMarksAreWrittenInTimeOrderWhenTheSurfaceGoes) {
  {
    PixelSurface s;
    s.Create(false, 640, 480, 32);
    // A second key in the same millisecond is dropped; Shift leaves the letter
    // as it is; digits, space, arrows and the codes around the letters make none.
    struct Press { std::uint32_t tick; unsigned key; };
    for (const Press& p : {Press{61234, 'R'}, Press{5, 'A'}, Press{5, 'C'},
                           Press{1000, plat::kKeyShift}, Press{1000, 'Z'}, Press{7, '1'},
                           Press{8, '0'}, Press{9, '9'}, Press{10, plat::kKeySpace},
                           Press{11, plat::kKeyLeft}, Press{12, plat::kKeyDown}, Press{13, 0x40},
                           Press{14, 0x5B}, Press{15, 0x61}}) {
      TheHeadless().tick = p.tick;
      TheHeadless().PressKey(p.key);
      Pump();
    }
    EXPECT_FALSE(QuitRequested());
    EXPECT_EQ("", capture.Text());
  }
  EXPECT_EQ("0.005 : A\n1.000 : Z\n61.234 : R\n", capture.Text());
}

TEST_F(SurfaceTest, PixelSurfaceInitFailuresAreReportedAndShowNothing) {
  struct Case { bool full; int bits; bool refuse; const char* error; };
  for (const Case& c :
       {Case{true, 24, false,
             "3/VSurface/3: Chosen display mode 640 x 480, 24bpp is unsupported on this system"},
        Case{true, 32, true, "3/VSurface/4: Unable to set the chosen display mode."},
        Case{false, 32, false, "10/PixelSurface/1: Invalid Window DC"}}) {
    Restart();
    TheHeadless().refuseDisplayChange = c.refuse;
    TheHeadless().failDrawContext = !c.full;
    PixelSurface s;
    s.Create(c.full, 640, 480, c.bits);
    s.Init();
    ExpectLog(c.error);
    EXPECT_EQ(nullptr, s.pixels);
    EXPECT_EQ(0, TheHeadless().displayChanges);
    EXPECT_TRUE(TheHeadless().pointerVisible);
    s.Lock();
    s.Unlock();
    EXPECT_EQ(0, TheHeadless().framesShown);
  }
}

TEST_F(SurfaceTest, ALockWithoutItsUnlockIsFinishedByTheNextLock) {
  for (bool exclusive : {false, true}) {
    SCOPED_TRACE(exclusive ? "exclusive" : "pixel");
    Restart();
    PixelSurface pixel;
    DirectDrawSurface direct;
    VSurface& s = exclusive ? static_cast<VSurface&>(direct) : pixel;
    s.Create(false, 640, 480, 32);
    s.Init();
    const size_t idle = Contexts();
    ASSERT_EQ(0, s.Lock());
    const size_t locked = Contexts();
    s.pixels[0] = 1;
    ASSERT_EQ(0, s.Lock());  // the frame drawn so far is shown first
    ASSERT_EQ(1, TheHeadless().framesShown);
    EXPECT_EQ(1u, TheHeadless().lastFrame.pixels.at(0));
    EXPECT_EQ(locked, Contexts());
    s.pixels[0] = 2;
    ASSERT_EQ(0, s.Unlock());
    ASSERT_EQ(2, TheHeadless().framesShown);
    EXPECT_EQ(2u, TheHeadless().lastFrame.pixels.at(0));
    EXPECT_EQ(idle, Contexts());
    EXPECT_NE(0, s.Unlock());  // nothing left to finish
    EXPECT_EQ(2, TheHeadless().framesShown);
    s.Close();
    EXPECT_EQ(0, TheLog().RecordCount());
  }
}

TEST_F(SurfaceTest, ExclusiveSetUpFailuresAreReported) {
  // Detail 0: exclusive mode and the video mode refused, plain lines and the run goes on.
  struct Case { int detail; const char* error; const char* plain; };
  for (const Case& c :
       {Case{0, "", "Can't set exclusive mode\nCan't set videomode 640x480,32bpp: -2005532082\n"},
        Case{1, "11/DirectDrawSurface/1: missing ddraw.dll", ""},
        Case{2, "11/DirectDrawSurface/2: Can't Create DirectDraw object: -2147467259", ""},
        Case{5, "11/DirectDrawSurface/5: Can't create the DirectDraw surface: -2147467259", ""},
        Case{6, "11/DirectDrawSurface/6: Can't get back buffer: -2147467259", ""}}) {
    Restart();
    auto failIf = [&c](int detail, int result) {
      return c.detail == detail ? result : plat::kResultOk;
    };
    TheHeadless().exclusiveMissing = c.detail == 1;
    TheHeadless().exclusiveCreateResult = failIf(2, plat::kResultGenericFailure);
    TheHeadless().cooperativeResult = failIf(0, plat::kResultNoExclusiveMode);
    TheHeadless().setModeResult = failIf(0, plat::kResultUnsupportedMode);
    TheHeadless().createChainResult = failIf(5, plat::kResultGenericFailure);
    TheHeadless().attachResult = failIf(6, plat::kResultGenericFailure);
    DirectDrawSurface s;
    s.Create(true, 640, 480, 32);
    ExpectLog(c.error, c.plain);
    EXPECT_EQ(c.detail != 1, s.Window() != nullptr) << c.detail;
    s.Init();
    s.Lock();
    s.Unlock();
    s.Close();
    EXPECT_EQ(c.detail ? 1 : 0, TheLog().RecordCount()) << c.detail;
    EXPECT_EQ(c.detail ? 0 : 1, TheHeadless().framesShown) << c.detail;
    EXPECT_TRUE(TheHeadless().pointerVisible) << c.detail;
  }
}

TEST_F(SurfaceTest, ExclusiveSurfaceIsFullScreenAndRetriesOrRestoresItsFlipsAndItsLostChain) {
  DirectDrawSurface s;
  s.Create(false, 640, 480, 32);  // full screen all the same
  plat::Window* w = s.Window();
  ASSERT_NE(nullptr, w);
  EXPECT_EQ(std::make_tuple(0x90880000u, plat::kExStyleTopmost, 0, 0),
            std::make_tuple(w->style, w->exStyle, w->rect.left, w->rect.top));
  EXPECT_FALSE(TheHeadless().pointerVisible);
  EXPECT_EQ(std::make_tuple(640, 480, 32), std::make_tuple(TheHeadless().exclusiveModeWidth,
                                                           TheHeadless().exclusiveModeHeight,
                                                           TheHeadless().exclusiveModeBits));
  s.Init();
  EXPECT_EQ("Surface: 640x480\n", capture.Text());
  const int kOk = plat::kResultOk, kDrawing = plat::kResultStillDrawing,
            kLost = plat::kResultSurfaceLost, kFailed = plat::kResultGenericFailure;
  const char* const kLostLine = "DirectDraw: the surface was lost; restoring it\n";
  const char* const kBackLine = "DirectDraw: the surface is back\n";
  // The flips' results, the back buffer's draw context and the restore; the
  // totals after the frame, and what it logged.
  struct Step {
    std::deque<int> flips;
    int dc, restore, flipCalls, shown, restores;
    std::string log;
  };
  const Step steps[] = {
      {{kDrawing, kDrawing, kDrawing, kOk}, kOk, kOk, 4, 1, 0, ""},
      {{kDrawing, kFailed}, kOk, kOk, 6, 1, 0, ""},
      {{kLost}, kOk, kOk, 7, 1, 1, std::string(kLostLine) + kBackLine},  // no second flip
      {{}, kOk, kOk, 8, 2, 1, ""},
      // Lost with no draw context while the display is away (restore refused),
      // then given back: the frame after that is shown as drawn.
      {{}, kLost, kFailed, 8, 2, 2, kLostLine},
      {{}, kLost, kFailed, 8, 2, 3, ""},
      {{}, kLost, kOk, 8, 2, 4, kBackLine},
      {{}, kOk, kOk, 9, 3, 4, ""}};
  for (std::uint32_t frame = 1; frame <= std::size(steps); ++frame) {
    const Step& step = steps[frame - 1];
    SCOPED_TRACE(frame);
    const size_t logged = capture.Text().size();
    TheHeadless().flipResults = step.flips;
    TheHeadless().backBufferDCResult = step.dc;
    TheHeadless().restoreResult = step.restore;
    s.Lock();
    s.pixels[640 * 480 - 1] = frame;
    s.Unlock();
    EXPECT_EQ(std::make_tuple(step.flipCalls, step.shown, step.restores),
              std::make_tuple(TheHeadless().flipCalls, TheHeadless().framesShown,
                              TheHeadless().restoreCalls));
    EXPECT_EQ(step.log, capture.Text().substr(logged));
  }
  EXPECT_TRUE(TheHeadless().lastFrame.flipped);
  EXPECT_EQ(std::size(steps), TheHeadless().lastFrame.pixels.at(640 * 480 - 1));
  s.Close();
  EXPECT_EQ(0, TheHeadless().exclusiveModeWidth);
  EXPECT_EQ(1, TheHeadless().exclusiveReleases);
  EXPECT_TRUE(TheHeadless().pointerVisible);
  EXPECT_EQ(0, TheLog().RecordCount());
}

// Close in the middle of a frame, then Unlock, Lock again or Close again: the
// surfaces are gone, and only the first Close gives anything back.
TEST_F(SurfaceTest, ASurfaceClosedWhileLockedTouchesNothingReleased) {
  const char* const kNext[] = {"unlock", "lock", "close"};
  for (bool exclusive : {false, true})
    for (int next = 0; next < 3; ++next) {
      SCOPED_TRACE(std::string(exclusive ? "exclusive, " : "pixel, ") + kNext[next]);
      Restart();
      TheHeadless().modes = {{640, 480, 32, 60}};
      const size_t idle = Contexts();
      PixelSurface pixel;
      DirectDrawSurface direct;
      VSurface& s = exclusive ? static_cast<VSurface&>(direct) : pixel;
      s.Create(true, 640, 480, 32);
      s.Init();
      ASSERT_EQ(0, s.Lock());
      ASSERT_GT(Contexts(), idle);
      EXPECT_EQ(0, s.Close());
      EXPECT_EQ(idle, Contexts());
      // The display given back once: a mode change restored, or the exclusive
      // output's mode cleared (the 640 put back here shows a second clearing).
      const auto released = [] {
        return std::make_tuple(TheHeadless().displayRestores, TheHeadless().exclusiveReleases,
                               TheHeadless().exclusiveModeWidth);
      };
      EXPECT_EQ(std::make_tuple(exclusive ? 0 : 1, exclusive ? 1 : 0, 0), released());
      TheHeadless().exclusiveModeWidth = 640;
      EXPECT_EQ(next < 2 ? 1 : 0, next == 0 ? s.Unlock() : next == 1 ? s.Lock() : s.Close());
      EXPECT_EQ(0, s.Close());
      EXPECT_EQ(nullptr, s.pixels);
      EXPECT_EQ(idle, Contexts());
      EXPECT_EQ(std::make_tuple(exclusive ? 0 : 1, exclusive ? 1 : 0, 640), released());
      EXPECT_EQ(0, TheHeadless().flipCalls + TheHeadless().framesShown);
      EXPECT_TRUE(TheHeadless().pointerVisible);
      EXPECT_EQ(0, TheLog().RecordCount());
    }
}

}  // namespace
