#include "Fft.h"

#include <cmath>
#include <numbers>

RealFft::RealFft(int size) : size_(size), reversed_(size / 2), twiddle_(size / 2), work_(size / 2) {
  const int half = size / 2;
  for (int i = 0, j = 0; i < half; ++i) {
    reversed_[i] = j;
    int bit = half >> 1;
    for (; bit > 0 && (j & bit); bit >>= 1) j ^= bit;
    j |= bit;
  }
  for (int k = 0; k < half; ++k) {
    const double angle = -2.0 * std::numbers::pi * k / size;
    twiddle_[k] = {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
  }
  stageRe_.assign(half, 0.0f);
  stageIm_.assign(half, 0.0f);
  for (int length = 2; length <= half; length <<= 1)
    for (int k = 0; k < length / 2; ++k) {
      stageRe_[length / 2 - 1 + k] = twiddle_[k * (size / length)].real();
      stageIm_[length / 2 - 1 + k] = twiddle_[k * (size / length)].imag();
    }
}

// The real samples are taken as size / 2 complex ones (even samples real, odd
// imaginary), transformed in place, and the two interleaved spectra are then
// pulled apart: half the work of a complex transform of the same length.
void RealFft::Forward(const float* samples, std::complex<float>* spectrum) {
  const int half = size_ / 2;
  for (int i = 0; i < half; ++i) work_[reversed_[i]] = {samples[2 * i], samples[2 * i + 1]};
  // Plain float arithmetic: std::complex's multiply checks for infinities
  // and NaNs on every call, which costs more than the transform itself.
  float* const w = reinterpret_cast<float*>(work_.data());
  const float* const t = reinterpret_cast<const float*>(twiddle_.data());
  for (int length = 2; length <= half; length <<= 1) {
    const int span = length / 2;
    const float* const twRe = stageRe_.data() + span - 1;
    const float* const twIm = stageIm_.data() + span - 1;
    for (int start = 0; start < half; start += length) {
      float* const e = w + 2 * start;
      float* const o = e + 2 * span;
      for (int k = 0; k < span; ++k) {
        const float tr = twRe[k], ti = twIm[k];
        const float xr = tr * o[2 * k] - ti * o[2 * k + 1], xi = tr * o[2 * k + 1] + ti * o[2 * k];
        o[2 * k] = e[2 * k] - xr;
        o[2 * k + 1] = e[2 * k + 1] - xi;
        e[2 * k] += xr;
        e[2 * k + 1] += xi;
      }
    }
  }
  spectrum[0] = {work_[0].real() + work_[0].imag(), 0.0f};
  spectrum[half] = {work_[0].real() - work_[0].imag(), 0.0f};
  for (int k = 1; k < half; ++k) {
    const float ar = w[2 * k], ai = w[2 * k + 1], br = w[2 * (half - k)], bi = -w[2 * (half - k) + 1];
    const float er = 0.5f * (ar + br), ei = 0.5f * (ai + bi);
    const float or_ = 0.5f * (ai - bi), oi = -0.5f * (ar - br);  // -i/2 (a - b)
    const float tr = t[2 * k], ti = t[2 * k + 1];
    spectrum[k] = {er + tr * or_ - ti * oi, ei + tr * oi + ti * or_};
  }
}
