// The music as solvane-live's timeline shows it: a waveform (peak and RMS per
// column) and a spectrogram (bands on a log frequency scale), for any time
// range at any width. The spectrogram's frames are computed once, when the
// samples are given (off the frame loop); the columns are cheap reads of them
// and of the samples. Portable, free of globals and of drawing.
#pragma once

#include <cstdint>
#include <vector>

#include "MusicDecode.h"

struct WaveColumn {
  float peak = 0.0f;  // the largest magnitude in the column
  float rms = 0.0f;   // the root of the mean square
};

class MusicView {
 public:
  static constexpr int kBands = 48;  // spectrogram rows, lowest frequency first

  // Takes the samples and computes the spectrogram's frames.
  void SetMusic(MusicPcm pcm);
  bool Empty() const { return pcm_.rate <= 0 || pcm_.mono.empty(); }
  double Seconds() const { return Empty() ? 0.0 : static_cast<double>(pcm_.mono.size()) / pcm_.rate; }

  // Column i of width covers [start + i * w, start + (i + 1) * w) seconds, w =
  // (end - start) / width: its samples, or the one at its start when it is
  // narrower than a sample. Columns outside the music are silent.
  WaveColumn WaveAt(double start, double end, int width, int column) const;
  std::vector<WaveColumn> WaveColumns(double start, double end, int width) const;
  // The spectrogram of the same column, kBands levels 0..255 (quiet to the
  // loudest the music gets): the loudest frame whose centre lies in the
  // column, or the nearest frame when none does.
  void SpectrumAt(double start, double end, int width, int column, std::uint8_t* bands) const;

 private:
  MusicPcm pcm_;
  int frameHop_ = 1;                  // samples between frame centres
  std::vector<std::uint8_t> frames_;  // kBands a frame
};
