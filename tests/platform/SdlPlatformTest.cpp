// The SDL backend on a real X display: display modes, a full-screen mode
// change, key presses and a close request coming from the X server, a frame
// shown 1:1 where the program put its window and drawn again when uncovered or
// resized, even once its bitmap is gone, the desktop-wide window lock
// seen from another process, the exclusive output on a screen that cannot take
// its mode, and the end of the program on SIGTERM. Runs only under
// scripts/with-xvfb.sh (Xvfb with openbox); the expectations follow the
// screen's size, so one binary serves several.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "ExclusiveOutput.h"
#include "Platform.h"

namespace {

constexpr unsigned kFullScreenStyle = 0x90880000u;  // popup, visible, border, system menu
constexpr unsigned kWindowedStyle = 0x90C80000u;    // popup, visible, caption, system menu
constexpr int kFrameWidth = 640, kFrameHeight = 480;
// Where the windowed tests put a 640x480 client area.
constexpr plat::Rect kFrameClient{100, 100, 100 + kFrameWidth, 100 + kFrameHeight};

std::vector<plat::Message> gSeen;

std::intptr_t PLAT_CALLBACK Recorder(plat::WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
  gSeen.push_back({w, m, wp, lp});
  return plat::DefaultWindowProcedure(w, m, wp, lp);
}

bool Seen(unsigned message, std::uintptr_t wParam) {
  for (const plat::Message& m : gSeen)
    if (m.message == message && m.wParam == wParam) return true;
  return false;
}

// A shell command's standard output; status receives its exit status. No
// command may hang the test: it is stopped after the time given, killed if
// it ignores that (as SDL programs turn SIGTERM into a quit event).
std::string Shell(const std::string& command, int* status = nullptr, int seconds = 10) {
  std::string quoted = "'";
  for (const char c : command) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  std::string output;
  FILE* pipe = popen(("timeout -k 2 " + std::to_string(seconds) + " sh -c " + quoted).c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int result = pclose(pipe);
  if (status) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return output;
}

// Takes the queued messages through the window procedures, as a message loop
// does; thread messages (kMsgQuit) are noted beside what the windows saw.
void Pump() {
  plat::Message m;
  while (plat::PeekAppMessage(m, true)) {
    plat::TranslateAppMessage(m);
    if (m.window) plat::DispatchAppMessage(m);
    else gSeen.push_back(m);
  }
}

// This test binary run again with the environment, only the tests the filter
// names; its output, status its exit status.
std::string RunSelf(const std::string& environment, const std::string& filter, int& status) {
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return "cannot read /proc/self/exe";
  return Shell(environment + " '" + std::string(self, static_cast<size_t>(length)) +
                   "' --gtest_filter='" + filter + "' 2>&1",
               &status, 60);
}

// Pumps messages until the condition holds or the deadline passes.
template <typename Condition>
bool PollUntil(Condition condition, int milliseconds = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    Pump();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// The X window of our window with this title, or "" once the deadline passes.
std::string XWindowOf(const std::string& title) {
  std::string id;
  PollUntil([&] {
    id = Shell("xdotool search --name '^" + title + "$' 2>/dev/null | head -n 1");
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
    return !id.empty();
  });
  return id;
}

// Where the shown X window with this title lies on the screen, as the X server
// says; empty while there is none. The title finds it, as SDL replaces a
// window's X window when it first gives it a drawing surface.
plat::Rect XGeometry(const std::string& title) {
  const std::string ids = Shell("xdotool search --name '^" + title + "$' 2>/dev/null");
  for (size_t at = 0, end; (end = ids.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string info = Shell("xwininfo -id " + ids.substr(at, end - at) + " 2>/dev/null");
    if (info.find("IsViewable") == std::string::npos) continue;
    auto field = [&info](const std::string& name) {
      const size_t found = info.find(name);
      return found == std::string::npos ? 0 : std::atoi(info.c_str() + found + name.size());
    };
    const int x = field("Absolute upper-left X:"), y = field("Absolute upper-left Y:");
    return plat::Rect{x, y, x + field("Width:"), y + field("Height:")};
  }
  return plat::Rect{};
}

// Waits until the window with this title is shown exactly at the rectangle.
::testing::AssertionResult LiesAt(const std::string& title, const plat::Rect& want) {
  plat::Rect seen;
  if (PollUntil([&] {
        seen = XGeometry(title);
        return seen.left == want.left && seen.top == want.top && seen.right == want.right &&
               seen.bottom == want.bottom;
      }))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << title << " lies at " << seen.left << "," << seen.top
                                       << " " << seen.Width() << "x" << seen.Height() << ", not "
                                       << want.left << "," << want.top << " " << want.Width()
                                       << "x" << want.Height();
}

// The test picture: an 8 x 8 grid of 80 x 60 cells, each its own colour, none black.
std::uint32_t PatternAt(int x, int y) {
  const unsigned cx = static_cast<unsigned>(x) / 80, cy = static_cast<unsigned>(y) / 60;
  return ((0x20 + cx * 0x1C) << 16) | ((0x20 + cy * 0x1C) << 8) | (0xE0 - (cx + 2 * cy) * 8);
}

// The same cells the other way round, so that a frame cannot pass for the test picture.
std::uint32_t MirroredAt(int x, int y) { return PatternAt(kFrameWidth - 1 - x, kFrameHeight - 1 - y); }
using Picture = std::uint32_t (*)(int, int);

// A memory DC holding a picture of the colours given by colour(x, y); the
// bitmap goes with the platform unless the caller takes it (bitmap) and
// deletes it.
template <typename Colour>
plat::DCHandle PictureDC(Colour colour, plat::BitmapHandle* bitmap = nullptr) {
  plat::DCHandle dc = plat::CreateMemoryDC(nullptr);
  std::uint32_t* pixels = nullptr;
  plat::BitmapHandle made = plat::CreatePixelBitmap(dc, kFrameWidth, kFrameHeight, &pixels);
  plat::SelectPixelBitmap(dc, made);
  if (!pixels) return nullptr;
  if (bitmap) *bitmap = made;
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x) pixels[y * kFrameWidth + x] = colour(x, y);
  return dc;
}

// A memory DC holding the test picture.
plat::DCHandle PatternDC(plat::BitmapHandle* bitmap = nullptr) {
  return PictureDC(PatternAt, bitmap);
}

struct Screenshot {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  std::uint32_t At(int x, int y) const {
    const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  }
};

// The whole screen as ImageMagick's import sees it, read as a binary PPM.
bool TakeScreenshot(Screenshot& shot) {
  const std::string ppm = Shell("import -window root -depth 8 ppm:- 2>/dev/null");
  int maximum = 0, header = 0;
  if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &shot.width, &shot.height, &maximum, &header) != 3 ||
      maximum != 255 || shot.width <= 0 || shot.height <= 0)
    return false;
  const size_t at = static_cast<size_t>(header) + 1;  // one whitespace byte before the pixels
  const size_t size = static_cast<size_t>(shot.width) * shot.height * 3;
  if (ppm.size() < at + size) return false;
  shot.rgb.assign(ppm.begin() + static_cast<std::ptrdiff_t>(at),
                  ppm.begin() + static_cast<std::ptrdiff_t>(at + size));
  return true;
}

std::string Difference(const char* what, int x, int y, std::uint32_t shown, std::uint32_t wanted) {
  char text[96];
  std::snprintf(text, sizeof text, "%s (%d,%d) shows %06X, not %06X", what, x, y, shown, wanted);
  return text;
}

// "" when the screen shows the picture 1:1 at (left, top); else the first difference.
std::string ExactMismatch(const Screenshot& shot, int left, int top, Picture picture = PatternAt) {
  if (left < 0 || top < 0 || left + kFrameWidth > shot.width || top + kFrameHeight > shot.height)
    return "the picture does not fit the screenshot";
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x)
      if (shot.At(left + x, top + y) != picture(x, y))
        return Difference("pixel", x, y, shot.At(left + x, top + y), picture(x, y));
  return "";
}
// The test picture 1:1 in the windowed tests' client area.
std::string ClientMismatch(const Screenshot& shot) {
  return ExactMismatch(shot, kFrameClient.left, kFrameClient.top);
}

