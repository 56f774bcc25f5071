// The headless platform core: classes and windows, the thread's message queue
// with injected input, and block copies between draw contexts.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "HeadlessControl.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "TestSupport.h"

namespace {

using plat::headless::Headless;

struct Seen {
  plat::WindowHandle window;
  unsigned message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};
std::vector<Seen> gSeen;
std::vector<Seen> gSeenBySubclass;

std::intptr_t Recorder(plat::WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
  gSeen.push_back({w, m, wp, lp});
  return m == 0x400 ? static_cast<std::intptr_t>(wp) * 2 : 0;
}

std::intptr_t Subclass(plat::WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
  gSeenBySubclass.push_back({w, m, wp, lp});
  return 7;
}

// Closes like a stock window: the default procedure destroys it.
std::intptr_t Closable(plat::WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
  gSeen.push_back({w, m, wp, lp});
  return plat::DefaultWindowProcedure(w, m, wp, lp);
}

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSeen.clear();
    gSeenBySubclass.clear();
    ResetProgramLocationForTest();
    ASSERT_TRUE(plat::StartHeadless());
  }
  void TearDown() override { plat::Shutdown(); }

  void Register(const char* name, plat::WindowProc procedure = Recorder) {
    plat::WindowClass c;
    c.name = name;
    c.procedure = procedure;
    ASSERT_EQ(1, plat::RegisterWindowClass(c));
  }
  plat::WindowHandle Make(const char* className = "Test", bool visible = true) {
    return plat::CreateAppWindow(0, className, "t", visible ? plat::kStyleVisible : 0, 10, 20,
                                 100, 50);
  }

  LogCapture capture;
};

TEST_F(PlatformTest, ClassRegistrationAndItsErrors) {
  Register("Test");
  plat::WindowClass again;
  again.name = "Test";
  again.procedure = Recorder;
  EXPECT_EQ(0, plat::RegisterWindowClass(again));
  EXPECT_EQ(plat::kErrorClassAlreadyExists, plat::LastError());

  EXPECT_TRUE(plat::UnregisterWindowClass("Test"));
  EXPECT_FALSE(plat::UnregisterWindowClass("Test"));
  EXPECT_EQ(plat::kErrorClassDoesNotExist, plat::LastError());
  EXPECT_EQ(nullptr, Make("Test"));
  EXPECT_EQ(plat::kErrorClassDoesNotExist, plat::LastError());
  EXPECT_EQ(1, plat::RegisterWindowClass(again));

  Headless().failWindowCreation = true;
  EXPECT_EQ(nullptr, Make("Test"));
  EXPECT_EQ(plat::kErrorCannotCreateWindow, plat::LastError());
  EXPECT_TRUE(gSeen.empty());  // no create message for a window never made
}

TEST_F(PlatformTest, QueueKeepsPostingOrderAndPeekCanLeaveTheMessage) {
  Register("Test");
  plat::WindowHandle w = Make();
  plat::Message m;
  EXPECT_FALSE(plat::PeekAppMessage(m, true));
  ASSERT_TRUE(plat::PostAppMessage(w, 0x401, 1, 10));
  ASSERT_TRUE(plat::PostAppMessage(w, 0x402, 2, 20));
  plat::PostQuit(3);

  ASSERT_TRUE(plat::PeekAppMessage(m, false));
  EXPECT_EQ(0x401u, m.message);
  ASSERT_TRUE(plat::PeekAppMessage(m, false));
  EXPECT_EQ(0x401u, m.message);  // still first

  std::vector<unsigned> order;
  while (plat::PeekAppMessage(m, true)) order.push_back(m.message);
  EXPECT_EQ((std::vector<unsigned>{0x401, 0x402, plat::kMsgQuit}), order);
  EXPECT_EQ(nullptr, m.window);
  EXPECT_EQ(3u, m.wParam);
}

