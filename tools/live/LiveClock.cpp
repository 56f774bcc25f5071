#include "LiveClock.h"

#include <climits>

void LiveClock::Start(int ms, std::uint32_t tick) {
  paused_ = false;
  anchorMs_ = ms < 0 ? 0 : ms;
  anchorTick_ = tick;
}

int LiveClock::Now(std::uint32_t tick, int musicMs) {
  if (paused_) return anchorMs_;
  if (musicMs >= 0) {
    // Each reading of the music re-anchors the tick clock, so when the music
    // ends the time goes on from where it was, without a jump.
    anchorMs_ = musicMs;
    anchorTick_ = tick;
    return musicMs;
  }
  const std::uint32_t elapsed = tick - anchorTick_;
  const long long now = static_cast<long long>(anchorMs_) + elapsed;
  return now > INT_MAX ? INT_MAX : static_cast<int>(now);
}

void LiveClock::Pause(std::uint32_t tick, int musicMs) {
  if (paused_) return;
  anchorMs_ = Now(tick, musicMs);
  anchorTick_ = tick;
  paused_ = true;
}

void LiveClock::Resume(std::uint32_t tick) {
  if (!paused_) return;
  paused_ = false;
  anchorTick_ = tick;
}

void LiveClock::Seek(int ms, std::uint32_t tick) {
  anchorMs_ = ms < 0 ? 0 : ms;
  anchorTick_ = tick;
}