// "" when the screen shows the picture full screen: 1:1 on a screen of its
// size, else scaled to the largest size that fits with its aspect kept, centred,
// black around it. Scaled cells are checked at their centres, which any
// sampling gives the cell's colour, and the picture's edges must reach the bars.
std::string FullScreenMismatch(const Screenshot& shot, Picture picture = PatternAt) {
  if (shot.width == kFrameWidth && shot.height == kFrameHeight)
    return ExactMismatch(shot, 0, 0, picture);
  int w = shot.width, h = shot.height;
  if (shot.width * kFrameHeight > shot.height * kFrameWidth) w = shot.height * kFrameWidth / kFrameHeight;
  else h = shot.width * kFrameHeight / kFrameWidth;
  const int left = (shot.width - w) / 2, top = (shot.height - h) / 2;
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) {
      const bool inside = x >= left && x < left + w && y >= top && y < top + h;
      if (!inside && shot.At(x, y) != 0)
        return Difference("bar pixel", x, y, shot.At(x, y), 0);
    }
  for (int cy = 0; cy < 8; ++cy)
    for (int cx = 0; cx < 8; ++cx) {
      const int sx = cx * 80 + 40, sy = cy * 60 + 30;
      const int x = left + sx * w / kFrameWidth, y = top + sy * h / kFrameHeight;
      if (shot.At(x, y) != picture(sx, sy))
        return Difference("cell", cx, cy, shot.At(x, y), picture(sx, sy));
    }
  if (shot.At(left, top + h / 2) == 0 || shot.At(left + w - 1, top + h / 2) == 0 ||
      shot.At(left + w / 2, top) == 0 || shot.At(left + w / 2, top + h - 1) == 0)
    return "the picture does not reach its edges";
  return "";
}

