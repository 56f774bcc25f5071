#include "VWindowSurface.h"

#include <string>

#include "KolLog.h"
#include "VClock.h"

namespace {

bool gQuit = false;

constexpr unsigned kFullScreenStyle =
    plat::kStylePopup | plat::kStyleVisible | plat::kStyleBorder | plat::kStyleSysMenu;
constexpr unsigned kWindowedStyle =
    plat::kStylePopup | plat::kStyleVisible | plat::kStyleCaption | plat::kStyleSysMenu;
static_assert(kFullScreenStyle == 0x90880000u && kWindowedStyle == 0x90C80000u);

}  // namespace

bool QuitRequested() { return gQuit; }
void RequestQuit() { gQuit = true; }
void ForgetQuitRequest() { gQuit = false; }

std::map<int, char>& KeyMarks() {
  static std::map<int, char> marks;
  return marks;
}

void ResetSurfaceInputForTest() {
  gQuit = false;
  KeyMarks().clear();
}

VWindowSurface::~VWindowSurface() {
  std::map<int, char>& marks = KeyMarks();
  while (!marks.empty()) {
    const auto first = marks.begin();
    TheLog().PrintLine("%d.%03d : %c", first->first / 1000, first->first % 1000,
                          first->second);
    marks.erase(first);
  }
  plat::UnregisterWindowClass(className_);
}

void VWindowSurface::Create(bool fullScreen, int requestWidth, int requestHeight,
                            int bitsPerPixel) {
  if (std::string(className_) == kClassName && plat::FindWindowOfClass(kClassName)) {
    TheLog().ReportError(kModuleSurface, "VSurface", 2,
                            "There can be only one surface window at a time.");
    // Whoever meets this wants to know which program to close.
    const std::string holder = plat::WindowClassHolder(kClassName);
    if (!holder.empty()) TheLog().PrintLine("The surface window shown is %s's.", holder.c_str());
    return;
  }
  fullScreen_ = fullScreen;
  requestedWidth_ = requestWidth;
  requestedHeight_ = requestHeight;
  requestedBitsPerPixel_ = bitsPerPixel;

  plat::WindowClass windowClass;
  windowClass.name = className_;
  windowClass.style = ownDC_ ? plat::kClassOwnDC : 0;
  windowClass.procedure = WindowProcedure;
  windowClass.icon = plat::kIconExclamation;
  windowClass.blackBackground = true;
  if (!plat::RegisterWindowClass(windowClass)) {
    if (plat::LastError() == plat::kErrorClassAlreadyExists)
      TheLog().Print("KolWindow class is already registered.\n");
    else
      TheLog().Print("Unable to register class.\n");
    return;
  }

  unsigned exStyle = 0, style;
  int x, y, w, h;
  if (fullScreen) {
    exStyle = plat::kExStyleTopmost;
    style = kFullScreenStyle;
    x = y = 0;
    w = requestWidth;
    h = requestHeight;
  } else {
    const int screenWidth = plat::ScreenWidth();
    const int screenHeight = plat::ScreenHeight();
    plat::Rect rect{(screenWidth - requestWidth) >> 1, (screenHeight - requestHeight) >> 1,
                    (screenWidth + requestWidth) >> 1, (screenHeight + requestHeight) >> 1};
    style = kWindowedStyle;
    plat::AdjustWindowRectangle(rect, style);
    x = rect.left;
    y = rect.top;
    w = rect.Width();
    h = rect.Height();
  }
  window_ = plat::CreateAppWindow(exStyle, className_, title.c_str(), style, x, y, w, h);
  if (!window_) {
    TheLog().ReportError(kModuleSurface, "VSurface", 1, "Failed to create window");
    return;
  }
  plat::ShowAppWindow(window_, plat::kShowShow);
}

std::intptr_t PLAT_CALLBACK VWindowSurface::WindowProcedure(plat::WindowHandle window, unsigned message,
                                              std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case plat::kMsgCreate:
    case plat::kMsgDestroy:
    case plat::kMsgKeyUp:
      return 0;
    case plat::kMsgClose:
      gQuit = true;  // the window itself stays open; the frame loop ends the demo
      return 0;
    case plat::kMsgKeyDown: {
      const unsigned key = static_cast<unsigned>(wParam);
      if (key >= plat::kKeyA && key <= plat::kKeyZ) {
        std::map<int, char>& marks = KeyMarks();
        // A second mark in the same millisecond is dropped; so is anything past the bound.
        if (marks.size() < kMaxKeyMarks)
          marks.emplace(TheDemoClock().Milliseconds(), static_cast<char>(key));
      } else if (key == plat::kKeyEscape) {
        gQuit = true;
      }
      return 0;
    }
    default:
      return plat::DefaultWindowProcedure(window, message, wParam, lParam);
  }
}
