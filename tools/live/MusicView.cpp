#include "MusicView.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "Fft.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kFrameSize = 1024;  // samples a spectrogram frame, a power of two
constexpr double kLowestHz = 40.0, kHighestHz = 16000.0;
constexpr double kRangeDb = 80.0;  // the quietest level shown, below the loudest

}  // namespace

void MusicView::SetMusic(MusicPcm pcm) {
  pcm_ = std::move(pcm);
  frames_.clear();
  if (Empty()) return;
  frameHop_ = kFrameSize / 2;
  const size_t count = pcm_.mono.size() / static_cast<size_t>(frameHop_) + 1;

  // Each band's bins: log-spaced edges, at least one bin a band.
  const double top = std::min(kHighestHz, pcm_.rate / 2.0);
  const double ratio = std::pow(top / kLowestHz, 1.0 / kBands);
  int firstBin[kBands], lastBin[kBands];
  for (int b = 0; b < kBands; ++b) {
    const double low = kLowestHz * std::pow(ratio, b), high = low * ratio;
    firstBin[b] = std::clamp(static_cast<int>(low * kFrameSize / pcm_.rate), 1, kFrameSize / 2 - 1);
    lastBin[b] = std::clamp(static_cast<int>(std::ceil(high * kFrameSize / pcm_.rate)) - 1, firstBin[b],
                            kFrameSize / 2 - 1);
  }
  std::vector<float> window(kFrameSize);
  for (int i = 0; i < kFrameSize; ++i)
    window[static_cast<size_t>(i)] =
        static_cast<float>(0.5 - 0.5 * std::cos(2.0 * kPi * i / kFrameSize));

  std::vector<float> levels(count * kBands);
  RealFft fft(kFrameSize);
  std::vector<float> windowed(kFrameSize);
  std::vector<std::complex<float>> values(kFrameSize / 2 + 1);
  float loudest = -1e30f;
  const long long samples = static_cast<long long>(pcm_.mono.size());
  for (size_t f = 0; f < count; ++f) {
    const long long first = static_cast<long long>(f) * frameHop_ - kFrameSize / 2;
    for (int i = 0; i < kFrameSize; ++i) {
      const long long at = first + i;
      const float x = at >= 0 && at < samples ? pcm_.mono[static_cast<size_t>(at)] : 0.0f;
      windowed[static_cast<size_t>(i)] = x * window[static_cast<size_t>(i)];
    }
    fft.Forward(windowed.data(), values.data());
    for (int b = 0; b < kBands; ++b) {
      float power = 0.0f;
      for (int k = firstBin[b]; k <= lastBin[b]; ++k)
        power = std::max(power, std::norm(values[static_cast<size_t>(k)]));
      const float db = 10.0f * std::log10(power + 1e-12f);
      levels[f * kBands + static_cast<size_t>(b)] = db;
      loudest = std::max(loudest, db);
    }
  }
  frames_.resize(levels.size());
  for (size_t i = 0; i < levels.size(); ++i) {
    const double level = (levels[i] - (loudest - kRangeDb)) / kRangeDb;
    frames_[i] = static_cast<std::uint8_t>(std::lround(255.0 * std::clamp(level, 0.0, 1.0)));
  }
}

namespace {

// The samples [first, last) of column c, last > first unless outside the music.
void ColumnSamples(double start, double end, int width, int column, int rate, size_t size,
                   long long& first, long long& last) {
  const double w = (end - start) / std::max(width, 1);
  first = static_cast<long long>(std::floor((start + column * w) * rate));
  last = static_cast<long long>(std::floor((start + (column + 1) * w) * rate));
  if (last <= first) last = first + 1;
  first = std::max(first, 0LL);
  last = std::min(last, static_cast<long long>(size));
}

}  // namespace

WaveColumn MusicView::WaveAt(double start, double end, int width, int column) const {
  WaveColumn wave;
  if (Empty()) return wave;
  long long first = 0, last = 0;
  ColumnSamples(start, end, width, column, pcm_.rate, pcm_.mono.size(), first, last);
  if (last <= first) return wave;
  double squares = 0.0;
  float peak = 0.0f;
  for (long long i = first; i < last; ++i) {
    const float x = pcm_.mono[static_cast<size_t>(i)];
    peak = std::max(peak, std::fabs(x));
    squares += static_cast<double>(x) * x;
  }
  wave.peak = peak;
  wave.rms = static_cast<float>(std::sqrt(squares / static_cast<double>(last - first)));
  return wave;
}

std::vector<WaveColumn> MusicView::WaveColumns(double start, double end, int width) const {
  std::vector<WaveColumn> columns(static_cast<size_t>(std::max(width, 0)));
  for (int c = 0; c < width; ++c) columns[static_cast<size_t>(c)] = WaveAt(start, end, width, c);
  return columns;
}

void MusicView::SpectrumAt(double start, double end, int width, int column, std::uint8_t* bands) const {
  std::fill(bands, bands + kBands, std::uint8_t{0});
  if (Empty() || frames_.empty()) return;
  long long first = 0, last = 0;
  ColumnSamples(start, end, width, column, pcm_.rate, pcm_.mono.size(), first, last);
  if (last <= first) return;
  const long long count = static_cast<long long>(frames_.size() / kBands);
  long long from = (first + frameHop_ - 1) / frameHop_, to = (last - 1) / frameHop_;
  if (to < from) from = to = std::llround((first + last) / 2.0 / frameHop_);
  from = std::clamp(from, 0LL, count - 1);
  to = std::clamp(to, from, count - 1);
  for (long long f = from; f <= to; ++f) {
    const std::uint8_t* frame = frames_.data() + static_cast<size_t>(f) * kBands;
    for (int b = 0; b < kBands; ++b) bands[b] = std::max(bands[b], frame[b]);
  }
}