// Waits until a screenshot passes the check (which returns "" or the first
// difference it finds), drawing before each if asked; else fails with the last difference.
template <typename Check>
::testing::AssertionResult ScreenShows(Check check, const std::function<void()>& draw = nullptr) {
  std::string mismatch = "no screenshot";
  if (PollUntil([&] {
        if (draw) draw();
        Screenshot shot;
        mismatch = TakeScreenshot(shot) ? check(shot) : "no screenshot";
        return mismatch.empty();
      }, 10000))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << mismatch;
}

class SdlPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(plat::StartSdl(error)) << error;
    plat::WindowClass klass{"SdlTest", 0, Recorder};
    ASSERT_EQ(1, plat::RegisterWindowClass(klass));
    gSeen.clear();
    screenWidth = plat::ScreenWidth();
    screenHeight = plat::ScreenHeight();
  }
  void TearDown() override { plat::Shutdown(); }

  // The full-screen surface window as the program makes it: topmost, at 0,0.
  static plat::WindowHandle SurfaceWindow(const char* title) {
    return plat::CreateAppWindow(plat::kExStyleTopmost, "SdlTest", title, kFullScreenStyle, 0, 0,
                                 kFrameWidth, kFrameHeight);
  }

  // A captioned window with this client area.
  static plat::WindowHandle FrameWindow(const char* title, const plat::Rect& client = kFrameClient) {
    plat::Rect outer = client;
    plat::AdjustWindowRectangle(outer, kWindowedStyle);
    return plat::CreateAppWindow(0, "SdlTest", title, kWindowedStyle, outer.left, outer.top,
                                 outer.Width(), outer.Height());
  }

  int screenWidth = 0, screenHeight = 0;
};

// The tests of a captioned window with a 640x480 client area, where one fits the screen.
class SdlFrameTest : public SdlPlatformTest {
 protected:
  void SetUp() override {
    SdlPlatformTest::SetUp();
    if (screenWidth < kFrameWidth + 120 || screenHeight < kFrameHeight + 120)
      GTEST_SKIP() << "a captioned 640x480 client does not fit a " << screenWidth << "x"
                   << screenHeight << " screen";
  }
};

