// What SDL leaves to the X11 backend underneath it: an error filter, the
// window manager's placement and the X window behind an SDL window. Each is a
// no-op off X11, so the SDL backend calls them unconditionally.
#pragma once

#include <SDL.h>

namespace plat {

// Puts the filter for X errors that must not end the program in place; call
// before SDL starts, so SDL's own handler chains to it.
void InstallX11ErrorFilter();
// Asks the window manager to put the client area itself where the window was
// created (static gravity), so it is shown in place instead of moved there.
void KeepClientWhereAsked(SDL_Window* window);
// The screen position of the client area as the X server knows it; x and y
// are left alone off X11.
void X11ClientPosition(SDL_Window* window, int& x, int& y);
// The X window of an SDL window, or 0 off X11.
unsigned long XWindowOf(SDL_Window* window);

}  // namespace plat
