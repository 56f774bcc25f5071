// solvane-pack: a demo's releases for Windows and Linux, and the checks a
// demo party runs on them.
#include <cstdio>
#include <string>

#include "CommandLineOptions.h"
#include "PackOptions.h"
#include "Platform.h"
#include "Preflight.h"
#include "ProgramLocation.h"
#include "ReleaseBuilder.h"

int main(int argc, char** argv) {
  // The preflight's own probe of a full screen it runs: "hidden" or "shown"
  // (exit 0 or 1) for the pointer on the display given; 2 when unknown.
  if (argc == 3 && std::string(argv[1]) == "--pointer-on") {
    bool blank = false;
    if (!plat::PointerImageBlank(argv[2], blank)) return 2;
    std::puts(blank ? "hidden" : "shown");
    return blank ? 0 : 1;
  }
  PackOptions options;
  std::string error;
  const bool parsed = ParsePackOptions(argc, argv, options, error);
  const int answered = AnswerCommandLine("solvane-pack", parsed, options.help, error, PackUsage());
  if (answered >= 0) return answered;
  const std::string directory = ProgramDirectory();
  if (!options.preflight.empty()) return RunPreflight(options.preflight, directory);
  return MakeReleases(options, directory);
}
