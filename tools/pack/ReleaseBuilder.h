// solvane-pack's making of releases: the data checked and packed with the
// audio library for each system, the viewer, music, .nfo and screenshot named
// after the release, and the archives (and video) in the output folder.
#pragma once

#include <string>

#include "PackOptions.h"

// programDirectory (with its trailing separator) holds the Linux build's
// viewer, audio library and solvane-render. Returns the exit code: 0 made,
// 1 failed (with the reason on stderr; no partial archive is left).
int MakeReleases(const PackOptions& options, const std::string& programDirectory);

// The release's .nfo: plain ASCII, at most 80 columns.
std::string ReleaseNfo(const std::string& name, const std::string& title, int seconds,
                       bool withMusic, double screenshot);
