// The offline renderer behind solvane-render: the demo's own set-up on the
// headless backend (windowed display mode, no sound), then frames at exact
// times from + k / fps written as a strip, single frames or a video.
#pragma once

#include <string>

#include "RenderOptions.h"

// programDirectory (with its trailing separator) is where the default data
// (solvane.dat, else data/) and the music (solvane.mp3) are looked for.
// Returns the process exit code: 0 done, 1 set-up error or failed output.
int RunOfflineRenderer(const RenderOptions& options, const std::string& programDirectory);
