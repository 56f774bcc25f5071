// What a backend provides beneath the portable core: time, the screen and its
// modes, native windows, presenting pixels, input, and the exclusive output.
// The core (Desktop.cpp) keeps windows, classes, the message queue, draw
// contexts and bitmaps itself and calls down here only for these.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Platform.h"

namespace plat {

// The core's record of a window; backends may hang their own data on native.
struct Window {
  std::string className;
  std::string title;
  unsigned style = 0;
  unsigned exStyle = 0;
  Rect rect;          // window rectangle, screen coordinates
  Rect client;        // client rectangle, screen coordinates
  WindowProc procedure = nullptr;
  bool visible = false;
  bool foreign = false;  // stands for another process's window
  void* native = nullptr;
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual std::uint32_t TickCount() = 0;
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  virtual bool EnumerateDisplayMode(int index, DisplayMode& mode) = 0;
  virtual int ChangeDisplayMode(const DisplayMode* mode, unsigned flags) = 0;
  virtual void PointerVisible(bool visible) = 0;

  // False when the window cannot be made.
  virtual bool OpenWindow(Window& window) = 0;
  virtual void CloseWindow(Window& window) = 0;
  virtual void WindowShown(Window& window, bool shown) = 0;
  // Whether another process holds a top-level window of the class.
  virtual bool ForeignWindowOfClass(const char* className) = 0;
  // Called when a window of the class appears or goes, for the desktop-wide
  // search by other processes.
  virtual void ClassWindowCreated(const char* className) = 0;
  virtual void ClassWindowDestroyed(const char* className) = 0;

  virtual bool DrawContextAvailable(Window& window) = 0;
  virtual bool PixelBitmapAvailable() = 0;
  // A frame copied to a window: rows top to bottom, pitch in pixels.
  virtual void PresentWindow(Window& window, const std::uint32_t* pixels, int width, int height,
                             int pitch) = 0;
  // Posts the input that arrived since the last call (PostAppMessage).
  virtual void PollInput() = 0;

  // The exclusive output, step by step; each returns a kResult... code.
  virtual bool ExclusiveOutputInstalled() = 0;
  virtual int ExclusiveCreate() = 0;
  virtual int ExclusiveCooperate(Window& window) = 0;
  virtual int ExclusiveSetMode(int width, int height, int bitsPerPixel) = 0;
  virtual int ExclusiveCreateChain(int width, int height) = 0;
  virtual int ExclusiveAttachBackBuffer() = 0;
  virtual int ExclusiveBackBufferDC() = 0;
  virtual int ExclusiveFlip(const std::uint32_t* pixels, int width, int height) = 0;
  virtual int ExclusiveRestore() = 0;
  virtual void ExclusiveRestoreMode() = 0;
  virtual void ExclusiveRelease() = 0;
};

// Installs a backend (the core owns it); false if one is already running.
bool InstallBackend(std::unique_ptr<Backend> backend);
Backend* CurrentBackend();

}  // namespace plat
