// The music that belongs to a demo's data, found by one rule that every author
// tool shares (solvane-live plays it, solvane-render --video muxes it), so a
// demo is never heard with another demo's soundtrack.
#pragma once

#include <string>

struct DemoMusic {
  std::string path;  // empty: the demo is played or captured without music
  std::string note;  // one line to tell the author once, or empty
};

// musicOption: the --music the author gave (empty when none); it is taken as
// given, or refused when it is not a regular file. Otherwise the data decides:
// an archive "dir/my.dat" brings "dir/my.mp3"; a data directory "dir/D" brings
// "dir/D.mp3", else the only .mp3 file beside it. dataPath empty means the
// default data beside the program: programDirectory + "solvane.dat", else
// programDirectory + "data", with the music beside them.
DemoMusic FindDemoMusic(const std::string& musicOption, const std::string& dataPath,
                        const std::string& programDirectory);
