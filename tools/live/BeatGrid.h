// The beat grid solvane-live snaps to: a tempo and where its first beat lies,
// whichever source gave them (--bpm, or a tempo found in the music). Every
// snapped time is a whole millisecond, as every time the tool shows or seeks
// to is. Plain arithmetic, no state beyond the two numbers.
#pragma once

#include <cmath>

struct BeatGrid {
  double bpm = 0.0;            // 0: no grid
  double offsetSeconds = 0.0;  // where beat 0 lies

  bool Valid() const { return bpm > 0.0; }
  double BeatMs() const { return 60000.0 / bpm; }

  // ms moved to the nearest of subdivisions lines a beat (not before 0);
  // without a grid, ms as it is.
  int SnapMs(int ms, int subdivisions) const {
    if (!Valid() || subdivisions < 1) return ms;
    const double step = BeatMs() / subdivisions;
    const double origin = offsetSeconds * 1000.0;
    const auto at = [&](long long k) { return static_cast<int>(std::llround(origin + k * step)); };
    long long k = std::llround((ms - origin) / step);
    while (at(k) < 0) ++k;
    return at(k);
  }
};
