// The part of the demo solvane-live's timeline shows: the whole demo at zoom
// level 0, each level half the one before, down to two bars of the beat grid
// (4 s without one), centred on the current time and kept inside the demo.
#pragma once

#include "BeatGrid.h"

struct TimeRange {
  double start = 0.0, end = 0.0;  // seconds
  bool operator==(const TimeRange& o) const { return start == o.start && end == o.end; }
};

// The narrowest span: two bars of the grid, else 4 seconds.
double NarrowestSpan(const BeatGrid& grid);
// The deepest level for a demo of whole seconds: the one that first reaches
// the narrowest span (0 when the demo is no longer than it).
int DeepestZoomLevel(double whole, double narrowest);
// What level shows of a demo of whole seconds at time now.
TimeRange ZoomedRange(double whole, double narrowest, int level, double now);
