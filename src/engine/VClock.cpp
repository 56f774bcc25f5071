#include "VClock.h"

#include "Platform.h"

void VClock::Start() { start_ = plat::TickCount(); }

int VClock::Milliseconds() const {
  return static_cast<int>(static_cast<std::uint32_t>(plat::TickCount() - start_));
}

VClock& TheDemoClock() {
  static VClock clock;
  return clock;
}
