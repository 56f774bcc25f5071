// A radix-2 FFT of real input, for the music analysis of the author tools
// (the onset strength of a soundtrack). Built once per size, it then runs
// without allocating; it never touches anything but the buffers it is given.
#pragma once

#include <complex>
#include <vector>

class RealFft {
 public:
  // size: a power of two, at least 4.
  explicit RealFft(int size);
  int Size() const { return size_; }
  // The spectrum of size real samples: size / 2 + 1 bins, DC to Nyquist.
  // spectrum must hold that many.
  void Forward(const float* samples, std::complex<float>* spectrum);

 private:
  int size_;
  std::vector<int> reversed_;                 // bit reversal for size / 2 points
  std::vector<std::complex<float>> twiddle_;  // e^(-2 pi i k / size), k < size / 2
  // Each butterfly stage's twiddles in a row (stage of length L from L / 2 - 1
  // on), so the inner loop reads them in order.
  std::vector<float> stageRe_, stageIm_;
  std::vector<std::complex<float>> work_;
};
