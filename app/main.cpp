// The solvane executable. The engine plays demos on the headless backend
// (see solvane-render); the window backend that shows them on screen is not
// built yet, so this says so plainly instead of pretending to run.
#include "KolLog.h"

int main(int argc, char** argv) {
  // An argument starting with 'l' or 'L' appends this run's messages to kol.log.
  const bool logToFile = argc > 1 && (argv[1][0] == 'l' || argv[1][0] == 'L');
  GlobalLog().SetEcho(true);
  GlobalLog().SetFileOutput(logToFile);
  GlobalLog().PrintLine("Solvane: the window backend is not built yet, so the demo cannot play on screen.");
  GlobalLog().PrintLine(
      "Render it offline instead: ./build/solvane-render --strip strip.png (or run ./solvane.sh).");
  return 1;
}
