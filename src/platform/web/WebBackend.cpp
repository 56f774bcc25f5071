// The browser's backend: one screen of 640x480 that the page draws on its
// canvas. Time and keys come from the page; every frame shown lands in the
// page's frame buffer. There is nothing to wait on: a wait returns at once,
// and a modal loop hears that no input will come (the page drives the demo
// through the module's calls instead of the program's blocking loops).
#include <algorithm>
#include <cstring>
#include <memory>

#include "Desktop.h"
#include "WebPage.h"

namespace plat {

namespace web {
namespace {

Page* gPage = nullptr;

constexpr DisplayMode kScreenMode = {640, 480, 32, 60};

class WebBackend : public Backend {
 public:
  WebBackend() { gPage = &page_; }
  ~WebBackend() override { gPage = nullptr; }

  std::uint32_t TickCount() override { return page_.tick; }
  int ScreenWidth() override { return kScreenMode.width; }
  int ScreenHeight() override { return kScreenMode.height; }
  bool EnumerateDisplayMode(int index, DisplayMode& mode) override {
    if (index != 0) return false;
    mode = kScreenMode;
    return true;
  }
  // The page's canvas is the screen: the one mode it has is always in force.
  int ChangeDisplayMode(Window*, const DisplayMode* mode, unsigned) override {
    if (mode && (mode->width != kScreenMode.width || mode->height != kScreenMode.height ||
                 mode->bitsPerPixel != kScreenMode.bitsPerPixel))
      return kDisplayChangeBadMode;
    return kDisplayChangeSuccessful;
  }
  void PointerVisible(bool) override {}

  bool OpenWindow(Window&) override { return true; }
  void CloseWindow(Window&) override {}
  void WindowShown(Window&, bool) override {}
  // One page, one program: no other holds a window.
  bool ForeignWindowOfClass(const char*) override { return false; }
  std::string ForeignWindowHolder(const char*) override { return std::string(); }
  void ClassWindowCreated(const char*) override {}
  void ClassWindowDestroyed(const char*) override {}

  bool DrawContextAvailable(Window&) override { return true; }
  bool PixelBitmapAvailable() override { return true; }

  void PresentWindow(Window&, std::shared_ptr<const std::vector<std::uint32_t>>,
                     const std::uint32_t* pixels, int width, int height, int pitch) override {
    ++page_.framesShown;
    const int rows = std::min(height, page_.height);
    const int columns = std::min(width, page_.width);
    for (int y = 0; y < rows; ++y)
      std::memcpy(page_.frame.data() + static_cast<size_t>(y) * page_.width,
                  pixels + static_cast<size_t>(y) * pitch, static_cast<size_t>(columns) * 4);
  }

  // One key a call, to the window in front; a key with no window is dropped.
  void PollInput() override {
    while (!page_.keys.empty()) {
      const Page::Key key = page_.keys.front();
      page_.keys.pop_front();
      if (Window* window = FindLiveWindow(ForegroundWindow())) {
        DeliverKey(window, key.down, key.code);
        return;
      }
    }
  }
  bool WaitForInput() override { return !page_.keys.empty(); }
  void WaitForInputUntil(std::uint32_t) override {}

  // The dialog is the page's own; text is measured in the classic dialog
  // font's cell, as the headless backend does.
  void FontMetrics(const std::string&, int pointSize, int& averageWidth, int& height) override {
    averageWidth = (pointSize * 3 + 2) / 4;
    height = (pointSize * 13 + 4) / 8;
  }
  void PaintWindow(Window&, const std::vector<DrawCommand>&) override {}

  // No DirectDraw: the full screen is the canvas shown full screen by the page.
  bool ExclusiveOutputInstalled() override { return false; }
  int CreateExclusiveOutput(ExclusiveOutput**) override { return kResultGenericFailure; }
  void ReleaseExclusiveOutputs() override {}

 private:
  Page page_;
};

}  // namespace

Page& ThePage() { return *gPage; }

}  // namespace web

bool StartWeb() { return InstallBackend(std::make_unique<web::WebBackend>()); }

}  // namespace plat
