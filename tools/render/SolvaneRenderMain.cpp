// solvane-render: check a demo, render it to a strip, frames or a video.
#include "CommandLineOptions.h"
#include "OfflineRenderer.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "RenderOptions.h"

int main(int argc, char** argv) {
  plat::PrepareProcess();
  RenderOptions options;
  std::string error;
  const bool parsed = ParseRenderOptions(argc, argv, options, error);
  const int answered =
      AnswerCommandLine("solvane-render", parsed, options.help, error, RenderUsage());
  if (answered >= 0) return answered;
  return RunOfflineRenderer(options, ProgramDirectory());
}
