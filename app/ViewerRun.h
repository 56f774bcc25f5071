// What every build of the viewer does around the program's entry: the log on
// the console, the backend the environment chooses started, the entry run
// with the command line, the music stopped before the platform unloads its
// library, and the exit status.
#pragma once

#include <string>

// Returns the program's exit status.
int RunViewer(const std::string& arguments);
