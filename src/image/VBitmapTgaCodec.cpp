#include "VBitmapTgaCodec.h"

#include <string>

#include "KolData.h"
#include "VBitmap.h"

namespace {
constexpr int kTypeTrueColour = 2;
constexpr int kTypeGrey = 3;
constexpr int kDescriptorRightToLeft = 0x10;
constexpr int kDescriptorTopDown = 0x20;

// The author's view of an image type the reader refuses.
std::string RefusedType(int type) {
  switch (type) {
    case 0: return "a TGA without image data (image type 0)";
    case 1: return "a colour-mapped (paletted) TGA (image type 1); save it as 24- or 32-bit true colour";
    case 9: return "a run-length encoded colour-mapped TGA (image type 9); save it uncompressed as 24- or 32-bit true colour";
    case 10: return "a run-length encoded TGA (image type 10); save it uncompressed";
    case 11: return "a run-length encoded grey TGA (image type 11); save it uncompressed";
    default: return "not a TGA file (image type " + std::to_string(type) + ")";
  }
}

}  // namespace

int VBitmapTgaCodec::Read() {
  if (ReadFully(header_, kHeaderSize)) {
    NoteImageLoadProblem(bitmap_.name, "cut short: shorter than the 18-byte TGA header");
    return 1;
  }
  // A TGA has no signature of its own; other formats' signatures are clear.
  const std::string other = ImageSignatureKind(header_, kHeaderSize);
  if (!other.empty()) {
    NoteImageLoadProblem(bitmap_.name, "holds " + other + " data, not TGA; convert it to a TGA (or a JPEG named .jpg)");
    return 1;
  }
  const int type = header_[2];
  if (type != kTypeTrueColour && type != kTypeGrey) {
    NoteImageLoadProblem(bitmap_.name, RefusedType(type));
    return 1;
  }
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
    std::string reason;
    if (pixelDepth == 15 || pixelDepth == 16)
      reason = "a " + std::to_string(pixelDepth) + "-bit TGA; save it as 24- or 32-bit";
    else if (pixelDepth == 8)
      reason = "an 8-bit true-colour TGA; save it as 24- or 32-bit, or as 8-bit grey";
    else if (alphaBits != 0)
      reason = "a " + std::to_string(pixelDepth) + "-bit TGA whose descriptor declares alpha bits (" +
               std::to_string(alphaBits) + "); save it without them and give the alpha as an AlphaMap";
    else
      reason = "a TGA of " + std::to_string(pixelDepth) + " bits per pixel; save it as 24- or 32-bit";
    NoteImageLoadProblem(bitmap_.name, reason);
    return 1;
  }

  // The image ID field (its length is header byte 0) sits between header and pixels.
  std::uint8_t id[255];
  if (header_[0] && ReadFully(id, header_[0])) {
    NoteImageLoadProblem(bitmap_.name, "cut short inside the TGA's image ID field");
    return 1;
  }

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
