// The SDL2 backend: real windows, the display's modes, keyboard and mouse, and
// a frame copied to a window without waiting. Its exclusive full-screen output
// is SdlExclusiveOutput.cpp.
#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Desktop.h"
#include "FitInside.h"
#include "DesktopLock.h"
#include "SdlDisplay.h"
#include "SdlPainter.h"
#include "StreamCopy.h"
#include "X11SharedPresenter.h"
#include "X11Workarounds.h"

namespace plat {

namespace sdl {

int BitsPerPixel(Uint32 format) { return static_cast<int>(SDL_BYTESPERPIXEL(format)) * 8; }

bool FindMode(int width, int height, int bitsPerPixel, SDL_DisplayMode& chosen) {
  const int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) == 0 && m.w == width && m.h == height &&
        BitsPerPixel(m.format) == bitsPerPixel) {
      chosen = m;
      return true;
    }
  }
  return false;
}

namespace {

unsigned VirtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return kKeyA + static_cast<unsigned>(key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<unsigned>(key - SDLK_0);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return kKeyNumpad0 + 1 + static_cast<unsigned>(key - SDLK_KP_1);
  switch (key) {
    case SDLK_BACKSPACE: return kKeyBack;
    case SDLK_TAB: return kKeyTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return kKeyReturn;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return kKeyShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return kKeyControl;
    case SDLK_ESCAPE: return kKeyEscape;
    case SDLK_DELETE: return kKeyDelete;
    case SDLK_MINUS: return kKeyMinus;
    case SDLK_PERIOD: return kKeyPeriod;
    case SDLK_KP_0: return kKeyNumpad0;
    case SDLK_KP_MINUS: return kKeyNumpadMinus;
    case SDLK_KP_PERIOD: return kKeyNumpadPeriod;
    case SDLK_SPACE: return kKeySpace;
    case SDLK_LEFTBRACKET: return kKeyOpenBracket;
    case SDLK_RIGHTBRACKET: return kKeyCloseBracket;
    case SDLK_PAGEUP: return kKeyPageUp;
    case SDLK_PAGEDOWN: return kKeyPageDown;
    case SDLK_END: return kKeyEnd;
    case SDLK_HOME: return kKeyHome;
    case SDLK_LEFT: return kKeyLeft;
    case SDLK_UP: return kKeyUp;
    case SDLK_RIGHT: return kKeyRight;
    case SDLK_DOWN: return kKeyDown;
    default: return 0;
  }
}

class SdlBackend : public Backend, public SdlDisplay {
 public:
  ~SdlBackend() override {
    ReleaseExclusiveOutputs();
    presenter_.reset();
    if (icon_) SDL_FreeSurface(icon_);
    painter_.reset();
    TTF_Quit();
    SDL_Quit();
  }

  bool Start(std::string& error) {
    // A window surface goes to the X server through shared memory (MIT-SHM)
    // where the display offers it, not through a GL texture and a swap, which
    // costs a frame several copies; a choice made in the environment stands.
    if (!SDL_getenv("SDL_FRAMEBUFFER_ACCELERATION"))
      SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A full-screen window gives the display back when it loses the focus.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1");
    // SIGTERM and Ctrl+C end the program as they end any other; SDL would
    // catch them and turn them into an event nobody here waits for.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // SDL would fall back on an invisible "offscreen" driver; without a
    // desktop to show on, say so instead of running where nobody can see.
    const char* driver = SDL_getenv("SDL_VIDEODRIVER");
    if (!driver && !SDL_getenv("DISPLAY") && !SDL_getenv("WAYLAND_DISPLAY")) {
      error = "cannot open a display: neither DISPLAY nor WAYLAND_DISPLAY is set";
      return false;
    }
    InstallX11ErrorFilter();
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
      error = std::string("cannot open a display: ") + SDL_GetError();
      return false;
    }
    const std::string chosen = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    if (!driver && (chosen == "offscreen" || chosen == "dummy")) {
      const char* display = SDL_getenv("DISPLAY");
      error = std::string("cannot open a display: ") +
              (display ? "the X display \"" + std::string(display) + "\" does not answer"
                       : "SDL found no desktop to show windows on");
      SDL_Quit();
      return false;
    }
    if (TTF_Init() != 0) {
      error = std::string("cannot start the font renderer: ") + TTF_GetError();
      SDL_Quit();
      return false;
    }
    if (chosen == "x11") presenter_ = X11SharedPresenter::Open();
    painter_ = std::make_unique<SdlPainter>();
    if (!painter_->Open(error)) {
      painter_.reset();
      TTF_Quit();
      SDL_Quit();
      return false;
    }
    return true;
  }

