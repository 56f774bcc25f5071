#include "X11Workarounds.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>

#include "X11SharedPresenter.h"

namespace plat {

namespace {

// SDL wakes a waiting event loop by sending an event, on a connection of its
// own, to the window that last had the focus. When that window has been
// destroyed since (the dialog's, when the demo is refused), the X server
// answers BadWindow, and the answer is read only when SDL closes that
// connection on the way out, after putting back the error handler it found.
// Xlib's default handler would then end the program with status 1 for an
// event meant for a window that no longer needs it. So this handler is put in
// place before SDL starts: it drops exactly that error and passes any other
// to Xlib's own.
XErrorHandler gXlibErrorHandler = nullptr;

int DropSendsToGoneWindows(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  // The presenter's own connection: it falls back on SDL's window surface.
  if (sdl::X11SharedPresenter::OwnsConnection(display)) return 0;
  return gXlibErrorHandler ? gXlibErrorHandler(display, error) : 0;
}

bool X11InfoOf(SDL_Window* window, SDL_SysWMinfo& info) {
  SDL_VERSION(&info.version);
  return SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
}

}  // namespace

void InstallX11ErrorFilter() {
  const XErrorHandler previous = XSetErrorHandler(DropSendsToGoneWindows);
  if (previous != DropSendsToGoneWindows) gXlibErrorHandler = previous;
}

void KeepClientWhereAsked(SDL_Window* window) {
  SDL_SysWMinfo info;
  if (!X11InfoOf(window, info)) return;
  Display* display = info.info.x11.display;
  XSizeHints* hints = XAllocSizeHints();
  if (!hints) return;
  long supplied = 0;
  XGetWMNormalHints(display, info.info.x11.window, hints, &supplied);
  hints->flags |= PWinGravity | USPosition;
  hints->win_gravity = StaticGravity;
  XSetWMNormalHints(display, info.info.x11.window, hints);
  XFree(hints);
}

void X11ClientPosition(SDL_Window* window, int& x, int& y) {
  SDL_SysWMinfo info;
  if (!X11InfoOf(window, info)) return;
  ::Window child;
  XTranslateCoordinates(info.info.x11.display, info.info.x11.window,
                        DefaultRootWindow(info.info.x11.display), 0, 0, &x, &y, &child);
}

unsigned long XWindowOf(SDL_Window* window) {
  SDL_SysWMinfo info;
  return X11InfoOf(window, info) ? info.info.x11.window : 0;
}

}  // namespace plat
