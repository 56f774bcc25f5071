// Tempo and beat found from decoded music, for the author tools that line a
// demo's events up with its soundtrack. A pure function of the samples: no
// files, no globals, so tests feed it music they make themselves.
#pragma once

#include <string>

#include "MusicDecode.h"

struct MusicBeat {
  double bpm = 0;         // beats per minute; 0 when nothing rhythmic was found
  double firstBeat = 0;   // seconds from the start to the first beat
  double confidence = 0;  // 0..1: how clearly the onsets follow the beat grid
  int beatsPerBar = 0;    // 0 when the bar could not be told
  int downbeat = 0;       // 0-based index of the first downbeat among the beats
  std::string octaveNote; // why this tempo won over its half or double (lines);
                          // with bpm 0, why no beat was found
  // How the grid fits: the span of the beats that carry an onset, and how far
  // those onsets lie from the grid (root mean square, seconds).
  double beatsFrom = 0, beatsTo = 0, gridError = 0;
};

MusicBeat AnalyzeBeat(const MusicPcm& pcm);

// The lines solvane-render --analyze-music prints: first
// "tempo 128.00 BPM, first beat at 0.350 s" (or "no beat found"), then the
// confidence, the octave choice and the bar, indented.
std::string DescribeBeat(const MusicBeat& beat);
