// The in-memory backend: nothing is drawn on a screen; time, input and
// failures come from the Control, and every shown frame is recorded there.
#include <memory>

#include "Desktop.h"
#include "HeadlessControl.h"
#include "HeadlessExclusiveOutput.h"

namespace plat {

namespace headless {
namespace {

Control* gControl = nullptr;

class HeadlessBackend : public Backend {
 public:
  HeadlessBackend() {
    control_.modes = {{640, 480, 16, 60}, {640, 480, 32, 60},  {640, 480, 32, 75},
                      {800, 600, 32, 60}, {1024, 768, 32, 60}};
    control_.currentMode = {control_.screenWidth, control_.screenHeight,
                            control_.screenBitsPerPixel, 60};
    gControl = &control_;
  }
  ~HeadlessBackend() override { gControl = nullptr; }

  std::uint32_t TickCount() override {
    const std::uint32_t now = control_.tick;
    control_.tick += control_.tickStep;
    return now;
  }
  int ScreenWidth() override { return control_.currentMode.width; }
  int ScreenHeight() override { return control_.currentMode.height; }

  bool EnumerateDisplayMode(int index, DisplayMode& mode) override {
    if (index < 0 || index >= static_cast<int>(control_.modes.size())) return false;
    mode = control_.modes[index];
    return true;
  }

  int ChangeDisplayMode(Window*, const DisplayMode* mode, unsigned) override {
    if (!mode) {
      control_.currentMode = {control_.screenWidth, control_.screenHeight,
                              control_.screenBitsPerPixel, 60};
      ++control_.displayRestores;
      return kDisplayChangeSuccessful;
    }
    if (control_.refuseDisplayChange) return kDisplayChangeFailed;
    for (const DisplayMode& m : control_.modes)
      if (m.width == mode->width && m.height == mode->height &&
          m.bitsPerPixel == mode->bitsPerPixel) {
        control_.currentMode = *mode;
        ++control_.displayChanges;
        return kDisplayChangeSuccessful;
      }
    return kDisplayChangeBadMode;
  }

  void PointerVisible(bool visible) override { control_.pointerVisible = visible; }

  bool OpenWindow(Window&) override { return !control_.failWindowCreation; }
  void CloseWindow(Window&) override {}
  void WindowShown(Window&, bool) override {}
  bool ForeignWindowOfClass(const char* className) override {
    return control_.foreignWindowClasses.count(className) != 0;
  }
  std::string ForeignWindowHolder(const char* className) override {
    const auto found = control_.foreignWindowClasses.find(className);
    return found == control_.foreignWindowClasses.end() ? "" : found->second;
  }
  void ClassWindowCreated(const char*) override {}
  void ClassWindowDestroyed(const char*) override {}

  bool DrawContextAvailable(Window&) override { return !control_.failDrawContext; }
  bool PixelBitmapAvailable() override { return !control_.failPixelBitmap; }

  // The frame is recorded as it is now; the bitmap's memory need not be kept,
  // as nothing here draws a window again.
  void PresentWindow(Window&, std::shared_ptr<const std::vector<std::uint32_t>>,
                     const std::uint32_t* pixels, int width, int height, int pitch) override {
    Record(pixels, width, height, pitch, false);
  }

  void PollInput() override {
    ++control_.polls;
    control_.tick += control_.tickPerPoll;
    // One event a call; an event with no window to go to is dropped.
    while (!control_.pendingInput.empty()) {
      const Control::Input input = control_.pendingInput.front();
      control_.pendingInput.pop_front();
      Window* window = FindLiveWindow(ForegroundWindow());
      if (!window) continue;
      switch (input.kind) {
        case Control::Input::kKeyDown: DeliverKey(window, true, input.code); break;
        case Control::Input::kKeyUp: DeliverKey(window, false, input.code); break;
        case Control::Input::kMouse: DeliverMouse(window, input.code, input.x, input.y); break;
        case Control::Input::kClose: DeliverClose(window); break;
      }
      return;
    }
  }

  // Virtual time passes while nothing happens; scripted input that is still
  // waiting comes at once.
  void WaitForInputUntil(std::uint32_t tick) override {
    ++control_.timedWaits;
    if (!control_.pendingInput.empty()) return;
    if (static_cast<std::int32_t>(tick - control_.tick) > 0) control_.tick = tick;
  }

  bool WaitForInput() override {
    if (control_.onIdle) control_.onIdle();
    if (!control_.pendingInput.empty()) return true;
    ++control_.inputRunOut;
    return false;
  }

  // A fixed face: 8 points give 6 x 13 pixels, the classic dialog font's cell.
  void FontMetrics(const std::string&, int pointSize, int& averageWidth, int& height) override {
    averageWidth = (pointSize * 3 + 2) / 4;
    height = (pointSize * 13 + 4) / 8;
  }

  void PaintWindow(Window& window, const std::vector<DrawCommand>& commands) override {
    control_.lastPaint = commands;
    control_.lastPaintTitle = window.title;
    ++control_.paints;
  }

  bool ExclusiveOutputInstalled() override { return !control_.exclusiveMissing; }
  int CreateExclusiveOutput(ExclusiveOutput** output) override {
    if (control_.exclusiveCreateResult != kResultOk) return control_.exclusiveCreateResult;
    outputs_.push_back(std::make_unique<HeadlessExclusiveOutput>(
        control_,
        [this](const std::uint32_t* pixels, int width, int height) {
          Record(pixels, width, height, width, true);
        },
        outputs_));
    *output = outputs_.back().get();
    return kResultOk;
  }
  void ReleaseExclusiveOutputs() override { outputs_.clear(); }

 private:
  void Record(const std::uint32_t* pixels, int width, int height, int pitch, bool flipped) {
    ++control_.framesShown;
    Frame& frame = control_.lastFrame;
    frame.width = width;
    frame.height = height;
    frame.flipped = flipped;
    frame.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        frame.pixels[static_cast<size_t>(y) * width + x] = pixels[static_cast<size_t>(y) * pitch + x];
    if (control_.keepFrames) control_.frames.push_back(frame);
    if (control_.onFrame) control_.onFrame(frame);
  }

  Control control_;
  std::vector<std::unique_ptr<HeadlessExclusiveOutput>> outputs_;
};

}  // namespace

Control& TheHeadless() { return *gControl; }

void Control::PressKey(unsigned key) { pendingInput.push_back({Input::kKeyDown, key}); }
void Control::ReleaseKey(unsigned key) { pendingInput.push_back({Input::kKeyUp, key}); }
void Control::TypeKey(unsigned key) {
  PressKey(key);
  ReleaseKey(key);
}
void Control::MouseDown(int x, int y) { pendingInput.push_back({Input::kMouse, kMsgLeftButtonDown, x, y}); }
void Control::MouseUp(int x, int y) { pendingInput.push_back({Input::kMouse, kMsgLeftButtonUp, x, y}); }
void Control::Click(int x, int y) {
  MouseDown(x, y);
  MouseUp(x, y);
}
void Control::DoubleClick(int x, int y) {
  Click(x, y);
  pendingInput.push_back({Input::kMouse, kMsgLeftButtonDoubleClick, x, y});
  MouseUp(x, y);
}
void Control::RequestClose() { pendingInput.push_back({Input::kClose}); }

}  // namespace headless

bool StartHeadless() { return InstallBackend(std::make_unique<headless::HeadlessBackend>()); }

}  // namespace plat
