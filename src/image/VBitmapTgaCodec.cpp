#include "VBitmapTgaCodec.h"

#include "KolData.h"
#include "VBitmap.h"

namespace {
constexpr int kTypeTrueColour = 2;
constexpr int kTypeGrey = 3;
constexpr int kDescriptorRightToLeft = 0x10;
constexpr int kDescriptorTopDown = 0x20;
}  // namespace

int VBitmapTgaCodec::Read() {
  if (ReadFully(header_, kHeaderSize)) return 1;
  const int type = header_[2];
  if (type != kTypeTrueColour && type != kTypeGrey) return 1;
  const int width = header_[12] | header_[13] << 8;
  const int height = header_[14] | header_[15] << 8;
  const int pixelDepth = header_[16];
  const int descriptor = header_[17];
  const int alphaBits = descriptor & 7;

  int depth, order;
  if (pixelDepth == 24 && alphaBits == 0) {
    depth = kB24;
    order = kBgr;
  } else if (pixelDepth == 32 && alphaBits == 0) {
    depth = kB32;
    order = kBgr;
  } else if (pixelDepth == 8 && alphaBits == 0 && type == kTypeGrey) {
    depth = kB08;
    order = kGray;
  } else {
    return 1;
  }

  // The image ID field (its length is header byte 0) sits between header and pixels.
  std::uint8_t id[255];
  if (header_[0] && ReadFully(id, header_[0])) return 1;

  bitmap_.width = width;
  bitmap_.height = height;
  bitmap_.depth = depth;
  bitmap_.order = order;
  bitmap_.horizontal = descriptor & kDescriptorRightToLeft ? kRight : kLeft;
  bitmap_.vertical = descriptor & kDescriptorTopDown ? kUp : kDown;
  return ReadPixels();
}

int VBitmapTgaCodec::Write() {
  const std::uint8_t initial[kHeaderSize] = {0, 0, kTypeTrueColour, 0, 0, 0, 0, 0, 0, 0,
                                             0, 0, 0, 1,              0, 1, 24, 0};
  for (int i = 0; i < kHeaderSize; ++i) header_[i] = initial[i];

  VBitmap& b = bitmap_;
  const bool grey = b.order == kGray;
  const int depth = grey ? kB08 : (b.depth == kB08 ? kB24 : static_cast<int>(b.depth));
  if (int r = b.Convert(b.WithCodes(depth, grey ? kGray : kBgr, kLeft, kDown))) return r;

  if (b.width > 0xFFFF || b.height > 0xFFFF) return 1;  // the header holds 16 bits
  header_[12] = static_cast<std::uint8_t>(b.width);
  header_[13] = static_cast<std::uint8_t>(b.width >> 8);
  header_[14] = static_cast<std::uint8_t>(b.height);
  header_[15] = static_cast<std::uint8_t>(b.height >> 8);
  switch (b.depth) {
    case kB08: header_[16] = 8; break;
    case kB24: header_[16] = 24; break;
    case kB32: header_[16] = 32; break;
    default: return 1;
  }
  if (grey) header_[2] = kTypeGrey;
  if (int r = stream_.Write(header_, kHeaderSize)) return r;
  return WritePixels();
}
