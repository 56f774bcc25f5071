// What a backend provides beneath the portable core: time, the screen and its
// modes, native windows, presenting pixels, input, and the exclusive output.
// The core (Desktop.cpp) keeps windows, classes, the message queue, draw
// contexts and bitmaps itself and calls down here only for these.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ExclusiveOutput.h"
#include "Platform.h"

namespace plat {

// What the core hangs on a window of its own classes (dialog boxes, controls).
struct WindowExtra {
  virtual ~WindowExtra() = default;
};

// The core's record of a window; backends may hang their own data on native.
struct Window {
  std::string className;
  std::string title;
  unsigned style = 0;
  unsigned exStyle = 0;
  // Top-level windows: screen coordinates. Controls: client coordinates of
  // their parent.
  Rect rect;          // window rectangle
  Rect client;        // client rectangle
  Window* parent = nullptr;  // the dialog box a control belongs to
  int id = 0;                // a control's id
  std::unique_ptr<WindowExtra> extra;
  WindowProc procedure = nullptr;
  bool visible = false;
  bool foreign = false;  // stands for another process's window
  bool terminationNoticed = false;  // sent its close request for a termination signal
  void* native = nullptr;
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual std::uint32_t TickCount() = 0;
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  virtual bool EnumerateDisplayMode(int index, DisplayMode& mode) = 0;
  // window: the live window to fill the screen, or null.
  virtual int ChangeDisplayMode(Window* window, const DisplayMode* mode, unsigned flags) = 0;
  virtual void PointerVisible(bool visible) = 0;

  // False when the window cannot be made.
  virtual bool OpenWindow(Window& window) = 0;
  virtual void CloseWindow(Window& window) = 0;
  virtual void WindowShown(Window& window, bool shown) = 0;
  // The window's title changed; a backend that shows titles shows the new one.
  virtual void WindowRetitled(Window& window) {}
  // Whether another process holds a top-level window of the class.
  virtual bool ForeignWindowOfClass(const char* className) = 0;
  // The program holding it, as WindowClassHolder tells it.
  virtual std::string ForeignWindowHolder(const char* className) = 0;
  // Called when a window of the class appears or goes, for the desktop-wide
  // search by other processes.
  virtual void ClassWindowCreated(const char* className) = 0;
  virtual void ClassWindowDestroyed(const char* className) = 0;

  virtual bool DrawContextAvailable(Window& window) = 0;
  virtual bool PixelBitmapAvailable() = 0;
  // A frame copied to a window: rows top to bottom, pitch in pixels, starting
  // at pixels, which lies in the bitmap's memory. A backend that must draw the
  // window again later (exposed, resized) keeps memory rather than a copy of
  // every frame; the program goes on drawing into it, so such a repaint shows
  // the bitmap as it is then, as the next copy would.
  virtual void PresentWindow(Window& window,
                             std::shared_ptr<const std::vector<std::uint32_t>> memory,
                             const std::uint32_t* pixels, int width, int height, int pitch) = 0;
  // Delivers the next input event that arrived, if any (DeliverKey,
  // DeliverMouse, DeliverClose); called when the message queue is empty.
  virtual void PollInput() = 0;
  // Waits until input may have arrived. False when none ever will (scripted
  // input that has run out), so a modal loop must not wait on.
  virtual bool WaitForInput() = 0;
  // Waits until input may have arrived or the tick count has reached tick.
  virtual void WaitForInputUntil(std::uint32_t tick) = 0;
  // A message box for a person who sees no output; none by default (headless).
  virtual void ShowFailureNotice(const char* title, const char* text) {}

  // Text metrics of a font at a size in points: the average character width
  // and the line height in pixels. Dialog units are measured in them.
  virtual void FontMetrics(const std::string& font, int pointSize, int& averageWidth,
                           int& height) = 0;
  // One line of text in the dialog font at a size in points, as coverage:
  // width x height bytes, 0 (background) to 255 (ink), rows top to bottom.
  // This default draws every visible character as a solid cell of the
  // FontMetrics size, a stand-in face that tests can measure exactly.
  virtual void TextCoverage(const std::string& text, int pointSize, std::vector<std::uint8_t>& coverage,
                            int& width, int& height);
  // Shows what the dialog manager drew for a top-level window's client area.
  virtual void PaintWindow(Window& window, const std::vector<DrawCommand>& commands) = 0;

  // The exclusive output ("ddraw.dll"): whether the backend has one, and the
  // output itself with the DirectDraw contract (a kResult code). The backend
  // owns what it hands out until the program releases it, or until
  // ReleaseExclusiveOutputs, which the core calls before it shuts down.
  virtual bool ExclusiveOutputInstalled() = 0;
  virtual int CreateExclusiveOutput(ExclusiveOutput** output) = 0;
  virtual void ReleaseExclusiveOutputs() = 0;
};

// Raw input from the backend, routed as the system would: a key to the focus
// window of the top-level window (the window itself when the focus is not in
// it), a mouse button to the control under the point (x, y in the window's
// client coordinates) or to the one that holds the button, a close request to
// the window. The messages are posted to the thread's queue.
void DeliverKey(Window* topLevel, bool down, unsigned key);
void DeliverMouse(Window* topLevel, unsigned message, int x, int y);
void DeliverClose(Window* topLevel);

// Installs a backend (the core owns it); false if one is already running.
bool InstallBackend(std::unique_ptr<Backend> backend);
Backend* CurrentBackend();

}  // namespace plat
