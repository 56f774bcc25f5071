// Uncompressed TGA files: true-colour (24 or 32 bits) and 8-bit grey, either
// row order, either column order. Run-length encoded and colour-mapped files,
// and 16-bit pixels, are refused.
#pragma once

#include <cstdint>

#include "VBitmapRawCodec.h"

class VBitmapTgaCodec : public VBitmapRawCodec {
 public:
  using VBitmapRawCodec::VBitmapRawCodec;
  int Read() override;
  int Write() override;

  static constexpr int kHeaderSize = 18;

 private:
  std::uint8_t header_[kHeaderSize] = {};
};
