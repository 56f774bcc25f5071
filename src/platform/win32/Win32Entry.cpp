// The executable's entry on Windows: the program receives the command line
// after its own name, as WinMain gives it.
#include "WindowsHeaders.h"

#include "Platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  return ProgramMain(commandLine ? commandLine : "");
}
