// A time-varying number: keys of (time, value, slope), evaluated by linear
// interpolation between neighbouring keys and held constant outside them.
// Every animated effect parameter is one of these.
#pragma once

#include <vector>

struct FloatKey {
  float time = 0.0f;
  float value = 0.0f;
  float slope = 0.0f;  // towards the next key; set by PrepareKeys
};

class FloatTrack {
 public:
  FloatTrack() = default;
  explicit FloatTrack(std::vector<FloatKey> keys) : keys_(std::move(keys)) { PrepareKeys(); }

  // Makes times strictly increasing (a key not after its predecessor moves to
  // 0.001 s behind it) and computes the slopes. Keys are never reordered.
  void PrepareKeys();
  // The value at time t; 0 for a track without keys.
  float ValueAt(float t) const;

  int KeyCount() const { return static_cast<int>(keys_.size()); }
  const FloatKey& Key(int i) const { return keys_[i]; }

 private:
  std::vector<FloatKey> keys_;
};
