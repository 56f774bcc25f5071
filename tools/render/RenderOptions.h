// Command-line options of solvane-render, the offline renderer demo authors
// use to check a demo, look at all of it in one picture and capture it.
#pragma once

#include <string>

struct RenderOptions {
  std::string dataPath;    // a zip archive or a data directory; empty: beside the program
  bool check = false;      // set-up only
  std::string stripPath;   // one PNG row per frame
  std::string framesDir;   // one PNG per frame
  std::string framePath;   // one PNG at frameTime
  double frameTime = 0.0;
  std::string videoPath;   // encoded by ffmpeg
  std::string musicPath;   // --music: the video's soundtrack; empty: the data's own
  std::string analyzeMusicPath;  // --analyze-music: tempo and beat of this file, nothing rendered
  double fps = 50.0;
  double from = 0.0;
  double to = -1.0;        // negative: the demo's end time
  bool help = false;
};

// Fills options from the arguments; false with a message for bad ones.
bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error);
const char* RenderUsage();
