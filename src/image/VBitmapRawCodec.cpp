#include "VBitmapRawCodec.h"

#include <string>

#include "KolData.h"
#include "VBitmap.h"

int VBitmapRawCodec::RawBytesPerPixel() const {
  if (bitmap_.order == kGray) return 1;
  if (bitmap_.depth == kB24) return 3;
  if (bitmap_.depth == kB32) return 4;
  return 0;
}

int VBitmapRawCodec::Read() {
  if (bitmap_.width <= 0 || bitmap_.height <= 0) {
    // A name without .tga or .jpg lands here with no size to read by; its
    // first bytes tell what the author meant it to be.
    std::uint8_t first[8] = {};
    int delivered = 0;
    stream_.ReadCounted(first, sizeof first, delivered);
    const std::string kind = ImageSignatureKind(first, delivered);
    std::string reason =
        "only names ending in .jpg or .tga are read as images; this one is taken for a raw pixel "
        "file, which needs its size from elsewhere";
    if (!kind.empty()) reason += " (it holds " + kind + " data: convert it to JPEG or TGA)";
    NoteImageLoadProblem(bitmap_.name, reason);
    return 1;
  }
  return ReadPixels();
}
int VBitmapRawCodec::Write() { return WritePixels(); }

int VBitmapRawCodec::ReadPixels() {
  const int bytes = RawBytesPerPixel();
  if (bytes == 0 || bitmap_.width <= 0 || bitmap_.height <= 0 || bitmap_.Pixels()) return 1;
  auto pixels = VBitmap::AllocatePixels(bitmap_.width, bitmap_.height, bytes);
  if (!pixels) return 1;
  const std::int64_t size = static_cast<std::int64_t>(bitmap_.width) * bitmap_.height * bytes;
  if (ReadFully(pixels.get(), size)) {
    NoteImageLoadProblem(bitmap_.name, "cut short: " + std::to_string(bitmap_.width) + " x " +
                                           std::to_string(bitmap_.height) + " pixels need " +
                                           std::to_string(size) +
                                           " bytes of pixel data, and the file ends before");
    return 1;
  }
  // Grey files hold one byte per pixel whatever the depth code says; make the
  // descriptor say so too, so later steps never walk the array with a wider step.
  if (bitmap_.order == kGray) bitmap_.depth = kB08;
  bitmap_.SetPixels(std::move(pixels));
  return 0;
}

int VBitmapRawCodec::WritePixels() {
  const int bytes = RawBytesPerPixel();
  if (bytes == 0 || bitmap_.width <= 0 || bitmap_.height <= 0 || !bitmap_.Pixels()) return 1;
  const std::int64_t size = static_cast<std::int64_t>(bitmap_.width) * bitmap_.height * bytes;
  if (size > VBitmap::kMaxPixelBytes) return 1;
  return stream_.Write(bitmap_.Pixels(), static_cast<int>(size));
}
