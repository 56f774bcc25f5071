// Shows frames on an X window through shared memory, on a display connection
// of its own, for the SDL backend's windowed copies. SDL's window surface
// waits for the X server to finish every copy before it returns; here two
// shared images take turns, so the program writes the next frame while the
// server still reads the last, and only waits when both are still being read.
// Used by SdlBackend only; it never draws on a window it was not given.
#pragma once

#include <cstdint>
#include <memory>

namespace plat::sdl {

class X11SharedPresenter {
 public:
  // Null when there is no X display to connect to or it has no MIT-SHM.
  static std::unique_ptr<X11SharedPresenter> Open();
  ~X11SharedPresenter();
  X11SharedPresenter(const X11SharedPresenter&) = delete;
  X11SharedPresenter& operator=(const X11SharedPresenter&) = delete;

  // Copies width x height pixels (0x00RRGGBB, pitch pixels a row) to the top
  // left of the X window, which must be exactly that size. False when this
  // window cannot be shown this way (its visual is not 32-bit XRGB, or the
  // server refused); the caller then shows the frame another way.
  bool Present(unsigned long window, const std::uint32_t* pixels, int width, int height,
               int pitch);
  // The window is going: nothing more is sent to it.
  void Forget(unsigned long window);
  // Whether an X error came on this presenter's own connection.
  static bool OwnsConnection(const void* display);

 private:
  struct State;
  explicit X11SharedPresenter(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace plat::sdl
