// Where a piece of music changes, and how loudly: the onset strength the beat
// analysis (BeatAnalysis) reads its tempo, phase and accents from. Pure
// functions of decoded samples; nothing here knows about beats.
#pragma once

#include <vector>

#include "MusicDecode.h"

// The music at about 11 kHz: enough for drums and bass, and a quarter of the
// work of 44.1 kHz. Sample i stands for time i / rate + delay seconds.
struct AnalysisSignal {
  double rate = 0;
  double delay = 0;
  std::vector<float> samples;
};

// Averages groups of samples (a box filter: aliasing does not matter for
// onsets, speed does).
AnalysisSignal ReduceForAnalysis(const MusicPcm& pcm);

// One value per hop of 128 samples (11.6 ms at 11025 Hz), from a 512-point
// short-time spectrum summed into log-spaced bands. Value i stands for time
// firstTime + i / frameRate.
struct OnsetStrength {
  double frameRate = 0;
  double firstTime = 0;
  std::vector<float> flux;    // log-compressed band flux, less its local mean: where things start
  std::vector<float> accent;  // linear band flux: how loud each start is
  std::vector<float> low;     // linear flux below 200 Hz: kick drum and bass
};

OnsetStrength ComputeOnsetStrength(const AnalysisSignal& signal);
