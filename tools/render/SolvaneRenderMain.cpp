// solvane-render: check a demo, render it to a strip, frames or a video, or
// find the tempo and beat of its music.
#include <cstdio>

#include "BeatAnalysis.h"
#include "CommandLineOptions.h"
#include "MusicDecode.h"
#include "OfflineRenderer.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "RenderOptions.h"

namespace {

// --analyze-music: 0 with the tempo (or "no beat found") on stdout, 1 with
// one line on stderr when the file does not decode.
int AnalyzeMusic(const std::string& path) {
  MusicPcm pcm;
  std::string error;
  if (!DecodeMusic(path, pcm, error)) {
    std::fprintf(stderr, "solvane-render: %s\n", error.c_str());
    return 1;
  }
  std::fputs(DescribeBeat(AnalyzeBeat(pcm)).c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  plat::PrepareProcess();
  RenderOptions options;
  std::string error;
  const bool parsed = ParseRenderOptions(argc, argv, options, error);
  const int answered =
      AnswerCommandLine("solvane-render", parsed, options.help, error, RenderUsage());
  if (answered >= 0) return answered;
  if (!options.analyzeMusicPath.empty()) {
    const int analyzed = AnalyzeMusic(options.analyzeMusicPath);
    const bool rendering = options.check || !options.stripPath.empty() || !options.framesDir.empty() ||
                           !options.framePath.empty() || !options.videoPath.empty();
    if (analyzed != 0 || !rendering) return analyzed;
  }
  return RunOfflineRenderer(options, ProgramDirectory());
}
