// The solvane executable. The engine's foundation (log, data sources, object
// file, script lexer) is in place; the demo itself is not playable yet, and this
// says so plainly instead of pretending to run.
#include <cstdio>

#include "KolLog.h"

int main(int argc, char** argv) {
  // An argument starting with 'l' or 'L' appends this run's messages to kol.log.
  const bool logToFile = argc > 1 && (argv[1][0] == 'l' || argv[1][0] == 'L');
  GlobalLog().SetEcho(true);
  GlobalLog().SetFileOutput(logToFile);
  GlobalLog().PrintLine("Solvane: the demo cannot play yet.");
  GlobalLog().PrintLine(
      "Built so far: message log, data sources (directory and zip archive), object file, "
      "script lexer.");
  GlobalLog().PrintLine(
      "Not there yet: images and textures, script readers and effects, the frame loop and "
      "window, sound.");
  GlobalLog().PrintLine("Run ./test.sh to exercise what exists.");
  return 0;
}
