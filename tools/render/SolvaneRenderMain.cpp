// solvane-render: check a demo, render it to a strip, frames or a video.
#include <cstdio>

#include "OfflineRenderer.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "RenderOptions.h"

int main(int argc, char** argv) {
  plat::PrepareProcess();
  RenderOptions options;
  std::string error;
  if (!ParseRenderOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "solvane-render: %s\n\n%s", error.c_str(), RenderUsage());
    return 2;
  }
  if (options.help) {
    std::fputs(RenderUsage(), stdout);
    return 0;
  }
  return RunOfflineRenderer(options, ProgramDirectory());
}
