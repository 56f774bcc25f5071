#include "FloatTrack.h"

#include <cstddef>

using std::size_t;

void FloatTrack::PrepareKeys() {
  for (size_t i = 0; i + 1 < keys_.size(); ++i) {
    FloatKey& key = keys_[i];
    FloatKey& next = keys_[i + 1];
    // Equal, earlier or not-a-number times all move just behind this key.
    if (!(next.time > key.time)) next.time = key.time + 0.001f;
    key.slope = (next.value - key.value) / (next.time - key.time);
  }
}

float FloatTrack::ValueAt(float t) const {
  if (keys_.empty()) return 0.0f;
  if (!(t > keys_.front().time)) return keys_.front().value;
  if (t >= keys_.back().time) return keys_.back().value;
  size_t i = 0;
  while (!(t < keys_[i + 1].time)) ++i;
  return keys_[i].value + (t - keys_[i].time) * keys_[i].slope;
}
