// The bitmap surface: pixel memory, frames copied to the window, and the
// display mode it switches to and back in full screen.
#include "PixelSurface.h"
#include "SurfaceTestUtil.h"

namespace {

using PixelSurfaceTest = SurfaceTest;

// Draws a frame with a marker in two corners and returns the frame shown.
const plat::headless::Frame& DrawFrame(PixelSurface& s, std::uint32_t first, std::uint32_t last) {
  s.Lock();
  s.pixels[0] = first;
  s.pixels[static_cast<size_t>(s.width) * s.height - 1] = last;
  s.Unlock();
  return plat::headless::Headless().lastFrame;
}

TEST_F(PixelSurfaceTest, WindowedFramesAreCopiedToTheClientArea) {
  PixelSurface s;
  s.Create(false, 640, 480, 32);
  EXPECT_EQ(nullptr, s.pixels);
  s.Init();
  EXPECT_EQ("Surface: 640x480\n", capture.Text());
  EXPECT_EQ(0, GlobalLog().RecordCount());
  ASSERT_NE(nullptr, s.pixels);
  EXPECT_EQ(640, s.width);
  EXPECT_EQ(480, s.height);
  EXPECT_FALSE(s.DisplayModeChanged());
  EXPECT_EQ(0, Headless().displayChanges);

  s.Unlock();  // nothing locked: nothing shown
  EXPECT_EQ(0, Headless().framesShown);
  const auto& f = DrawFrame(s, 0x00112233u, 0x00ABCDEFu);
  EXPECT_EQ(1, Headless().framesShown);
  EXPECT_FALSE(f.flipped);
  ASSERT_EQ(640, f.width);
  ASSERT_EQ(480, f.height);
  EXPECT_EQ(0x00112233u, f.pixels.front());
  EXPECT_EQ(0x00ABCDEFu, f.pixels.back());
  EXPECT_EQ(0u, f.pixels[1]);
}

TEST_F(PixelSurfaceTest, WindowedCloseLeavesDisplayAndPointerAlone) {
  PixelSurface s;
  s.Create(false, 640, 480, 32);
  s.Init();
  plat::ShowPointer(false);  // someone else's hide must survive
  s.Close();
  EXPECT_EQ(nullptr, s.pixels);
  EXPECT_EQ(0, Headless().displayRestores);
  EXPECT_FALSE(Headless().pointerVisible);
  EXPECT_EQ(0, plat::ShowPointer(true));
  s.Lock();
  s.Unlock();
  EXPECT_EQ(0, Headless().framesShown);
}

TEST_F(PixelSurfaceTest, FullScreenTakesTheFirstListedModeAndCloseRestoresIt) {
  Headless().modes = {{800, 600, 32, 60}, {640, 480, 16, 60}, {640, 480, 32, 75},
                      {640, 480, 32, 60}};
  PixelSurface s;
  s.Create(true, 640, 480, 32);
  s.Init();
  EXPECT_EQ(0, GlobalLog().RecordCount()) << capture.Text();
  EXPECT_EQ("Surface: 640x480\n", capture.Text());
  EXPECT_EQ(1, Headless().displayChanges);
  EXPECT_EQ(640, Headless().currentMode.width);
  EXPECT_EQ(32, Headless().currentMode.bitsPerPixel);
  EXPECT_EQ(75, Headless().currentMode.refreshRate);
  EXPECT_FALSE(Headless().pointerVisible);
  EXPECT_TRUE(s.DisplayModeChanged());

  s.Init();  // a second Init changes nothing
  EXPECT_EQ(1, Headless().displayChanges);
  EXPECT_EQ("Surface: 640x480\n", capture.Text());

  const auto& f = DrawFrame(s, 1u, 2u);
  EXPECT_EQ(640, f.width);
  EXPECT_EQ(2u, f.pixels.back());

  s.Close();
  EXPECT_EQ(1, Headless().displayRestores);
  EXPECT_EQ(1024, Headless().currentMode.width);
  EXPECT_TRUE(Headless().pointerVisible);
  EXPECT_FALSE(s.DisplayModeChanged());
  EXPECT_EQ(nullptr, s.pixels);
  s.Close();  // the mode is restored once
  EXPECT_EQ(1, Headless().displayRestores);
}

TEST_F(PixelSurfaceTest, UnlistedModeIsReportedAndTheDisplayLeftAlone) {
  PixelSurface s;
  s.Create(true, 640, 480, 24);
  s.Init();
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("3/VSurface/3: Chosen display mode 640 x 480, 24bpp is unsupported on this system",
            RecordAt(0));
  EXPECT_EQ("Error: Chosen display mode 640 x 480, 24bpp is unsupported on this system\n",
            capture.Text());
  EXPECT_EQ(0, Headless().displayChanges);
  EXPECT_EQ(nullptr, s.pixels);
  EXPECT_TRUE(Headless().pointerVisible);
  // The attempt still counts as a change: Close puts the system's mode back.
  EXPECT_TRUE(s.DisplayModeChanged());
  s.Close();
  EXPECT_EQ(1, Headless().displayRestores);
  EXPECT_TRUE(Headless().pointerVisible);
}

TEST_F(PixelSurfaceTest, RefusedModeChangeIsReported) {
  Headless().refuseDisplayChange = true;
  PixelSurface s;
  s.Create(true, 640, 480, 32);
  s.Init();
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("3/VSurface/4: Unable to set the chosen display mode.", RecordAt(0));
  EXPECT_EQ(nullptr, s.pixels);
  EXPECT_TRUE(Headless().pointerVisible);
  EXPECT_EQ(std::string::npos, capture.Text().find("Surface:"));
  s.Lock();
  s.Unlock();
  EXPECT_EQ(0, Headless().framesShown);
}

TEST_F(PixelSurfaceTest, MissingWindowDCIsReported) {
  Headless().failDrawContext = true;
  PixelSurface s;
  s.Create(false, 640, 480, 32);
  s.Init();
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("10/PixelSurface/1: Invalid Window DC", RecordAt(0));
  EXPECT_EQ("Error: Invalid Window DC\n", capture.Text());
  EXPECT_EQ(nullptr, s.pixels);
  s.Lock();
  s.Unlock();
  EXPECT_EQ(0, Headless().framesShown);
  s.Close();
}

TEST_F(PixelSurfaceTest, MissingPixelBitmapIsReported) {
  Headless().failPixelBitmap = true;
  PixelSurface s;
  s.Create(false, 640, 480, 32);
  s.Init();
  ASSERT_EQ(1, GlobalLog().RecordCount());
  const KolLogRecord& r = GlobalLog().Record(0);
  EXPECT_EQ(2, r.kind);
  EXPECT_EQ(10, r.moduleCode);
  EXPECT_EQ("PixelSurface", r.moduleName);
  EXPECT_EQ(2, r.detailCode);
  EXPECT_EQ(0u, capture.Text().find("Surface: 640x480\n"));
  EXPECT_EQ(nullptr, s.pixels);
  s.Lock();
  s.Unlock();
  EXPECT_EQ(0, Headless().framesShown);
}

}  // namespace
