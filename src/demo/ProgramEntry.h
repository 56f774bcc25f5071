// The program's entry, callable from main and from tests: switches the log
// file on when the argument text starts with 'l' or 'L', shows the start
// dialog from the program's module (named as the release in the data names
// itself), and runs the demo when the dialog says start. Always returns 0, as
// the program's exit status; whether a started demo could not be set up is
// told apart by ProgramDemoFailed.
#pragma once

#include <string>

#include "Platform.h"

int ProgramEntry(const char* arguments, plat::InstanceHandle instance);

// True after ProgramEntry when the dialog started the demo and it did not run
// to its end as designed: its data was not found, or errors were recorded (a
// broken script, a display that could not be set). A cancelled dialog, Escape
// or a termination signal leave it false.
bool ProgramDemoFailed();
// Then the first line that says why: the first error, or the missing data.
const std::string& ProgramFailure();
