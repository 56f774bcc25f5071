// The offline renderer behind solvane-render: the demo's own set-up on the
// headless backend (windowed display mode, no sound), then frames at exact
// times from + k / fps written as a strip, single frames or a video.
#pragma once

#include <string>

#include "RenderOptions.h"

// programDirectory (with its trailing separator) is where the default data
// (solvane.dat, else data/) and its music are looked for. Author hints follow
// the demo's log lines. Returns the process exit code: 0 done, 1 set-up error
// or failed output; with --check, 2 when the set-up is clean but warned.
int RunOfflineRenderer(const RenderOptions& options, const std::string& programDirectory);

// The ffmpeg command --video pipes its frames to: raw frames of width x height
// from standard input, and the demo's own music (--music, else the one that
// belongs to the data) when there is one. note: the line to tell the author
// about the music, or empty.
std::string BuildVideoCommand(const RenderOptions& options, const std::string& programDirectory,
                              int width, int height, std::string& note);
