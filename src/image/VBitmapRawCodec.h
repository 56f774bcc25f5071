// Headerless pixel files: width x height pixels in the bitmap's own format,
// which must be known before reading (from a stored descriptor).
#pragma once

#include "VBitmapCodec.h"

class VBitmapRawCodec : public VBitmapCodec {
 public:
  using VBitmapCodec::VBitmapCodec;
  int Read() override;
  int Write() override;

  // Reads the pixel array for the bitmap's current descriptor.
  int ReadPixels();
  int WritePixels();

 private:
  int RawBytesPerPixel() const;
};
