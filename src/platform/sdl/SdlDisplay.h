// What the SDL backend's windows and its exclusive output share: the state a
// top-level window keeps, the exclusive output's state, and the few steps of
// the backend that the output asks for. Internal to the SDL backend.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "Desktop.h"

namespace plat::sdl {

class SdlExclusiveOutput;

// What the backend keeps for a top-level window.
struct NativeWindow {
  SDL_Window* window = nullptr;
  // The last frame shown, drawn again on exposure or a size change: a place in
  // the pixel memory of the bitmap it came from, shared with the bitmap so it
  // outlives a bitmap the program deletes, and never copied here per frame.
  std::shared_ptr<const std::vector<std::uint32_t>> frameMemory;
  const std::uint32_t* frame = nullptr;
  int frameWidth = 0, frameHeight = 0, framePitch = 0;
  bool fullScreen = false;  // made full screen by a mode change or the exclusive output
  // Where the client area belongs; a window manager may place the frame there
  // instead, so the window is moved into place (three times at most) until it
  // is first seen there. After that every move is the user's.
  int wantX = 0, wantY = 0;
  int corrections = 0;
  bool placed = false;
};

// Bits per pixel as the program counts them: bytes per pixel x 8.
int BitsPerPixel(Uint32 format);
// The first mode the display lists with exactly this size and depth.
bool FindMode(int width, int height, int bitsPerPixel, SDL_DisplayMode& chosen);

class SdlDisplay {
 public:
  // The exclusive output's state: at most one is in use at a time, on the
  // window its cooperative level named.
  struct Exclusive {
    NativeWindow* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool lost = false;  // minimised or hidden (as on losing the focus): flips fail until restored
    Uint64 refreshPeriod = 0;  // performance-counter ticks a refresh, when flips are paced here
  };

  virtual NativeWindow* NativeOf(Window& window) = 0;
  // Exclusive full screen at the mode; false when the display did not take it.
  virtual bool EnterMode(NativeWindow& native, SDL_DisplayMode mode) = 0;
  virtual void LeaveFullScreen(NativeWindow& native) = 0;

  // A new exclusive output, owned here until its Release or ReleaseOutputs.
  ExclusiveOutput* AddExclusiveOutput();
  void ReleaseOutputs();
  // Gives back the renderer the flips went through.
  void DropFlipChain();

  Exclusive exclusive;
  std::vector<std::unique_ptr<SdlExclusiveOutput>> outputs;

 protected:
  // Out of line, where the outputs' type is complete.
  SdlDisplay();
  ~SdlDisplay();
};

}  // namespace plat::sdl
