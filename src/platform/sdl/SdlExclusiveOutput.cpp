// The SDL backend's exclusive output: a full-screen window whose frames go
// through a renderer that flips on vertical blank. Where the display cannot
// take the exact mode asked for, the chain keeps its size and is scaled to the
// screen with its aspect kept and black bars, never shown small in a corner.
#include <SDL.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ExclusiveSurfaces.h"
#include "SdlDisplay.h"

namespace plat::sdl {

namespace {

// Whether an OpenGL renderer's context is a software rasteriser's.
bool DrawsGlInSoftware(SDL_Renderer* renderer) {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0)
    return false;
  using GetString = const unsigned char* (*)(unsigned);
  constexpr unsigned kGlRenderer = 0x1F01;
  const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* name = getString ? getString(kGlRenderer) : nullptr;
  if (!name) return false;
  const std::string text(reinterpret_cast<const char*>(name));
  for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
    if (text.find(soft) != std::string::npos) return true;
  return false;
}

// A renderer that flips on vertical blank where it can. OpenGL drawn by a
// software rasteriser (a display without a GPU, such as Xvfb) only adds
// copies and threads of its own to every flip; SDL's software renderer then
// does the same work on the window surface for a sixth of the processor
// time. A renderer the user chose through SDL_RENDER_DRIVER is kept.
SDL_Renderer* CreateFlipRenderer(SDL_Window* window) {
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!renderer) renderer = SDL_CreateRenderer(window, -1, 0);
  if (!renderer || SDL_getenv("SDL_RENDER_DRIVER") || !DrawsGlInSoftware(renderer))
    return renderer;
  for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) != 0 || std::strcmp(info.name, "software") != 0)
      continue;
    SDL_DestroyRenderer(renderer);
    renderer = SDL_CreateRenderer(window, i, SDL_RENDERER_PRESENTVSYNC);
    if (!renderer) renderer = SDL_CreateRenderer(window, -1, 0);
    break;
  }
  return renderer;
}

// SDL's software renderer cannot wait for the vertical blank (whatever its
// flags say), so its flips are paced here to the display's refresh rate:
// the period in performance-counter ticks, or 0 for a renderer that waits
// itself or when vsync was switched off through SDL_RENDER_VSYNC.
Uint64 PacedRefreshPeriod(SDL_Renderer* renderer, SDL_Window* window) {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strcmp(info.name, "software") != 0 ||
      !SDL_GetHintBoolean(SDL_HINT_RENDER_VSYNC, SDL_TRUE))
    return 0;
  SDL_DisplayMode mode;
  const int hertz =
      SDL_GetWindowDisplayMode(window, &mode) == 0 && mode.refresh_rate > 0 ? mode.refresh_rate
                                                                             : 60;
  return SDL_GetPerformanceFrequency() / static_cast<Uint64>(hertz);
}

}  // namespace

// The flipping chain: a streaming texture of the asked-for size, scaled to the
// full-screen window with its aspect kept.
class SdlFlipChain : public ExclusiveSurface {
 public:
  SdlFlipChain(SdlDisplay& display, SdlExclusiveOutput& output, int width, int height)
      : display_(display),
        output_(output),
        backBuffer_(width, height, [&display] {
          // The back buffer takes the frame even while the output is lost; the
          // flip then says so, and the program restores the output.
          return display.exclusive.texture ? kResultOk : kResultGenericFailure;
        }) {}

  int GetAttachedSurface(unsigned caps, ExclusiveSurface** surface) override {
    if (!surface) return kResultGenericFailure;
    *surface = nullptr;
    if (!(caps & kCapsBackBuffer) || !display_.exclusive.texture) return kResultGenericFailure;
    *surface = &backBuffer_;
    return kResultOk;
  }
  int GetDC(DCHandle*) override { return kResultGenericFailure; }
  int ReleaseDC(DCHandle) override { return kResultGenericFailure; }

  int Flip(ExclusiveSurface*, unsigned) override {
    SdlDisplay::Exclusive& exclusive = display_.exclusive;
    if (!exclusive.texture) return kResultGenericFailure;
    if (exclusive.lost) return kResultSurfaceLost;
    SDL_UpdateTexture(exclusive.texture, nullptr, backBuffer_.Pixels(), backBuffer_.Width() * 4);
    SDL_SetRenderDrawColor(exclusive.renderer, 0, 0, 0, 255);
    SDL_RenderClear(exclusive.renderer);
    SDL_RenderCopy(exclusive.renderer, exclusive.texture, nullptr, nullptr);
    SDL_RenderPresent(exclusive.renderer);
    if (exclusive.refreshPeriod) {
      // No vertical blank to wait for: the flip waits for where the next one
      // would be, so the picture changes at the display's rate as it would.
      const Uint64 now = SDL_GetPerformanceCounter();
      const Uint64 next = (now / exclusive.refreshPeriod + 1) * exclusive.refreshPeriod;
      // Rounded up: waking before it would count the same blank twice.
      const Uint64 frequency = SDL_GetPerformanceFrequency();
      SDL_Delay(static_cast<Uint32>(((next - now) * 1000 + frequency - 1) / frequency));
    }
    return kResultOk;
  }

