// The program's entry, callable from main and from tests: switches the log
// file on when the argument text starts with 'l' or 'L', lets the start dialog
// choose the sound and display modes, and runs the demo if it says start.
#pragma once

#include <functional>

class VDemo;

// Writes the choices into the demo; a result above 0 starts it.
using StartDialogFunction = std::function<int(VDemo& demo)>;

int ProgramEntry(const char* arguments, const StartDialogFunction& startDialog);
