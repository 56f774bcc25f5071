// The demo clock: milliseconds of the platform tick count since Start, with
// 32-bit wrap-around arithmetic. One process-wide clock, started when the
// program starts and again when the music starts.
#pragma once

#include <cstdint>

class VClock {
 public:
  void Start();
  // Now minus the start tick, modulo 2^32, read as a signed count.
  int Milliseconds() const;
  // The product is taken in double and then stored, so 3000 ms is exactly 3 s.
  float Seconds() const { return static_cast<float>(Milliseconds() * 0.001); }
  std::uint32_t StartTick() const { return start_; }

 private:
  std::uint32_t start_ = 0;
};

VClock& TheDemoClock();