  int Restore() override {
    SdlDisplay::Exclusive& exclusive = display_.exclusive;
    if (!exclusive.window) return kResultGenericFailure;
    const Uint32 flags = SDL_GetWindowFlags(exclusive.window->window);
    if ((flags & SDL_WINDOW_MINIMIZED) || !(flags & SDL_WINDOW_SHOWN)) return kResultSurfaceLost;
    exclusive.lost = false;
    return kResultOk;
  }

  unsigned Release() override;

 private:
  SdlDisplay& display_;
  SdlExclusiveOutput& output_;
  BackBufferSurface backBuffer_;
};

class SdlExclusiveOutput : public ExclusiveOutput {
 public:
  explicit SdlExclusiveOutput(SdlDisplay& display) : display_(display) {}

  int SetCooperativeLevel(WindowHandle handle, unsigned flags) override {
    Window* window = FindLiveWindow(handle);
    if (!window || !AsksExclusiveFullScreen(flags)) return kResultGenericFailure;
    NativeWindow* native = display_.NativeOf(*window);
    if (!native) return kResultNoExclusiveMode;
    display_.exclusive.window = native;
    return kResultOk;
  }

  // A mode the display lacks still gives a full-screen output at the current
  // mode; the chain then keeps the asked-for size and is scaled to the screen.
  int SetDisplayMode(int width, int height, int bitsPerPixel) override {
    NativeWindow* native = display_.exclusive.window;
    if (!native) return kResultNoExclusiveMode;
    width_ = width;
    height_ = height;
    SDL_DisplayMode chosen;
    if (FindMode(width, height, bitsPerPixel, chosen) &&
        display_.EnterMode(*native, chosen))
      return kResultOk;
    SDL_SetWindowFullscreen(native->window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    native->fullScreen = true;
    return kResultUnsupportedMode;
  }

  int CreateSurface(const SurfaceDescription& description, ExclusiveSurface** surface,
                    void*) override {
    if (!surface) return kResultGenericFailure;
    *surface = nullptr;
    if (!DescribesFlipChain(description)) return kResultGenericFailure;
    SdlDisplay::Exclusive& exclusive = display_.exclusive;
    NativeWindow* native = exclusive.window;
    if (!native) return kResultGenericFailure;
    // Without a mode of its own the chain takes the screen's size.
    const int width = width_ ? width_ : ScreenWidth();
    const int height = height_ ? height_ : ScreenHeight();
    if (!exclusive.renderer) {
      // Full screen even when the mode could not be set (the window is then
      // as large as the desktop).
      if (!native->fullScreen) {
        SDL_SetWindowFullscreen(native->window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        native->fullScreen = true;
      }
      exclusive.renderer = CreateFlipRenderer(native->window);
      if (!exclusive.renderer) return kResultGenericFailure;
      exclusive.refreshPeriod = PacedRefreshPeriod(exclusive.renderer, native->window);
    }
    if (exclusive.texture) SDL_DestroyTexture(exclusive.texture);
    exclusive.texture = SDL_CreateTexture(exclusive.renderer, SDL_PIXELFORMAT_RGB888,
                                          SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!exclusive.texture) return kResultGenericFailure;
    // Scaled to the output with the aspect kept, black bars around it.
    SDL_RenderSetLogicalSize(exclusive.renderer, width, height);
    exclusive.lost = false;
    chains_.push_back(std::make_unique<SdlFlipChain>(display_, *this, width, height));
    *surface = chains_.back().get();
    return kResultOk;
  }

  int RestoreDisplayMode() override {
    if (display_.exclusive.window) display_.LeaveFullScreen(*display_.exclusive.window);
    width_ = height_ = 0;
    return kResultOk;
  }

  unsigned Release() override {
    chains_.clear();
    display_.DropFlipChain();
    EraseOwned(display_.outputs, this);
    return 0;
  }

  void Forget(SdlFlipChain* chain) { EraseOwned(chains_, chain); }

 private:
  SdlDisplay& display_;
  int width_ = 0, height_ = 0;
  std::vector<std::unique_ptr<SdlFlipChain>> chains_;
};

unsigned SdlFlipChain::Release() {
  output_.Forget(this);
  return 0;
}

SdlDisplay::SdlDisplay() = default;
SdlDisplay::~SdlDisplay() = default;

ExclusiveOutput* SdlDisplay::AddExclusiveOutput() {
  outputs.push_back(std::make_unique<SdlExclusiveOutput>(*this));
  return outputs.back().get();
}

void SdlDisplay::ReleaseOutputs() {
  outputs.clear();
  DropFlipChain();
}

void SdlDisplay::DropFlipChain() {
  if (exclusive.texture) SDL_DestroyTexture(exclusive.texture);
  if (exclusive.renderer) SDL_DestroyRenderer(exclusive.renderer);
  exclusive = Exclusive{};
}

}  // namespace plat::sdl
