// VBitmap::Convert and the elementary pixel operations it is made of. Each step
// applies the first rule that brings the bitmap closer to the target; targets
// the rules cannot reach are refused with both descriptors in the log.
#include <cstring>
#include <new>

#include "KolLog.h"
#include "VBitmap.h"

namespace {
constexpr int kMaxSteps = 21;
}  // namespace

bool VBitmap::Convertible() const {
  return pixels_ && depth != kB00 && width > 0 && height > 0;
}

template <typename Copy>
int VBitmap::Repack(int newBytesPerPixel, Copy copy) {
  const std::int64_t count = static_cast<std::int64_t>(width) * height;
  // Held to the same limit as an array read from a file: a grey image just
  // under it would otherwise grow fourfold on its way to 32 bits.
  std::unique_ptr<std::uint8_t[]> fresh = AllocatePixels(width, height, newBytesPerPixel);
  if (!fresh) return 1;  // the bitmap stays as it was; AllocatePixels said why
  const std::uint8_t* from = pixels_.get();
  std::uint8_t* to = fresh.get();
  const int oldBytesPerPixel = BytesPerPixel();
  for (std::int64_t i = 0; i < count; ++i, from += oldBytesPerPixel, to += newBytesPerPixel)
    copy(from, to);
  pixels_ = std::move(fresh);
  return 0;
}

int VBitmap::SwapRedBlue() {
  if (!Convertible()) return 1;
  if (depth != kB32 && depth != kB24) return 0;
  const int step = BytesPerPixel();
  std::uint8_t* p = pixels_.get();
  for (std::int64_t i = 0, n = static_cast<std::int64_t>(width) * height; i < n; ++i, p += step) {
    const std::uint8_t t = p[0];
    p[0] = p[2];
    p[2] = t;
  }
  return 0;
}

int VBitmap::MirrorRows() {
  if (!Convertible()) return 1;
  const int bytes = BytesPerPixel();
  if (bytes == 0) return 1;
  const std::int64_t rowBytes = static_cast<std::int64_t>(width) * bytes;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = pixels_.get() + y * rowBytes;
    for (int j = 0; j < width / 2; ++j) {
      std::uint8_t* a = row + static_cast<std::int64_t>(j) * bytes;
      std::uint8_t* b = row + static_cast<std::int64_t>(width - 1 - j) * bytes;
      for (int k = 0; k < bytes; ++k) {
        const std::uint8_t t = a[k];
        a[k] = b[k];
        b[k] = t;
      }
    }
  }
  return 0;
}

int VBitmap::FlipRows() {
  if (!Convertible()) return 1;
  const int bytes = BytesPerPixel();
  if (bytes == 0) return 1;
  const std::int64_t rowBytes = static_cast<std::int64_t>(width) * bytes;
  for (int i = 0; i < height / 2; ++i) {
    std::uint8_t* a = pixels_.get() + i * rowBytes;
    std::uint8_t* b = pixels_.get() + (height - 1 - i) * rowBytes;
    for (std::int64_t k = 0; k < rowBytes; ++k) {
      const std::uint8_t t = a[k];
      a[k] = b[k];
      b[k] = t;
    }
  }
  return 0;
}

int VBitmap::DropAlpha() {
  if (!Convertible() || depth != kB32) return 1;
  if (Repack(3, [](const std::uint8_t* f, std::uint8_t* t) { std::memcpy(t, f, 3); })) return 1;
  depth = kB24;
  alphaKind = kAlphaNone;
  return 0;
}

int VBitmap::AddAlpha() {
  if (!Convertible() || depth != kB24) return 1;
  // Opaque until a caller sets alpha.
  if (Repack(4, [](const std::uint8_t* f, std::uint8_t* t) {
        std::memcpy(t, f, 3);
        t[3] = 255;
      }))
    return 1;
  depth = kB32;
  return 0;
}

int VBitmap::GreyToRgb() {
  if (!Convertible() || depth != kB08 || order != kGray) return 1;
  if (Repack(3, [](const std::uint8_t* f, std::uint8_t* t) { t[0] = t[1] = t[2] = f[0]; }))
    return 1;
  depth = kB24;
  order = kRgb;
  return 0;
}

int VBitmap::RgbToGrey() {
  if (!Convertible() || depth != kB24) return 1;
  // Unweighted: the grey value is the first byte (red for RGB, blue for BGR).
  if (Repack(1, [](const std::uint8_t* f, std::uint8_t* t) { t[0] = f[0]; })) return 1;
  depth = kB08;
  order = kGray;
  return 0;
}

int VBitmap::Convert(const VBFormat& target) {
  const VBFormat entry(*this);
  if (Equals(target)) return 0;
  for (int steps = 0;; ++steps) {
    if (steps == kMaxSteps) {
      TheLog().Print("VBitmap::Convert: internal error.\n");
      return 1;
    }
    int result = 0;
    if (depth == kB08 && target.depth != kB08 && order == kGray && target.order != kGray) {
      result = GreyToRgb();
      if (result == 0 && target.order == kBgr) order = kBgr;  // g, g, g reads either way
    } else if (depth != kB08 && target.depth == kB08 && order != kGray &&
               target.order == kGray) {
      if (depth == kB32) result = DropAlpha();
      if (result == 0) result = RgbToGrey();
    } else if (depth == kB32 && target.depth == kB24) {
      result = DropAlpha();
    } else if (depth == kB24 && target.depth == kB32) {
      result = AddAlpha();
    } else if (order == kRgb && target.order == kBgr) {
      result = SwapRedBlue();
      if (result == 0) order = kBgr;
    } else if (order == kBgr && target.order == kRgb) {
      result = SwapRedBlue();
      if (result == 0) order = kRgb;
    } else if (horizontal != target.horizontal) {
      result = MirrorRows();
      if (result == 0) horizontal = target.horizontal;
    } else if (vertical != target.vertical) {
      result = FlipRows();
      if (result == 0) vertical = target.vertical;
    } else if (fileType == target.fileType) {
      if (name == target.name) {
        TheLog().Print("VBitmap::Convert: requested conversion is unimplemented\n");
        entry.PrintFormat();
        target.PrintFormat();
        return 1;
      }
      name = target.name;
    } else {
      fileType = target.fileType;
    }
    if (result != 0) return result;
    if (Equals(target)) return 0;
  }
}