TEST_F(SdlPlatformTest, TheDisplayListsItsOneModeAtFourBytesAPixel) {
  plat::DisplayMode mode;
  ASSERT_TRUE(plat::EnumerateDisplayMode(0, mode));
  EXPECT_EQ(std::make_tuple(screenWidth, screenHeight, 32),  // 24-bit depth, stored in 4 bytes
            std::make_tuple(mode.width, mode.height, mode.bitsPerPixel));
  EXPECT_FALSE(plat::EnumerateDisplayMode(1, mode));
  EXPECT_FALSE(plat::EnumerateDisplayMode(-1, mode));
  int width = 0, height = 0;
  std::sscanf(Shell("xdpyinfo | grep dimensions:").c_str(), " dimensions: %dx%d", &width, &height);
  EXPECT_EQ(width, screenWidth);
  EXPECT_EQ(height, screenHeight);
}

// The window keeps no copy of its own of the frame, yet it can draw it again
// at a new size after the program has deleted the bitmap it came from.
TEST_F(SdlPlatformTest, AListedModeTakesTheSurfaceWindowFullScreenWithItsLastFrameAndOthersAreRefused) {
  plat::WindowHandle window = SurfaceWindow("Solvane mode");
  ASSERT_NE(nullptr, window);
  const plat::Rect small{1, 1, kFrameWidth - 1, kFrameHeight - 1};  // inside the 1-pixel border
  EXPECT_TRUE(LiesAt("Solvane mode", small));
  plat::BitmapHandle bitmap = nullptr;
  plat::DCHandle source = PictureDC(MirroredAt, &bitmap), dc = plat::WindowDC(window);
  ASSERT_NE(nullptr, bitmap);
  ASSERT_TRUE(plat::CopyPixels(dc, 0, 0, kFrameWidth, kFrameHeight, source, 0, 0));
  EXPECT_TRUE(plat::DeleteMemoryDC(source));
  EXPECT_TRUE(plat::DeletePixelBitmap(bitmap));

  plat::DisplayMode mode;
  ASSERT_TRUE(plat::EnumerateDisplayMode(0, mode));
  ASSERT_EQ(plat::kDisplayChangeSuccessful, plat::ChangeDisplayMode(window, &mode, plat::kDisplayFullScreen));
  EXPECT_TRUE(LiesAt("Solvane mode", plat::Rect{0, 0, screenWidth, screenHeight}));
  EXPECT_TRUE(ScreenShows([](const Screenshot& shot) { return FullScreenMismatch(shot, MirroredAt); }));
  // The frame the program copies to the window DC now fills the screen.
  source = PatternDC();
  EXPECT_TRUE(ScreenShows([](const Screenshot& shot) { return FullScreenMismatch(shot); }, [&] {
    plat::CopyPixels(dc, 0, 0, kFrameWidth, kFrameHeight, source, 0, 0);
  }));

  for (plat::DisplayMode unlisted : {plat::DisplayMode{kFrameWidth, kFrameHeight, 16, 0},
                                     plat::DisplayMode{800, 600, 32, 0}})
    EXPECT_EQ(plat::kDisplayChangeBadMode, plat::ChangeDisplayMode(window, &unlisted, plat::kDisplayFullScreen));
  EXPECT_EQ(plat::kDisplayChangeSuccessful, plat::ChangeDisplayMode(window, nullptr, 0));
  EXPECT_TRUE(LiesAt("Solvane mode", small));
}

