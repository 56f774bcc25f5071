#include "MusicStrip.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <cstdlib>

namespace {

constexpr std::uint32_t kBackground = 0x0C0C14;
constexpr std::uint32_t kPeak = 0x34506C;
constexpr std::uint32_t kRms = 0x80B4E0;

// Magma, from its published table at nine even stops, in between linearly:
// dark to bright in steps the eye sees as even.
const std::array<std::uint32_t, 256>& Magma() {
  static const std::array<std::uint32_t, 256> table = [] {
    constexpr std::uint32_t kStops[9] = {0x000004, 0x1C1044, 0x4F127B, 0x812581, 0xB5367A,
                                         0xE55064, 0xFB8761, 0xFEC287, 0xFCFDBF};
    std::array<std::uint32_t, 256> colors{};
    for (int i = 0; i < 256; ++i) {
      const double at = i * 8.0 / 255.0;
      const int stop = std::min(static_cast<int>(at), 7);
      const double t = at - stop;
      std::uint32_t color = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const double a = (kStops[stop] >> shift) & 0xFF, b = (kStops[stop + 1] >> shift) & 0xFF;
        color |= static_cast<std::uint32_t>(std::lround(a + (b - a) * t)) << shift;
      }
      colors[static_cast<size_t>(i)] = color;
    }
    return colors;
  }();
  return table;
}

}  // namespace

const std::uint32_t* MusicStrip::Draw(long long firstColumn, double columnSeconds, int width,
                                      int height) {
  width = std::max(width, 0), height = std::max(height, 0);
  computed_ = 0;
  const bool same = columnSeconds == columnSeconds_ && width == width_ && height == height_ &&
                    !pixels_.empty();
  const long long shift = firstColumn - firstColumn_;
  if (!same || std::llabs(shift) >= width) {
    pixels_.assign(static_cast<size_t>(width) * height, kBackground);
    columnSeconds_ = columnSeconds, width_ = width, height_ = height;
    firstColumn_ = firstColumn;
    for (int x = 0; x < width; ++x) DrawColumn(x, firstColumn + x);
    return pixels_.data();
  }
  if (shift == 0) return pixels_.data();
  // Scrolled: the columns still in view move, the new ones are drawn.
  const int kept = width - static_cast<int>(std::llabs(shift));
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = pixels_.data() + static_cast<size_t>(y) * width;
    if (shift > 0)
      std::memmove(row, row + shift, sizeof(std::uint32_t) * static_cast<size_t>(kept));
    else
      std::memmove(row - shift, row, sizeof(std::uint32_t) * static_cast<size_t>(kept));
  }
  firstColumn_ = firstColumn;
  if (shift > 0)
    for (int x = kept; x < width; ++x) DrawColumn(x, firstColumn + x);
  else
    for (int x = 0; x < width - kept; ++x) DrawColumn(x, firstColumn + x);
  return pixels_.data();
}

void MusicStrip::DrawColumn(int x, long long column) {
  ++computed_;
  const double start = static_cast<double>(column) * columnSeconds_, end = start + columnSeconds_;
  const int waveHeight = height_ * 3 / 5, bandHeight = height_ - waveHeight;
  const auto set = [&](int y, std::uint32_t color) {
    pixels_[static_cast<size_t>(y) * width_ + x] = color;
  };
  // The waveform: the peak's extent about the middle, the RMS brighter inside it.
  const WaveColumn wave = view_.WaveAt(start, end, 1, 0);
  const double half = waveHeight / 2.0;
  const int middle = waveHeight / 2;
  const int peak = static_cast<int>(std::lround(std::min(wave.peak, 1.0f) * half));
  const int rms = static_cast<int>(std::lround(std::min(wave.rms, 1.0f) * half));
  for (int y = 0; y < waveHeight; ++y) {
    const int from = std::abs(y - middle);
    const bool inRms = from <= rms && wave.rms > 0.0f, inPeak = from <= peak && wave.peak > 0.0f;
    set(y, inRms ? kRms : inPeak ? kPeak : kBackground);
  }
  // The spectrogram: low frequencies at the bottom.
  std::uint8_t bands[MusicView::kBands];
  view_.SpectrumAt(start, end, 1, 0, bands);
  const auto& magma = Magma();
  for (int y = 0; y < bandHeight; ++y) {
    const int band = (bandHeight - 1 - y) * MusicView::kBands / std::max(bandHeight, 1);
    set(waveHeight + y, magma[bands[band]]);
  }
}
