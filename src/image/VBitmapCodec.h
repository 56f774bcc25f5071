// A reader and writer of one image file type, made for one bitmap and one open
// stream: Read fills the bitmap's descriptor and pixels, Write stores it.
#pragma once

#include <cstdint>

class KolData;
class VBitmap;

class VBitmapCodec {
 public:
  VBitmapCodec(VBitmap& bitmap, KolData& stream) : bitmap_(bitmap), stream_(stream) {}
  virtual ~VBitmapCodec() = default;

  virtual int Read() = 0;   // 0 or 1
  virtual int Write() = 0;  // 0 or non-zero

 protected:
  // Reads exactly size bytes, however the stream delivers them; 1 if it ends first.
  int ReadFully(void* bytes, std::int64_t size);

  VBitmap& bitmap_;
  KolData& stream_;
};