TEST_F(SdlPlatformTest, KeysFromTheXServerBecomeKeyMessagesAndTheCloseBoxAClose) {
  plat::WindowHandle window =
      plat::CreateAppWindow(0, "SdlTest", "Solvane keys", kWindowedStyle, 50, 50, 326, 226);
  ASSERT_NE(nullptr, window);
  const std::string id = XWindowOf("Solvane keys");
  ASSERT_FALSE(id.empty());
  ASSERT_TRUE(PollUntil([&] {
    int status = 1;
    Shell("xdotool windowactivate --sync " + id + " 2>/dev/null", &status);
    return status == 0 && Shell("xdotool getactivewindow 2>/dev/null").find(id) == 0;
  }));
  Shell("xdotool key a && xdotool key shift+b && xdotool key Escape");
  EXPECT_TRUE(PollUntil([] {
    return Seen(plat::kMsgKeyUp, plat::kKeyA) && Seen(plat::kMsgKeyUp, plat::kKeyA + 1) &&
           Seen(plat::kMsgKeyUp, plat::kKeyEscape);
  }));
  // Presses in order; each key released after its press (xdotool lets go of
  // Shift and B in either order).
  std::vector<std::uintptr_t> presses;
  for (size_t i = 0; i < gSeen.size(); ++i) {
    if (gSeen[i].message != plat::kMsgKeyDown && gSeen[i].message != plat::kMsgKeyUp) continue;
    EXPECT_EQ(window, gSeen[i].window);
    if (gSeen[i].message != plat::kMsgKeyDown) continue;
    presses.push_back(gSeen[i].wParam);
    bool released = false;
    for (size_t j = i + 1; j < gSeen.size() && !released; ++j)
      released = gSeen[j].message == plat::kMsgKeyUp && gSeen[j].wParam == gSeen[i].wParam;
    EXPECT_TRUE(released) << "key " << gSeen[i].wParam;
  }
  EXPECT_EQ((std::vector<std::uintptr_t>{0x41, plat::kKeyShift, 0x42, plat::kKeyEscape}), presses);
  EXPECT_TRUE(Seen(plat::kMsgChar, 'a'));
  EXPECT_FALSE(plat::KeyIsDown(plat::kKeyShift));

  // Alt+F4 is the window manager's close box: the window hears kMsgClose, and
  // the default procedure destroys it.
  Shell("xdotool key alt+F4");
  EXPECT_TRUE(PollUntil([] { return Seen(plat::kMsgClose, 0); }));
  EXPECT_FALSE(plat::IsWindowAlive(window));
}

// Frames follow each other faster than the X server shows them (they take
// turns in two shared images): the screen ends on the last one, exactly where
// the program put the window. The window then shows it as the program left it
// whenever the X server asks for it again, here once a window that covered it has gone.
TEST_F(SdlFrameTest, FramesInQuickSuccessionEndOnTheLastExactlyAndItIsRepaintedWhenUncovered) {
  plat::WindowHandle window = FrameWindow("Solvane repaint");
  ASSERT_NE(nullptr, window);
  plat::Rect rect;
  ASSERT_TRUE(plat::ClientRectangle(window, rect));
  EXPECT_EQ(std::make_pair(kFrameWidth, kFrameHeight), std::make_pair(rect.Width(), rect.Height()));
  EXPECT_TRUE(LiesAt("Solvane repaint", kFrameClient));
  plat::DCHandle dc = plat::ClientDC(window);
  for (int round = 0; round < 3; ++round) {
    for (std::uint32_t colour : {0x400000u, 0x004000u, 0x000040u, 0x404040u}) {
      plat::DCHandle solid = PictureDC([colour](int, int) { return colour; });
      ASSERT_TRUE(plat::CopyPixels(dc, 0, 0, kFrameWidth, kFrameHeight, solid, 0, 0));
    }
    ASSERT_TRUE(plat::CopyPixels(dc, 0, 0, kFrameWidth, kFrameHeight, PatternDC(), 0, 0));
    EXPECT_TRUE(ScreenShows(ClientMismatch)) << "round " << round;
  }

  // A window of another colour over it, then gone.
  constexpr std::uint32_t kCover = 0x102030;  // no cell of the test picture has this colour
  plat::WindowHandle cover = FrameWindow("Solvane cover");
  ASSERT_NE(nullptr, cover);
  EXPECT_TRUE(LiesAt("Solvane cover", kFrameClient));
  plat::DCHandle coverSource = PictureDC([](int, int) { return kCover; });
  plat::DCHandle coverDC = plat::ClientDC(cover);
  ASSERT_TRUE(plat::CopyPixels(coverDC, 0, 0, kFrameWidth, kFrameHeight, coverSource, 0, 0));
  EXPECT_TRUE(ScreenShows([](const Screenshot& shot) {
    const std::uint32_t seen =
        shot.At(kFrameClient.left + kFrameWidth / 2, kFrameClient.top + kFrameHeight / 2);
    return seen == kCover ? "" : Difference("cover", 0, 0, seen, kCover);
  }));
  plat::ReleaseDrawContext(cover, coverDC);
  ASSERT_TRUE(plat::DestroyAppWindow(cover));
  EXPECT_TRUE(ScreenShows(ClientMismatch));
}