  void SetIcon(const Picture& icon) {
    if (icon_) SDL_FreeSurface(icon_);
    icon_ = SDL_CreateRGBSurfaceWithFormat(0, icon.width, icon.height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!icon_) return;
    SDL_LockSurface(icon_);
    for (int y = 0; y < icon.height; ++y)
      std::memcpy(static_cast<Uint8*>(icon_->pixels) + y * icon_->pitch,
                  icon.pixels + static_cast<size_t>(y) * icon.width, icon.width * 4u);
    SDL_UnlockSurface(icon_);
    for (auto& [sdlWindow, native] : natives_) SDL_SetWindowIcon(sdlWindow, icon_);
  }

  std::uint32_t TickCount() override { return static_cast<std::uint32_t>(SDL_GetTicks64()); }

  int ScreenWidth() override {
    SDL_DisplayMode mode;
    return SDL_GetCurrentDisplayMode(0, &mode) == 0 ? mode.w : 0;
  }
  int ScreenHeight() override {
    SDL_DisplayMode mode;
    return SDL_GetCurrentDisplayMode(0, &mode) == 0 ? mode.h : 0;
  }

  bool EnumerateDisplayMode(int index, DisplayMode& mode) override {
    SDL_DisplayMode m;
    if (index >= SDL_GetNumDisplayModes(0) || SDL_GetDisplayMode(0, index, &m) != 0) return false;
    mode = DisplayMode{m.w, m.h, BitsPerPixel(m.format), m.refresh_rate};
    return true;
  }

  int ChangeDisplayMode(Window* window, const DisplayMode* mode, unsigned) override {
    if (!mode) {
      for (auto& [sdlWindow, native] : natives_) LeaveFullScreen(*native);
      return kDisplayChangeSuccessful;
    }
    SDL_DisplayMode chosen;
    if (!FindMode(mode->width, mode->height, mode->bitsPerPixel, chosen)) return kDisplayChangeBadMode;
    // The mode is emulated by the window going full screen at it.
    NativeWindow* target = window ? NativeOf(*window) : nullptr;
    if (!target) return kDisplayChangeFailed;
    return EnterMode(*target, chosen) ? kDisplayChangeSuccessful : kDisplayChangeFailed;
  }

