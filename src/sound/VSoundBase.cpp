#include "VSoundBase.h"

#include "Platform.h"

int VSoundBase::Init(int) {
  state = kInitialised;
  return 0;
}

int VSoundBase::Play(bool) {
  startTick = static_cast<int>(plat::TickCount());
  state = kPlaying;
  return 0;
}

void VSoundBase::Pause() {
  if (state == kPlaying) state = kPaused;
}

void VSoundBase::Resume() {
  if (state == kPaused) state = kPlaying;
}

int VSoundBase::Stop() {
  state = kStopped;
  return 0;
}

int VSoundBase::GetPosition() {
  // Modulo 2^32, as the tick count wraps.
  position = static_cast<int>(plat::TickCount() - static_cast<unsigned>(startTick));
  return position;
}

int VSoundBase::Seek(int milliseconds) {
  if (milliseconds < 0) return 1;
  startTick = static_cast<int>(plat::TickCount() - static_cast<unsigned>(milliseconds));
  return 0;
}