TEST_F(SdlPlatformTest, AnotherProcessSeesTheWindowOfAClassUntilItIsDestroyed) {
  plat::WindowClass probe{"LockProbe", 0, Recorder};
  ASSERT_EQ(1, plat::RegisterWindowClass(probe));
  plat::WindowHandle window =
      plat::CreateAppWindow(0, "LockProbe", "Solvane lock", kWindowedStyle, 40, 40, 206, 126);
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(window, plat::FindWindowOfClass("LockProbe"));
  for (const char* expect : {"present", "absent"}) {
    int status = -1;
    const std::string output =
        RunSelf(std::string("SOLVANE_PROBE_CLASS=LockProbe SOLVANE_PROBE_EXPECT=") + expect,
                "*ForeignProbe*", status);
    EXPECT_EQ(0, status) << output;
    EXPECT_NE(std::string::npos, output.find("[  PASSED  ] 1 test")) << output;
    ASSERT_TRUE(!plat::IsWindowAlive(window) || plat::DestroyAppWindow(window));
    EXPECT_EQ(nullptr, plat::FindWindowOfClass("LockProbe"));
  }
}

// Run by the test above as another process on the same display.
TEST_F(SdlPlatformTest, ForeignProbe) {
  const char* className = std::getenv("SOLVANE_PROBE_CLASS");
  const char* expect = std::getenv("SOLVANE_PROBE_EXPECT");
  if (!className || !expect) GTEST_SKIP() << "runs only as the child of the lock test";
  const bool present = std::string(expect) == "present";
  EXPECT_EQ(present, nullptr != plat::FindWindowOfClass(className));
  EXPECT_EQ(present ? "sdl_platform_tests" : "", plat::WindowClassHolder(className));
}

// A program on the desktop ends when it is sent SIGTERM (or SIGINT from its
// terminal): killed by it, or told to quit or close if the backend catches it.
TEST_F(SdlPlatformTest, ATerminationSignalEndsTheProgram) {
  int status = 0;
  const std::string output = RunSelf("SOLVANE_PROBE_SIGNAL=1", "*SignalProbe*", status);
  EXPECT_TRUE(status == 128 + SIGTERM || status == -1 ||
              output.find("[  PASSED  ] 1 test") != std::string::npos)
      << "status " << status << "\n" << output;
}

// Run by the test above as another process.
TEST_F(SdlPlatformTest, SignalProbe) {
  if (!std::getenv("SOLVANE_PROBE_SIGNAL")) GTEST_SKIP() << "runs only as the child of the signal test";
  ASSERT_NE(nullptr, plat::CreateAppWindow(0, "SdlTest", "Solvane signal", kWindowedStyle, 40, 40,
                                           206, 126));
  std::raise(SIGTERM);
  EXPECT_TRUE(PollUntil([] { return Seen(plat::kMsgQuit, 0) || Seen(plat::kMsgClose, 0); }, 3000))
      << "still running after SIGTERM";
}

