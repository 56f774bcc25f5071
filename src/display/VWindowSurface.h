// The surface window: one top-level window of class "VSurface" titled with
// the release's name ("Solvane" unless it has its own) per desktop, full
// screen (topmost popup at 0,0) or windowed (client area centred). Its procedure sets the quit flag on Escape and on a close
// request, and records letter keys with the demo clock's time as key marks,
// which the surface's destructor writes to the log in time order.
#pragma once

#include <map>
#include <string>

#include "Platform.h"
#include "VSurface.h"

// Process-wide input state fed by the surface window.
bool QuitRequested();
void RequestQuit();
// Time in demo-clock milliseconds -> letter; one mark per millisecond.
std::map<int, char>& KeyMarks();
// A host that runs the demo again in one process (the web page) starts each
// run without the last one's quit request.
void ForgetQuitRequest();
// Tests only: no quit request and no marks, as at program start.
void ResetSurfaceInputForTest();

class VWindowSurface : public VSurface {
 public:
  static constexpr const char* kClassName = "VSurface";
  // The author tool's window: a class of its own, so it neither counts as the
  // viewer's one window nor is refused by it.
  static constexpr const char* kLiveClassName = "SolvaneLive";
  static constexpr const char* kTitle = "Solvane";
  static constexpr size_t kMaxKeyMarks = 100000;  // beyond this, further marks are dropped

  VWindowSurface() = default;
  // Writes and empties the key marks, then unregisters the window class.
  ~VWindowSurface() override;

  // Before Create: the window's class. Only the viewer's class is one per
  // desktop.
  void SetWindowClass(const char* className) { className_ = className; }

  // Makes and shows the surface window; failures are reported to the log.
  void Create(bool fullScreen, int width, int height, int bitsPerPixel) override;

  plat::WindowHandle Window() const { return window_; }

  // The window's title, given before Create.
  std::string title = kTitle;

  static std::intptr_t PLAT_CALLBACK WindowProcedure(plat::WindowHandle window, unsigned message,
                                       std::uintptr_t wParam, std::intptr_t lParam);

 protected:
  plat::WindowHandle window_ = nullptr;
  const char* className_ = kClassName;
  int requestedWidth_ = 0;
  int requestedHeight_ = 0;
  int requestedBitsPerPixel_ = 0;
  bool fullScreen_ = false;
  bool ownDC_ = true;
};
