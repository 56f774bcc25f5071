// Whether the pointer shows on an X display, read from the image the X server
// draws for it (XFixes): a program that hides it sets a cursor whose every
// pixel is transparent. Used by the release checks, which look at another
// program's full screen from outside.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <string>

#include "Platform.h"

namespace plat {

bool PointerImageBlank(const std::string& display, bool& blank) {
  Display* x = XOpenDisplay(display.empty() ? nullptr : display.c_str());
  if (!x) return false;
  int events = 0, errors = 0;
  XFixesCursorImage* image = XFixesQueryExtension(x, &events, &errors) ? XFixesGetCursorImage(x) : nullptr;
  if (image) {
    blank = true;
    const unsigned long pixels = static_cast<unsigned long>(image->width) * image->height;
    // Each pixel is ARGB in an unsigned long: only its alpha byte matters.
    for (unsigned long i = 0; i < pixels && blank; ++i) blank = ((image->pixels[i] >> 24) & 0xFF) == 0;
    XFree(image);
  }
  XCloseDisplay(x);
  return image != nullptr;
}

}  // namespace plat