TEST_F(PlatformTest, DispatchReachesTheProcedureOfTheMessagesWindow) {
  Register("Test");
  plat::WindowHandle a = Make();
  plat::WindowHandle b = Make();
  gSeen.clear();
  plat::PostAppMessage(b, 0x400, 21, -5);
  plat::Message m;
  ASSERT_TRUE(plat::PeekAppMessage(m, true));
  EXPECT_EQ(42, plat::DispatchAppMessage(m));
  ASSERT_EQ(1u, gSeen.size());
  EXPECT_EQ(b, gSeen[0].window);
  EXPECT_EQ(21u, gSeen[0].wParam);
  EXPECT_EQ(-5, gSeen[0].lParam);

  // Messages of a destroyed window are dropped and cannot be posted again.
  plat::PostAppMessage(a, 0x401, 0, 0);
  plat::PostAppMessage(b, 0x402, 0, 0);
  ASSERT_TRUE(plat::DestroyAppWindow(a));
  EXPECT_FALSE(plat::IsWindowAlive(a));
  EXPECT_FALSE(plat::PostAppMessage(a, 0x401, 0, 0));
  ASSERT_TRUE(plat::PeekAppMessage(m, true));
  EXPECT_EQ(0x402u, m.message);
  EXPECT_FALSE(plat::PeekAppMessage(m, true));
  EXPECT_EQ(0, plat::SendAppMessage(a, 0x400, 1, 0));
}

TEST_F(PlatformTest, SubclassingReplacesTheProcedureAndKeepsTheOld) {
  Register("Test");
  plat::WindowHandle w = Make();
  gSeen.clear();
  plat::WindowProc previous = plat::SubclassWindow(w, Subclass);
  EXPECT_EQ(&Recorder, previous);
  EXPECT_EQ(7, plat::SendAppMessage(w, 0x400, 3, 0));
  EXPECT_TRUE(gSeen.empty());
  ASSERT_EQ(1u, gSeenBySubclass.size());
  EXPECT_EQ(6, plat::CallWindowProcedure(previous, w, 0x400, 3, 0));
  EXPECT_EQ(1u, gSeen.size());
  EXPECT_EQ(0, plat::CallWindowProcedure(nullptr, w, 0x400, 3, 0));
  EXPECT_EQ(nullptr, plat::SubclassWindow(nullptr, Subclass));
  EXPECT_EQ(nullptr, plat::SubclassWindow(w, nullptr));
}

TEST_F(PlatformTest, DefaultProcedureDestroysAWindowOnClose) {
  Register("Closable", Closable);
  plat::WindowHandle w = Make("Closable");
  ASSERT_NE(nullptr, w);
  EXPECT_EQ(0, plat::SendAppMessage(w, 0x400, 0, 0));
  EXPECT_TRUE(plat::IsWindowAlive(w));
  gSeen.clear();
  plat::SendAppMessage(w, plat::kMsgClose, 0, 0);
  EXPECT_FALSE(plat::IsWindowAlive(w));
  ASSERT_EQ(2u, gSeen.size());
  EXPECT_EQ(plat::kMsgClose, gSeen[0].message);
  EXPECT_EQ(plat::kMsgDestroy, gSeen[1].message);
  EXPECT_EQ(nullptr, plat::FindWindowOfClass("Closable"));
  EXPECT_EQ(nullptr, plat::ForegroundWindow());
}

TEST_F(PlatformTest, InjectedInputGoesToTheNewestVisibleWindowAtThePoll) {
  Register("Test");
  plat::Message m;
  Headless().PressKey('Q');  // nobody to receive it
  EXPECT_FALSE(plat::PeekAppMessage(m, true));

  plat::WindowHandle older = Make();
  plat::WindowHandle newer = Make();
  Headless().PressKey(plat::kKeyEscape);
  Headless().RequestClose();
  EXPECT_EQ(2u, Headless().pendingInput.size());  // nothing queued before a poll
  ASSERT_TRUE(plat::PeekAppMessage(m, true));
  EXPECT_EQ(newer, m.window);
  EXPECT_EQ(plat::kMsgKeyDown, m.message);
  EXPECT_EQ(plat::kKeyEscape, m.wParam);
  ASSERT_TRUE(plat::PeekAppMessage(m, true));
  EXPECT_EQ(plat::kMsgClose, m.message);

  plat::ShowAppWindow(newer, plat::kShowHide);
  Headless().ReleaseKey('Q');
  ASSERT_TRUE(plat::PeekAppMessage(m, true));
  EXPECT_EQ(older, m.window);
  EXPECT_EQ(plat::kMsgKeyUp, m.message);
}

