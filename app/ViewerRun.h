// What every build of the viewer does around the program's entry: the log on
// the console, the backend started, the entry run with the command line, the
// music stopped before the platform unloads its library, and the exit status.
#pragma once

#include <string>

class KolLog;

// startBackend starts the platform's backend, or says why not on the log and
// answers false. Returns the program's exit status.
int RunViewer(const std::string& arguments, bool (*startBackend)(KolLog& log));
