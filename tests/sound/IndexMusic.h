// Reading what SDL's disk audio driver wrote while tests/sound/data/index.flac
// played: 16-bit stereo at 44.1 kHz in which every frame holds its own index
// (silence holds none), so the output shows exactly which frame of the music
// was written where. Shared by the audio library's and solvane-live's tests.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace index_music {

constexpr int kRate = 44100;

inline std::vector<std::int16_t> ReadSamples(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                           static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8);
  return samples;
}

// The index a frame of the index music holds, or -1 for silence.
inline long FrameIndex(const std::vector<std::int16_t>& samples, std::size_t frame) {
  const int high = samples[2 * frame + 1];
  if (high <= 0) return -1;
  return static_cast<long>(high - 1) << 15 | (samples[2 * frame] & 0x7FFF);
}

inline double FramesToMs(double frames) { return frames * 1000.0 / kRate; }

// The index of the first frame of music written at or after frame `from`
// that does not continue the frame before it: where a seek took effect.
inline long FirstIndexAfterJump(const std::vector<std::int16_t>& samples, std::size_t from) {
  // The music before `from` is where the jump is from.
  long previous = -2;
  for (std::size_t f = std::min(from, samples.size() / 2); f-- > 0 && previous < 0;)
    previous = FrameIndex(samples, f) >= 0 ? FrameIndex(samples, f) : -2;
  for (std::size_t f = from; 2 * f + 1 < samples.size(); ++f) {
    const long index = FrameIndex(samples, f);
    if (index < 0) continue;
    if (previous != -2 && index != previous + 1) return index;
    previous = index;
  }
  return -1;
}

}  // namespace index_music