  // Started from a desktop's launcher, nobody reads standard error.
  void ShowFailureNotice(const char* title, const char* text) override {
    if (!StandardErrorIsTerminal())
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr);
  }

  void PointerVisible(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

  bool OpenWindow(Window& window) override {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    const bool captioned = (window.style & kStyleCaption) == kStyleCaption;
    if (!captioned) flags |= SDL_WINDOW_BORDERLESS;
    if (window.exStyle & kExStyleTopmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    SDL_Window* sdlWindow =
        SDL_CreateWindow(window.title.c_str(), window.client.left, window.client.top,
                         std::max(1, window.client.Width()), std::max(1, window.client.Height()),
                         flags);
    if (!sdlWindow) return false;
    if (icon_) SDL_SetWindowIcon(sdlWindow, icon_);
    KeepClientWhereAsked(sdlWindow);
    auto native = std::make_unique<NativeWindow>();
    native->window = sdlWindow;
    native->wantX = window.client.left;
    native->wantY = window.client.top;
    window.native = native.get();
    windows_[sdlWindow] = &window;
    natives_[sdlWindow] = std::move(native);
    return true;
  }

  void CloseWindow(Window& window) override {
    NativeWindow* native = NativeOf(window);
    if (!native) return;
    if (exclusive.window == native) DropFlipChain();
    SDL_Window* sdlWindow = native->window;
    if (presenter_) presenter_->Forget(XWindowOf(sdlWindow));
    windows_.erase(sdlWindow);
    natives_.erase(sdlWindow);
    SDL_DestroyWindow(sdlWindow);
    window.native = nullptr;
  }

  void WindowShown(Window& window, bool shown) override {
    NativeWindow* native = NativeOf(window);
    if (!native) return;
    if (shown) {
      SDL_ShowWindow(native->window);
      SDL_RaiseWindow(native->window);
    } else {
      SDL_HideWindow(native->window);
    }
  }

  bool ForeignWindowOfClass(const char* className) override { return lock_.HeldElsewhere(className); }
  std::string ForeignWindowHolder(const char* className) override { return lock_.Holder(className); }
  void ClassWindowCreated(const char* className) override { lock_.Take(className); }
  void ClassWindowDestroyed(const char* className) override { lock_.Give(className); }

  bool DrawContextAvailable(Window&) override { return true; }
  bool PixelBitmapAvailable() override { return true; }

  // One copy a frame, straight into the window surface; the window keeps only
  // a reference to the bitmap for drawing it again.
  void PresentWindow(Window& window, std::shared_ptr<const std::vector<std::uint32_t>> memory,
                     const std::uint32_t* pixels, int width, int height, int pitch) override {
    NativeWindow* native = NativeOf(window);
    if (!native) return;
    native->frameMemory = std::move(memory);
    native->frame = pixels;
    native->frameWidth = width;
    native->frameHeight = height;
    native->framePitch = pitch;
    ShowFrame(*native);
  }

  void PollInput() override {
    // One event that makes a message a call; the others are handled on the way.
    SDL_Event event;
    while (SDL_PollEvent(&event))
      if (Deliver(event)) return;
  }

  void WaitForInputUntil(std::uint32_t tick) override {
    const std::int32_t left = static_cast<std::int32_t>(tick - TickCount());
    if (left > 0) SDL_WaitEventTimeout(nullptr, left);
  }

  bool WaitForInput() override {
    SDL_WaitEventTimeout(nullptr, 250);
    return true;
  }

  void FontMetrics(const std::string&, int pointSize, int& averageWidth, int& height) override {
    painter_->Metrics(pointSize, averageWidth, height);
  }

  void TextCoverage(const std::string& text, int pointSize, std::vector<std::uint8_t>& coverage,
                    int& width, int& height) override {
    painter_->Coverage(text, pointSize, coverage, width, height);
  }

  void WindowRetitled(Window& window) override {
    if (NativeWindow* native = NativeOf(window))
      SDL_SetWindowTitle(native->window, window.title.c_str());
  }

  void PaintWindow(Window& window, const std::vector<DrawCommand>& commands) override {
    NativeWindow* native = NativeOf(window);
    if (!native) return;
    SDL_Surface* surface = SDL_GetWindowSurface(native->window);
    if (!surface) return;
    painter_->Paint(surface, commands);
    SDL_UpdateWindowSurface(native->window);
  }

  // --- The exclusive output ---------------------------------------------------------

  bool ExclusiveOutputInstalled() override { return true; }
  int CreateExclusiveOutput(ExclusiveOutput** output) override {
    *output = AddExclusiveOutput();
    return kResultOk;
  }
  void ReleaseExclusiveOutputs() override { ReleaseOutputs(); }

 private:



  NativeWindow* NativeOf(Window& window) override {
    const auto found = natives_.find(window.native ? static_cast<NativeWindow*>(window.native)->window
                                                   : nullptr);
    return found == natives_.end() ? nullptr : found->second.get();
  }

  // Exclusive full screen at the mode. SDL may snap a full-screen window to
  // another mode, so the size it really got decides.
  bool EnterMode(NativeWindow& native, SDL_DisplayMode mode) override {
    if (SDL_SetWindowDisplayMode(native.window, &mode) != 0 ||
        SDL_SetWindowFullscreen(native.window, SDL_WINDOW_FULLSCREEN) != 0)
      return false;
    native.fullScreen = true;
    int w = 0, h = 0;
    SDL_GetWindowSize(native.window, &w, &h);
    SDL_DisplayMode current;
    if (w == mode.w && h == mode.h && SDL_GetWindowDisplayMode(native.window, &current) == 0 &&
        current.w == mode.w && current.h == mode.h)
      return true;
    LeaveFullScreen(native);
    return false;
  }

  void LeaveFullScreen(NativeWindow& native) override {
    if (!native.fullScreen) return;
    SDL_SetWindowFullscreen(native.window, 0);
    native.fullScreen = false;
  }

  // The last frame on the window, 1:1 when the sizes agree, else scaled to
  // fit with black bars. Either way this is the frame's one copy on the way:
  // into the presenter's shared image, or into the window surface that SDL
  // hands to the display.
  void ShowFrame(NativeWindow& native) {
    if (!native.frame) return;
    // 1:1 on X11: through the presenter's own shared images, which need not
    // wait for the server's copy; anything else through SDL's window surface.
    int w = 0, h = 0;
    SDL_GetWindowSize(native.window, &w, &h);
    if (presenter_ && w == native.frameWidth && h == native.frameHeight &&
        presenter_->Present(XWindowOf(native.window), native.frame, native.frameWidth,
                            native.frameHeight, native.framePitch))
      return;
    SDL_Surface* target = SDL_GetWindowSurface(native.window);
    if (!target) return;
    const size_t rowBytes = static_cast<size_t>(native.frameWidth) * 4;
    if (target->w == native.frameWidth && target->h == native.frameHeight &&
        target->format->format == SDL_PIXELFORMAT_RGB888) {
      if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
      auto* to = static_cast<Uint8*>(target->pixels);
      if (native.framePitch == native.frameWidth && static_cast<size_t>(target->pitch) == rowBytes)
        StreamCopy(to, native.frame, rowBytes * native.frameHeight);
      else
        for (int y = 0; y < native.frameHeight; ++y)
          StreamCopy(to + static_cast<size_t>(y) * target->pitch,
                     native.frame + static_cast<size_t>(y) * native.framePitch, rowBytes);
      if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    } else {
      // SDL only reads the source of a blit.
      SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
          const_cast<std::uint32_t*>(native.frame), native.frameWidth, native.frameHeight, 32,
          native.framePitch * 4, SDL_PIXELFORMAT_RGB888);
      if (!source) return;
      SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
      const Rect fit = FitInside(native.frameWidth, native.frameHeight, target->w, target->h);
      SDL_Rect to{fit.left, fit.top, fit.Width(), fit.Height()};
      if (to.w == native.frameWidth && to.h == native.frameHeight)
        SDL_BlitSurface(source, nullptr, target, &to);
      else
        SDL_BlitScaled(source, nullptr, target, &to);
      SDL_FreeSurface(source);
    }
    SDL_UpdateWindowSurface(native.window);
  }

  // Moves the window until its client area is where the program put it. SDL's
  // own idea of the position can be off by the frame a window manager added,
  // so the truth comes from the X server where there is one.
  void Place(NativeWindow& native) {
    if (native.fullScreen || native.placed || native.corrections >= 3) return;
    int sdlX = 0, sdlY = 0;
    SDL_GetWindowPosition(native.window, &sdlX, &sdlY);
    int x = sdlX, y = sdlY;
    X11ClientPosition(native.window, x, y);
    if (x == native.wantX && y == native.wantY) {
      native.placed = true;
      return;
    }
    ++native.corrections;
    SDL_SetWindowPosition(native.window, sdlX + native.wantX - x, sdlY + native.wantY - y);
  }

  Window* WindowOf(Uint32 id) {
    const auto found = windows_.find(SDL_GetWindowFromID(id));
    return found == windows_.end() ? nullptr : found->second;
  }

  // Turns an SDL event into input for the core; true when it made a message.
  bool Deliver(const SDL_Event& event) {
    switch (event.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        // While a full-screen window changes mode SDL may not know which
        // window has the keyboard; the newest shown window of ours has.
        Window* window = WindowOf(event.key.windowID);
        if (!window) window = FindLiveWindow(ForegroundWindow());
        const unsigned key = VirtualKey(event.key.keysym.sym);
        if (!window || !key) return false;
        DeliverKey(window, event.type == SDL_KEYDOWN, key);
        return true;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        Window* window = WindowOf(event.button.windowID);
        if (!window || event.button.button != SDL_BUTTON_LEFT) return false;
        const unsigned message = event.type == SDL_MOUSEBUTTONUP ? kMsgLeftButtonUp
                                 : event.button.clicks >= 2      ? kMsgLeftButtonDoubleClick
                                                                 : kMsgLeftButtonDown;
        DeliverMouse(window, message, event.button.x, event.button.y);
        return true;
      }
      case SDL_WINDOWEVENT: {
        Window* window = WindowOf(event.window.windowID);
        if (!window) return false;
        NativeWindow* native = NativeOf(*window);
        switch (event.window.event) {
          case SDL_WINDOWEVENT_CLOSE:
            DeliverClose(window);
            return true;
          case SDL_WINDOWEVENT_SHOWN:
          case SDL_WINDOWEVENT_MOVED:
            if (native) Place(*native);
            return false;
          case SDL_WINDOWEVENT_EXPOSED:
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (native) Place(*native);
            Invalidate(window);
            if (native && native->frame && exclusive.window != native) ShowFrame(*native);
            return false;
          // A full-screen window is minimised when it loses the focus.
          case SDL_WINDOWEVENT_MINIMIZED:
          case SDL_WINDOWEVENT_HIDDEN:
            if (native && exclusive.window == native) exclusive.lost = true;
            return false;
          default:
            return false;
        }
      }
      default:
        return false;
    }
  }

  std::unique_ptr<SdlPainter> painter_;
  std::unique_ptr<X11SharedPresenter> presenter_;  // null off X11 or without MIT-SHM
  SDL_Surface* icon_ = nullptr;
  DesktopLock lock_;
  std::map<SDL_Window*, Window*> windows_;
  std::map<SDL_Window*, std::unique_ptr<NativeWindow>> natives_;
};

SdlBackend* gSdl = nullptr;

}  // namespace
}  // namespace sdl

bool StartSdl(std::string& error) {
  if (Started()) {
    error = "a platform backend is already running";
    return false;
  }
  auto backend = std::make_unique<sdl::SdlBackend>();
  if (!backend->Start(error)) return false;
  sdl::SdlBackend* raw = backend.get();
  if (!InstallBackend(std::move(backend))) return false;
  sdl::gSdl = raw;
  return true;
}

void SetProgramIcon(const Picture& icon) {
  if (sdl::gSdl && CurrentBackend() == sdl::gSdl && icon.pixels) sdl::gSdl->SetIcon(icon);
}

}  // namespace plat
