// The surface window: placement and styles, the one-window rule, creation
// failures, the window procedure's quit flag, and the key marks it records.
#include <initializer_list>
#include <string>

#include "Desktop.h"
#include "PixelSurface.h"
#include "SurfaceTestUtil.h"

namespace {

using SurfaceWindowTest = SurfaceTest;

void SetScreen(int w, int h) {
  auto& c = plat::headless::Headless();
  c.screenWidth = w;
  c.screenHeight = h;
  c.currentMode = {w, h, 32, 60};
}

TEST_F(SurfaceWindowTest, WindowedClientAreaIsCentredUnderACaption) {
  PixelSurface surface;
  surface.Create(false, 640, 480, 32);
  EXPECT_EQ("", capture.Text());
  plat::Window* w = surface.Window();
  ASSERT_NE(nullptr, w);
  EXPECT_EQ("VSurface", w->className);
  EXPECT_EQ("Solvane", w->title);
  EXPECT_EQ(0x90C80000u, w->style);
  EXPECT_EQ(0u, w->exStyle);
  EXPECT_TRUE(w->visible);
  EXPECT_EQ(192, w->client.left);
  EXPECT_EQ(144, w->client.top);
  plat::Rect client;
  ASSERT_TRUE(plat::ClientRectangle(w, client));
  EXPECT_EQ(640, client.Width());
  EXPECT_EQ(480, client.Height());

  const plat::WindowClass& c = plat::TheDesktop().classes.at("VSurface");
  EXPECT_EQ(plat::kClassOwnDC, c.style);
  EXPECT_EQ(plat::kIconExclamation, c.icon);
  EXPECT_TRUE(c.blackBackground);
}

TEST_F(SurfaceWindowTest, CentringHalvesWithAnArithmeticShift) {
  struct Case { int screenW, screenH, left, top; };
  // A screen smaller than the surface gives negative corners; an odd
  // difference rounds down, so the client stays exactly 640 x 480.
  for (const Case& c : {Case{1280, 1024, 320, 272}, Case{801, 601, 80, 60},
                        Case{599, 399, -21, -41}}) {
    plat::Shutdown();
    ASSERT_TRUE(plat::StartHeadless());
    SetScreen(c.screenW, c.screenH);
    PixelSurface surface;
    surface.Create(false, 640, 480, 32);
    plat::Window* w = surface.Window();
    ASSERT_NE(nullptr, w);
    EXPECT_EQ(c.left, w->client.left) << c.screenW;
    EXPECT_EQ(c.top, w->client.top) << c.screenH;
    EXPECT_EQ(640, w->client.Width()) << c.screenW;
    EXPECT_EQ(480, w->client.Height()) << c.screenH;
  }
}

TEST_F(SurfaceWindowTest, FullScreenIsATopmostPopupAtTheOrigin) {
  PixelSurface surface;
  surface.Create(true, 640, 480, 32);
  plat::Window* w = surface.Window();
  ASSERT_NE(nullptr, w);
  EXPECT_EQ(0x90880000u, w->style);
  EXPECT_EQ(plat::kExStyleTopmost, w->exStyle);
  plat::Rect r;
  ASSERT_TRUE(plat::WindowRectangle(w, r));
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(0, r.top);
  EXPECT_EQ(640, r.right);
  EXPECT_EQ(480, r.bottom);
  EXPECT_EQ(w, plat::ForegroundWindow());
}

TEST_F(SurfaceWindowTest, OnlyOneSurfaceWindowAtATime) {
  PixelSurface first;
  first.Create(false, 640, 480, 32);
  ASSERT_NE(nullptr, first.Window());
  {
    PixelSurface second;
    second.Create(true, 640, 480, 32);
    EXPECT_EQ(nullptr, second.Window());
    ASSERT_EQ(1, GlobalLog().RecordCount());
    EXPECT_EQ("3/VSurface/2: There can be only one surface window at a time.", RecordAt(0));
    EXPECT_EQ("Error: There can be only one surface window at a time.\n", capture.Text());
  }
  EXPECT_TRUE(plat::IsWindowAlive(first.Window()));
}

TEST_F(SurfaceWindowTest, AnotherProgramsSurfaceWindowAlsoCounts) {
  Headless().foreignWindowClasses.insert("VSurface");
  PixelSurface surface;
  surface.Create(false, 640, 480, 32);
  EXPECT_EQ(nullptr, surface.Window());
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("3/VSurface/2: There can be only one surface window at a time.", RecordAt(0));
  EXPECT_EQ(0u, plat::TheDesktop().classes.count("VSurface"));  // stopped before registering
}

TEST_F(SurfaceWindowTest, RegistrationFailuresArePlainMessages) {
  plat::WindowClass c;
  c.name = "VSurface";
  c.procedure = plat::DefaultWindowProcedure;
  ASSERT_EQ(1, plat::RegisterWindowClass(c));
  PixelSurface surface;
  surface.Create(false, 640, 480, 32);
  EXPECT_EQ(nullptr, surface.Window());
  EXPECT_EQ("KolWindow class is already registered.\n", capture.Text());

  plat::Shutdown();  // nothing to register with at all
  PixelSurface other;
  other.Create(false, 640, 480, 32);
  EXPECT_EQ(nullptr, other.Window());
  EXPECT_EQ("KolWindow class is already registered.\nUnable to register class.\n", capture.Text());
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

TEST_F(SurfaceWindowTest, WindowCreationFailureIsReported) {
  Headless().failWindowCreation = true;
  PixelSurface surface;
  surface.Create(false, 640, 480, 32);
  EXPECT_EQ(nullptr, surface.Window());
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("3/VSurface/1: Failed to create window", RecordAt(0));
  EXPECT_EQ("Error: Failed to create window\n", capture.Text());
}

TEST_F(SurfaceWindowTest, DestructionUnregistersTheClassButLeavesTheWindow) {
  plat::WindowHandle window;
  {
    PixelSurface surface;
    surface.Create(false, 640, 480, 32);
    window = surface.Window();
  }
  EXPECT_TRUE(plat::IsWindowAlive(window));
  EXPECT_EQ(0u, plat::TheDesktop().classes.count("VSurface"));
  EXPECT_EQ("", capture.Text());  // no keys, no marks
}

TEST_F(SurfaceWindowTest, EscapeAndCloseSetTheQuitFlagAndKeepTheWindow) {
  PixelSurface surface;
  surface.Create(false, 640, 480, 32);
  plat::WindowHandle w = surface.Window();
  EXPECT_FALSE(QuitRequested());
  Headless().RequestClose();
  Pump();
  EXPECT_TRUE(QuitRequested());
  EXPECT_TRUE(plat::IsWindowAlive(w));

  ResetSurfaceInputForTest();
  Headless().PressKey(plat::kKeyEscape);
  Pump();
  EXPECT_TRUE(QuitRequested());
  EXPECT_TRUE(plat::IsWindowAlive(w));

  // Destroying the window does not ask the program to quit.
  ResetSurfaceInputForTest();
  plat::DestroyAppWindow(w);
  plat::Message m;
  EXPECT_FALSE(plat::PeekAppMessage(m, true));
  EXPECT_FALSE(QuitRequested());
}

TEST_F(SurfaceWindowTest, KeyMarksAreWrittenInTimeOrderWhenTheSurfaceGoes) {
  {
    PixelSurface surface;
    surface.Create(false, 640, 480, 32);
    Headless().tick = 61234;
    Headless().PressKey('R');
    Pump();
    Headless().tick = 5;
    Headless().PressKey('A');
    Pump();
    Headless().tick = 1000;
    Headless().PressKey('Z');
    Pump();
    EXPECT_EQ(3u, KeyMarks().size());
    EXPECT_EQ("", capture.Text());
  }
  EXPECT_EQ("0.005 : A\n1.000 : Z\n61.234 : R\n", capture.Text());
  EXPECT_TRUE(KeyMarks().empty());
}

TEST_F(SurfaceWindowTest, OnlyLetterKeysMakeMarksAndOnePerMillisecond) {
  PixelSurface surface;
  surface.Create(false, 640, 480, 32);
  Headless().tick = 250;
  Headless().PressKey('B');
  Headless().PressKey('C');  // same millisecond: dropped, B stays
  Pump();
  Headless().tick = 300;
  Headless().PressKey(plat::kKeyShift);
  Headless().PressKey('Q');  // with Shift held the key code is still 'Q'
  Pump();
  // Digits, space, arrows, the codes either side of the letters, numpad 1 (0x61).
  for (unsigned key : std::initializer_list<unsigned>{'1', '0', '9', plat::kKeySpace, plat::kKeyLeft,
                                                      plat::kKeyDown, 0x40, 0x5B, 0x61}) {
    ++Headless().tick;
    Headless().PressKey(key);
    Pump();
  }
  Headless().ReleaseKey('X');
  Pump();
  EXPECT_FALSE(QuitRequested());
  ASSERT_EQ(2u, KeyMarks().size());
  EXPECT_EQ('B', KeyMarks().at(250));
  EXPECT_EQ('Q', KeyMarks().at(300));
}

TEST_F(SurfaceWindowTest, KeyMarkTableIsBounded) {
  PixelSurface surface;
  surface.Create(false, 640, 480, 32);
  plat::WindowHandle w = surface.Window();
  for (int i = 0; i < 100001; ++i) {
    Headless().tick = static_cast<std::uint32_t>(i);
    plat::SendAppMessage(w, plat::kMsgKeyDown, 'K', 0);
  }
  EXPECT_EQ(100000u, KeyMarks().size());
  EXPECT_EQ(0u, KeyMarks().count(100000));
  KeyMarks().clear();  // not worth 100000 log lines
}

}  // namespace
