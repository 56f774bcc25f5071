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
  PackOptions options;
  std::string error;
  const bool parsed = ParsePackOptions(argc, argv, options, error);
  const int answered = AnswerCommandLine("solvane-pack", parsed, options.help, error, PackUsage());
  if (answered >= 0) return answered;
  const std::string directory = ProgramDirectory();
  if (!options.preflight.empty()) return RunPreflight(options.preflight, directory);
  return MakeReleases(options, directory);
}
