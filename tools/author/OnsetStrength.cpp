#include "OnsetStrength.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <complex>

#include "Fft.h"

namespace {

constexpr double kAnalysisRate = 11025;
constexpr int kWindow = 512;
constexpr int kHop = 128;
constexpr double kLowestBand = 40, kHighestBand = 5000, kLowBandTop = 200;
constexpr int kBands = 24;
// Local mean taken off the flux: about a quarter second either side.
constexpr int kMeanReach = 20;

}  // namespace

AnalysisSignal ReduceForAnalysis(const MusicPcm& pcm) {
  AnalysisSignal signal;
  if (pcm.rate <= 0) return signal;
  const int factor = std::max(1, static_cast<int>(std::lround(pcm.rate / kAnalysisRate)));
  signal.rate = static_cast<double>(pcm.rate) / factor;
  signal.delay = (factor - 1) / (2.0 * pcm.rate);
  const size_t count = pcm.mono.size() / factor;
  signal.samples.resize(count);
  const float scale = 1.0f / factor;
  const float* in = pcm.mono.data();
  for (size_t i = 0; i < count; ++i, in += factor) {
    float sum = 0;
    for (int k = 0; k < factor; ++k) sum += in[k];
    signal.samples[i] = sum * scale;
  }
  return signal;
}

// Log-compressed spectral flux over mel-like bands, as in Ellis's onset
// strength envelope ("Beat Tracking by Dynamic Programming", 2007), with
// log(1 + x) in place of decibels so that quiet sounds count for little and
// silence for nothing.
OnsetStrength ComputeOnsetStrength(const AnalysisSignal& signal) {
  OnsetStrength onsets;
  const size_t count = signal.samples.size();
  if (signal.rate <= 0 || count < static_cast<size_t>(kWindow) * 2) return onsets;
  const int frames = static_cast<int>((count - kWindow) / kHop) + 1;
  onsets.frameRate = signal.rate / kHop;
  // Flux i compares frame i with frame i - 1: it stands between their centres.
  onsets.firstTime = (kWindow / 2.0 - kHop / 2.0) / signal.rate + signal.delay;

  // Band edges in bins, log-spaced, at least one bin wide.
  const double binHz = signal.rate / kWindow;
  std::vector<int> edges;
  for (int b = 0; b <= kBands; ++b) {
    const double hz = kLowestBand * std::pow(kHighestBand / kLowestBand, static_cast<double>(b) / kBands);
    const int bin = std::min(kWindow / 2, std::max(1, static_cast<int>(std::lround(hz / binHz))));
    if (edges.empty() || bin > edges.back()) edges.push_back(bin);
  }
  const int bands = static_cast<int>(edges.size()) - 1;
  int lowBands = 0;
  while (lowBands < bands && edges[lowBands + 1] * binHz <= kLowBandTop) ++lowBands;

  std::vector<float> window(kWindow), frame(kWindow);
  for (int i = 0; i < kWindow; ++i)
    window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / kWindow));
  RealFft fft(kWindow);
  std::vector<std::complex<float>> spectrum(kWindow / 2 + 1);
  std::vector<float> magnitude(static_cast<size_t>(frames) * bands);
  double total = 0;
  for (int f = 0; f < frames; ++f) {
    const float* in = signal.samples.data() + static_cast<size_t>(f) * kHop;
    for (int i = 0; i < kWindow; ++i) frame[i] = in[i] * window[i];
    fft.Forward(frame.data(), spectrum.data());
    float* out = magnitude.data() + static_cast<size_t>(f) * bands;
    for (int b = 0; b < bands; ++b) {
      float sum = 0;
      for (int k = edges[b]; k < edges[b + 1]; ++k)
        sum += std::sqrt(spectrum[k].real() * spectrum[k].real() + spectrum[k].imag() * spectrum[k].imag());
      out[b] = sum;
      total += sum;
    }
  }
  const double mean = total / (static_cast<double>(frames) * bands);
  if (mean <= 0) return onsets;
  // Ten times the mean band level sits where log(1 + x) turns from linear to
  // logarithmic: loud parts are compressed, faint ones stay faint.
  const float gain = static_cast<float>(10.0 / mean), linear = static_cast<float>(1.0 / mean);
  onsets.flux.assign(frames, 0.0f);
  onsets.accent.assign(frames, 0.0f);
  onsets.low.assign(frames, 0.0f);
  std::vector<float> compressed(magnitude.size());
  for (size_t i = 0; i < magnitude.size(); ++i) compressed[i] = std::log1p(gain * magnitude[i]);
  for (int f = 1; f < frames; ++f) {
    const size_t at = static_cast<size_t>(f) * bands;
    const float* now = magnitude.data() + at;
    const float* before = now - bands;
    float flux = 0, accent = 0, low = 0;
    for (int b = 0; b < bands; ++b) {
      flux += std::max(0.0f, compressed[at + b] - compressed[at - bands + b]);
      const float rise = std::max(0.0f, now[b] - before[b]) * linear;
      accent += rise;
      if (b < lowBands) low += rise;
    }
    onsets.flux[f] = flux;
    onsets.accent[f] = accent;
    onsets.low[f] = low;
  }
  // Less the local mean, so a passage that is busy throughout does not
  // outweigh the peaks of a sparse one.
  std::vector<double> prefix(frames + 1, 0.0);
  for (int f = 0; f < frames; ++f) prefix[f + 1] = prefix[f] + onsets.flux[f];
  std::vector<float> peaks(frames);
  for (int f = 0; f < frames; ++f) {
    const int from = std::max(0, f - kMeanReach), to = std::min(frames, f + kMeanReach + 1);
    const double local = (prefix[to] - prefix[from]) / (to - from);
    peaks[f] = static_cast<float>(std::max(0.0, onsets.flux[f] - local));
  }
  onsets.flux.swap(peaks);
  return onsets;
}