TEST_F(PlatformTest, FindWindowOfClassSeesOwnAndForeignWindows) {
  Register("Test");
  EXPECT_EQ(nullptr, plat::FindWindowOfClass("Test"));
  plat::WindowHandle w = Make("Test", false);
  EXPECT_EQ(w, plat::FindWindowOfClass("Test"));  // hidden windows count too
  EXPECT_EQ(nullptr, plat::FindWindowOfClass("Other"));

  Headless().foreignWindowClasses.insert("Other");
  plat::WindowHandle foreign = plat::FindWindowOfClass("Other");
  ASSERT_NE(nullptr, foreign);
  EXPECT_NE(w, foreign);
  EXPECT_FALSE(plat::IsWindowAlive(foreign));  // not ours to use

  plat::DestroyAppWindow(w);
  EXPECT_EQ(nullptr, plat::FindWindowOfClass("Test"));
  EXPECT_EQ(nullptr, plat::FindWindowOfClass(nullptr));
}

// A memory DC with a new bitmap selected; the bitmap's pixels through *pixels.
plat::DCHandle MemoryWithBitmap(int w, int h, std::uint32_t** pixels) {
  plat::DCHandle dc = plat::CreateMemoryDC(nullptr);
  plat::BitmapHandle bitmap = plat::CreatePixelBitmap(dc, w, h, pixels);
  plat::SelectPixelBitmap(dc, bitmap);
  return dc;
}

TEST_F(PlatformTest, CopyBetweenMemoryContextsIsClippedToBothBitmaps) {
  std::uint32_t* src = nullptr;
  std::uint32_t* dst = nullptr;
  plat::DCHandle from = MemoryWithBitmap(4, 3, &src);
  plat::DCHandle to = MemoryWithBitmap(3, 2, &dst);
  for (int i = 0; i < 12; ++i) src[i] = 100 + i;  // value 100 + y*4 + x

  // 4x3 asked from (2,1): only 2x2 lies in the source.
  ASSERT_TRUE(plat::CopyPixels(to, 1, 0, 4, 3, from, 2, 1));
  EXPECT_EQ((std::vector<std::uint32_t>{0, 106, 107, 0, 110, 111}),
            std::vector<std::uint32_t>(dst, dst + 6));
  // Parts falling off the destination are dropped.
  ASSERT_TRUE(plat::CopyPixels(to, -1, 1, 2, 1, from, 0, 0));
  EXPECT_EQ(101u, dst[3]);
  EXPECT_EQ(110u, dst[4]);

  EXPECT_FALSE(plat::CopyPixels(to, 0, 0, 1, 1, from, -1, 0));
  EXPECT_FALSE(plat::CopyPixels(to, 0, 0, 1, 1, from, 4, 0));
  EXPECT_FALSE(plat::CopyPixels(to, 0, 0, 0, 1, from, 0, 0));
  plat::DCHandle empty = plat::CreateMemoryDC(nullptr);
  EXPECT_FALSE(plat::CopyPixels(to, 0, 0, 1, 1, empty, 0, 0));
  EXPECT_TRUE(plat::DeleteMemoryDC(empty));
  EXPECT_FALSE(plat::DeleteMemoryDC(empty));
}

TEST_F(PlatformTest, CopyToAWindowShowsAWholeFrame) {
  Register("Test");
  plat::WindowHandle w = Make();
  plat::DCHandle client = plat::ClientDC(w);
  ASSERT_NE(nullptr, client);
  std::uint32_t* src = nullptr;
  plat::DCHandle from = MemoryWithBitmap(4, 3, &src);
  for (int i = 0; i < 12; ++i) src[i] = 100 + i;

  EXPECT_FALSE(plat::CopyPixels(client, 1, 0, 2, 2, from, 0, 0));
  EXPECT_EQ(0, Headless().framesShown);
  ASSERT_TRUE(plat::CopyPixels(client, 0, 0, 4, 3, from, 1, 1));
  EXPECT_EQ(1, Headless().framesShown);
  const plat::headless::Frame& f = Headless().lastFrame;
  EXPECT_FALSE(f.flipped);
  EXPECT_EQ(3, f.width);
  EXPECT_EQ(2, f.height);
  EXPECT_EQ((std::vector<std::uint32_t>{105, 106, 107, 109, 110, 111}), f.pixels);

  // A window's DCs go with it; a memory DC is not released as a window DC.
  EXPECT_FALSE(plat::ReleaseDrawContext(w, from));
  plat::DestroyAppWindow(w);
  EXPECT_FALSE(plat::ReleaseDrawContext(w, client));
  EXPECT_EQ(nullptr, plat::WindowDC(w));
}

}  // namespace
