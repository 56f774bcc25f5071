// The program's entry, callable from main and from tests: switches the log
// file on when the argument text starts with 'l' or 'L', shows the start
// dialog from the program's module, and runs the demo when the dialog says
// start. Always returns 0, as the program's exit status.
#pragma once

#include "Platform.h"

int ProgramEntry(const char* arguments, plat::InstanceHandle instance);