TEST_F(SdlPlatformTest, TheExclusiveOutputFillsTheScreenScaledWhenItsModeIsNotListedAndIsLostWhileMinimised) {
  plat::WindowHandle window = SurfaceWindow("Solvane exclusive");
  ASSERT_NE(nullptr, window);
  plat::LibraryHandle library = plat::LoadRuntimeLibrary(plat::kExclusiveLibraryName);
  ASSERT_NE(nullptr, library);
  auto create = reinterpret_cast<plat::ExclusiveCreateFunction>(
      plat::FindLibrarySymbol(library, plat::kExclusiveCreateName));
  ASSERT_NE(nullptr, create);
  plat::ExclusiveOutput* output = nullptr;
  ASSERT_EQ(plat::kResultOk, create(nullptr, &output, nullptr));
  ASSERT_EQ(plat::kResultOk, output->SetCooperativeLevel(
                                 window, plat::kCooperativeExclusive | plat::kCooperativeFullScreen));
  const bool listed = screenWidth == kFrameWidth && screenHeight == kFrameHeight;
  EXPECT_EQ(listed ? plat::kResultOk : plat::kResultUnsupportedMode,
            output->SetDisplayMode(kFrameWidth, kFrameHeight, 32));
  plat::SurfaceDescription description;
  description.flags = plat::kSurfaceDescCaps | plat::kSurfaceDescBackBufferCount;
  description.backBufferCount = 1;
  description.caps = plat::kCapsPrimarySurface | plat::kCapsFlip | plat::kCapsComplex;
  plat::ExclusiveSurface *primary = nullptr, *back = nullptr;
  ASSERT_EQ(plat::kResultOk, output->CreateSurface(description, &primary, nullptr));
  ASSERT_EQ(plat::kResultOk, primary->GetAttachedSurface(plat::kCapsBackBuffer, &back));

  // One frame of the program's loop: into the back buffer through its DC, then the flip.
  plat::DCHandle source = PatternDC();
  auto frame = [&] {
    plat::DCHandle dc = nullptr;
    if (back->GetDC(&dc) != plat::kResultOk) return;
    plat::CopyPixels(dc, 0, 0, kFrameWidth, kFrameHeight, source, 0, 0);
    back->ReleaseDC(dc);
    int result;
    while ((result = primary->Flip(nullptr, 0)) == plat::kResultStillDrawing) {
    }
    if (result == plat::kResultSurfaceLost) primary->Restore();
  };
  EXPECT_TRUE(ScreenShows([](const Screenshot& shot) { return FullScreenMismatch(shot); }, frame));

  // Minimised (as when the full screen loses the focus), the output is lost:
  // flips say so and restoring fails until the window is back.
  const std::string id = XWindowOf("Solvane exclusive");
  ASSERT_FALSE(id.empty());
  Shell("xdotool windowminimize " + id);
  EXPECT_TRUE(PollUntil([&] { return primary->Flip(nullptr, 0) == plat::kResultSurfaceLost; }));
  EXPECT_EQ(plat::kResultSurfaceLost, primary->Restore());
  Shell("xdotool windowactivate " + id);
  EXPECT_TRUE(PollUntil([&] { return primary->Restore() == plat::kResultOk; }));
  EXPECT_EQ(plat::kResultOk, primary->Flip(nullptr, 0));

  EXPECT_EQ(plat::kResultOk, output->RestoreDisplayMode());
  primary->Release();
  output->Release();
}

// The program puts its window where it belongs; once it is seen there, a move
// by the user (here xdotool's, as a drag would) is the user's and stays.
TEST_F(SdlPlatformTest, AWindowMovedByTheUserStaysWhereTheUserPutIt) {
  const plat::Rect client{60, 60, 60 + 200, 60 + 100};
  ASSERT_NE(nullptr, FrameWindow("Solvane dragged", client));
  ASSERT_TRUE(LiesAt("Solvane dragged", client));
  const std::string id = XWindowOf("Solvane dragged");
  ASSERT_FALSE(id.empty());
  Shell("xdotool windowmove --sync " + id + " 300 200");
  plat::Rect moved;
  ASSERT_TRUE(PollUntil([&] {
    moved = XGeometry("Solvane dragged");
    return moved.Width() > 0 && moved.left != client.left;
  })) << "xdotool did not move the window";
  // Nothing to wait for but a move back that must not come.
  EXPECT_FALSE(PollUntil([&] {
    const plat::Rect now = XGeometry("Solvane dragged");
    return now.left != moved.left || now.top != moved.top;
  }, 1000)) << "the window was moved back";
}

}  // namespace
