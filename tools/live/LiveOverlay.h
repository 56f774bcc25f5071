// What solvane-live draws over the picture: with Tab, the timeline over the
// whole demo or the part zoomed to (each effect's span as a bar with its name
// and kind over the music's waveform and spectrogram, the current time, the
// beat and bar grid, the loop) and a status line (time in seconds and as bar:beat,
// frames per second); and, whatever Tab says, the set-up error that keeps the
// last good demo on screen. Drawn in the dialog's font through the platform.
// The picture's last row is never touched: the frame leaves it alone too, so
// nothing drawn here could outlive the overlay there.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MusicStrip;
class VList;

// Where the timeline's time axis lies on the picture, so that what is drawn
// along it (a recorded track's curve) meets the effect bars and the grid.
struct TimelineAxis {
  int left = 0, right = 1, top = 0, bottom = 1;  // pixels; bottom excluded
  double seconds = 1.0;                           // the time at right
  double start = 0.0;                             // the time at left (zoomed in)
  int XAt(double t) const;
  double SecondsAt(int x) const { return start + (x - left) * (seconds - start) / (right - left); }
};

struct OverlayState {
  const VList* effects = nullptr;
  int endTime = 0;      // the demo's end, whole seconds
  int timeMs = 0;
  double bpm = 0.0;     // 0: no grid
  double beatOffset = 0.0;  // seconds to the grid's first line
  // The part of the demo the timeline shows, seconds; all of it when
  // viewEnd <= viewStart.
  double viewStart = 0.0, viewEnd = 0.0;
  MusicStrip* music = nullptr;  // the music under the effects, or none
  bool paused = false;
  bool loop = false;
  int loopInMs = 0, loopOutMs = -1;  // loopOutMs < 0: not set
  int framesPerSecond = 0;
  bool timeline = false;             // Tab
  // The set-up error, empty when none: its hints, then the demo's own log
  // line (dimmed under hints, as the hints say better where the fault is).
  std::vector<std::string> error;
  // --record: what the status line says of it, and its curve over the timeline.
  std::string record;
  std::function<void(std::uint32_t* pixels, int width, int height, const TimelineAxis& axis)>
      drawOverTimeline;
};

// "12.340", the time as --frame takes it.
std::string SecondsText(int ms);
// "7:2" (bar 7, beat 2, both from 1) at bpm with four beats a bar, the
// first bar starting offset seconds in (before it, bar 0 and below).
std::string BarBeatText(int ms, double bpm, double offset = 0.0);

// The timeline's status line: time, bar:beat, the frame rate while playing,
// paused, loop.
std::string StatusText(const OverlayState& state);

void DrawOverlay(std::uint32_t* pixels, int width, int height, const OverlayState& state);
