// The beat grid solvane-live steps, snaps and draws on: a tempo and where its
// first beat line lies. Bars are four beats from that line.
#pragma once

struct BeatGrid {
  double bpm = 0.0;     // 0: no grid
  double offset = 0.0;  // seconds from the start to the first beat line
};
