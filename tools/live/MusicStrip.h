// The music under solvane-live's timeline as pixels: the waveform above, the
// spectrogram below in a perceptual colour map (magma). Columns lie on a grid
// of fixed length from the start of the music, so as the view scrolls at one
// zoom level only the columns that come into view are computed; the rest is
// a copy. The overlay then costs a blit a frame, not a pass over the song.
#pragma once

#include <cstdint>
#include <vector>

#include "MusicView.h"

class MusicStrip {
 public:
  explicit MusicStrip(const MusicView& view) : view_(view) {}

  // width x height pixels (0x00RRGGBB, rows top to bottom) for the columns
  // firstColumn.. of columnSeconds each: column c covers [c, c + 1) x
  // columnSeconds. Valid until the next call.
  const std::uint32_t* Draw(long long firstColumn, double columnSeconds, int width, int height);
  // How many columns the last Draw computed (the rest it kept).
  int ColumnsComputed() const { return computed_; }

 private:
  void DrawColumn(int x, long long column);

  const MusicView& view_;
  std::vector<std::uint32_t> pixels_;
  long long firstColumn_ = 0;
  double columnSeconds_ = 0.0;
  int width_ = 0, height_ = 0;
  int computed_ = 0;
};
