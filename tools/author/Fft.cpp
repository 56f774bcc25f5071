#include "Fft.h"

#include <cmath>

RealFft::RealFft(int size) : size_(size), reversed_(size / 2), twiddle_(size / 2), work_(size / 2) {
  const int half = size / 2;
  for (int i = 0, j = 0; i < half; ++i) {
    reversed_[i] = j;
    int bit = half >> 1;
    for (; bit > 0 && (j & bit); bit >>= 1) j ^= bit;
    j |= bit;
  }
  for (int k = 0; k < half; ++k) {
    const double angle = -2.0 * M_PI * k / size;
    twiddle_[k] = {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
  }
}

// The real samples are taken as size / 2 complex ones (even samples real, odd
// imaginary), transformed in place, and the two interleaved spectra are then
// pulled apart: half the work of a complex transform of the same length.
void RealFft::Forward(const float* samples, std::complex<float>* spectrum) {
  const int half = size_ / 2;
  for (int i = 0; i < half; ++i) work_[reversed_[i]] = {samples[2 * i], samples[2 * i + 1]};
  for (int length = 2; length <= half; length <<= 1) {
    const int step = size_ / length;  // twiddles of the full size serve every stage
    for (int start = 0; start < half; start += length) {
      for (int k = 0; k < length / 2; ++k) {
        const std::complex<float> odd = twiddle_[k * step] * work_[start + k + length / 2];
        const std::complex<float> even = work_[start + k];
        work_[start + k] = even + odd;
        work_[start + k + length / 2] = even - odd;
      }
    }
  }
  spectrum[0] = {work_[0].real() + work_[0].imag(), 0.0f};
  spectrum[half] = {work_[0].real() - work_[0].imag(), 0.0f};
  for (int k = 1; k < half; ++k) {
    const std::complex<float> a = work_[k], b = std::conj(work_[half - k]);
    const std::complex<float> even = 0.5f * (a + b);
    const std::complex<float> odd = std::complex<float>(0.0f, -0.5f) * (a - b);
    spectrum[k] = even + twiddle_[k] * odd;
  }
}
