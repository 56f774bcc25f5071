// The three controls a dialog template can hold: the push button, the list
// box and the static picture (or text). Internal to the platform; the dialog
// manager makes them from a template and paints them.
#pragma once

#include "Backend.h"

namespace plat {

std::intptr_t PLAT_CALLBACK ButtonProcedure(WindowHandle window, unsigned message, std::uintptr_t wParam,
                              std::intptr_t lParam);
std::intptr_t PLAT_CALLBACK ListBoxProcedure(WindowHandle window, unsigned message, std::uintptr_t wParam,
                               std::intptr_t lParam);
std::intptr_t PLAT_CALLBACK StaticProcedure(WindowHandle window, unsigned message, std::uintptr_t wParam,
                              std::intptr_t lParam);

// Gives a control what it needs beyond its window: the picture a static shows
// and the height of a list box line in the dialog's font.
void PrepareControl(Window* control, const Picture* picture, int lineHeight);

}  // namespace plat
