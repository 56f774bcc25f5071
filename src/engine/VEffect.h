// One visual layer of the demo with a time span [start, end) in absolute demo
// seconds. Each frame an active effect fills its own colour line, which the
// frame then combines into the main line with the alpha and add tracks' values.
#pragma once

#include <memory>
#include <string>

#include "FloatTrack.h"
#include "VColorLine.h"

class VEffect {
 public:
  virtual ~VEffect() = default;

  // Called once after the whole demo loaded without error.
  virtual void Prepare() {}
  // Fills line for demo time t; allocates nothing.
  virtual void Render(float t) = 0;

  bool ActiveAt(float t) const { return t >= startTime && t < endTime; }
  // The kind as the effect script names it ("Scroller", ...), for tools that
  // show the timeline.
  virtual const char* KindName() const = 0;

  float startTime = 0.0f;
  float endTime = 0.0f;
  std::string name;  // the effect script's name in the demo script, without ".txt"
  VColorLine line;
  std::unique_ptr<FloatTrack> alphaTrack;
  std::unique_ptr<FloatTrack> addTrack;
};

// A track's value at t, or 0 when the effect has no such track.
inline float TrackAt(const std::unique_ptr<FloatTrack>& track, float t) {
  return track ? track->ValueAt(t) : 0.0f;
}
