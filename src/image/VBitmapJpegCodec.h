// JPEG files through libjpeg (version 62 interface). Compressed bytes move
// between the library and the open KolData stream in 4096-byte chunks through
// source and destination managers of our own; any fatal library error ends the
// one decode or encode with log lines and result 1, and the program carries on.
#pragma once

#include "VBitmapCodec.h"

class VBitmapJpegCodec : public VBitmapCodec {
 public:
  using VBitmapCodec::VBitmapCodec;
  // Decodes into B08 GRAY or B24 RGB, LEFT, UP.
  int Read() override;
  // Converts the bitmap to B24 RGB (or keeps grey) LEFT UP, then encodes at quality 100.
  int Write() override;

  static constexpr int kChunkSize = 4096;
};
