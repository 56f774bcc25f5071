// The picture's time in solvane-live, in whole milliseconds: held while paused,
// taken from the music while it plays (so picture and music cannot drift), and
// from the tick count otherwise (no music, or past its end). Free of globals:
// the caller passes the tick and the music's position in, so every rule can be
// tested at exact times.
#pragma once

#include <cstdint>

class LiveClock {
 public:
  // Starts running at ms, the tick count being tick.
  void Start(int ms, std::uint32_t tick);

  // The time now. musicMs is the music's heard position when music plays and
  // can tell it, else negative.
  int Now(std::uint32_t tick, int musicMs);

  void Pause(std::uint32_t tick, int musicMs);
  void Resume(std::uint32_t tick);
  // Jumps to ms (not below 0), paused or not.
  void Seek(int ms, std::uint32_t tick);

  bool Paused() const { return paused_; }

 private:
  bool paused_ = false;
  int anchorMs_ = 0;            // the time at anchorTick_
  std::uint32_t anchorTick_ = 0;
};
