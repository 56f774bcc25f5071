#include "TimelineZoom.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kBeatsPerBar = 4.0;
constexpr double kNarrowestWithoutGrid = 4.0;  // seconds
}  // namespace

double NarrowestSpan(const BeatGrid& grid) {
  return grid.bpm > 0.0 ? 2.0 * kBeatsPerBar * 60.0 / grid.bpm : kNarrowestWithoutGrid;
}

int DeepestZoomLevel(double whole, double narrowest) {
  if (!(whole > narrowest) || !(narrowest > 0.0)) return 0;
  return std::min(30, static_cast<int>(std::ceil(std::log2(whole / narrowest))));
}

TimeRange ZoomedRange(double whole, double narrowest, int level, double now) {
  whole = std::max(whole, 0.0);
  level = std::clamp(level, 0, DeepestZoomLevel(whole, narrowest));
  if (level == 0) return {0.0, whole};
  const double span = std::max(std::ldexp(whole, -level), narrowest);
  const double start = std::clamp(now - span / 2.0, 0.0, whole - span);
  return {start, start + span};
}
