#include "VBitmap.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "KolData.h"
#include "KolLog.h"
#include "VBitmapJpegCodec.h"
#include "VBitmapRawCodec.h"
#include "VBitmapTgaCodec.h"

namespace {

// value x 255 truncated; values outside 0..1 (and NaN) are clamped first so the
// byte is always defined.
std::uint8_t UnitToByte(float value) {
  if (!(value > 0.0f)) return 0;
  if (value > 1.0f) return 255;
  return static_cast<std::uint8_t>(value * 255.0f);
}

bool EndsWith(const std::string& upper, const char* ending) {
  const size_t n = std::strlen(ending);
  return upper.size() >= n && upper.compare(upper.size() - n, n, ending) == 0;
}

ImageLoadProblem gImageLoadProblem;

}  // namespace

const ImageLoadProblem& LastImageLoadProblem() { return gImageLoadProblem; }

void ClearImageLoadProblem() { gImageLoadProblem = ImageLoadProblem(); }

void NoteImageLoadProblem(const std::string& file, const std::string& reason) {
  gImageLoadProblem.file = file;
  gImageLoadProblem.reason = reason;
}

const char* ImageSignatureKind(const std::uint8_t* b, int count) {
  if (count >= 8 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') return "PNG";
  if (count >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return "JPEG";
  if (count >= 4 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F' && b[3] == '8') return "GIF";
  if (count >= 2 && b[0] == 'B' && b[1] == 'M') return "BMP";
  return "";
}

std::unique_ptr<KolObject> VBitmap::Create() const { return std::make_unique<VBitmap>(); }

int VBitmap::Transfer(KolData& data) {
  // The first failure ends the transfer: a body cut short must not load as a
  // bitmap with some fields read and the rest left as they were.
  if (int r = VBFormat::Transfer(data)) return r;
  if (data.Storing()) {
    if (int r = data.WriteInt(alphaKind)) return r;
    if (int r = data.WriteFloat(alpha)) return r;
    if (int r = alphaMap.Transfer(data)) return r;
    if (fileType == kFileGenerated)
      for (float& c : color)
        if (int r = data.WriteFloat(c)) return r;
  } else {
    if (int r = data.ReadInt(alphaKind)) return r;
    if (int r = data.ReadFloat(alpha)) return r;
    if (int r = alphaMap.Transfer(data)) return r;
    if (fileType == kFileGenerated)
      for (float& c : color)
        if (int r = data.ReadFloat(c)) return r;
  }
  return 0;
}

int VBitmap::BytesPerPixel() const {
  switch (depth) {
    case kB08: return 1;
    case kB24: return 3;
    case kB32: return 4;
    default: return 0;
  }
}

std::unique_ptr<std::uint8_t[]> VBitmap::AllocatePixels(int w, int h, int bytesPerPixel) {
  if (w <= 0 || h <= 0 || bytesPerPixel <= 0) return nullptr;
  // Two factors below 2^31 cannot overflow 64 bits; the third is checked by
  // division, so the product is formed only once it is known to fit the limit.
  const std::int64_t count = static_cast<std::int64_t>(w) * h;
  if (count > kMaxPixelBytes / bytesPerPixel) {
    NoteImageLoadProblem(gImageLoadProblem.file,
                         std::to_string(w) + " x " + std::to_string(h) +
                             " pixels exceed the " + std::to_string(kMaxPixelBytes >> 20) +
                             " MiB image limit");
    TheLog().PrintLine("VBitmap: %dx%d pixels of %d bytes exceed the %lld MiB image limit", w,
                          h, bytesPerPixel, static_cast<long long>(kMaxPixelBytes >> 20));
    return nullptr;
  }
  std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[count * bytesPerPixel]);
  if (!pixels) TheLog().PrintError("Memory allocating error.");
  return pixels;
}

int VBitmap::DetectType(const char* fileName) {
  std::string upper(fileName ? fileName : "");
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper.size() > 4 && EndsWith(upper, ".TGA")) return kFileTga;
  if (upper.size() > 4 && EndsWith(upper, ".JPG")) return kFileJpeg;
  return kFileRaw;
}

int VBitmap::LoadFile(KolData& stream) {
  if (pixels_) return 1;
  if (fileType == kFileGenerated) return 0;
  // The codecs note their cause under this file's name.
  NoteImageLoadProblem(name, "");
  if (fileType == kFileUnknown) fileType = DetectType(name.c_str());
  std::unique_ptr<VBitmapCodec> codec;
  switch (fileType) {
    case kFileTga: codec = std::make_unique<VBitmapTgaCodec>(*this, stream); break;
    case kFileJpeg: codec = std::make_unique<VBitmapJpegCodec>(*this, stream); break;
    default: codec = std::make_unique<VBitmapRawCodec>(*this, stream); break;
  }
  int result = stream.OpenRead(name.c_str());
  if (result != 0) NoteImageLoadProblem(name, "the image is missing from the data, or cannot be read");
  if (result == 0) result = codec->Read();
  if (result == 0) result = stream.CloseFile();
  if (result != 0) {
    if (gImageLoadProblem.reason.empty()) NoteImageLoadProblem(name, "the image cannot be read");
    TheLog().Print("VBitmap: can not load <%s>\n", name.c_str());
  }
  // The stream is left open on failure; its owner closes it.
  return result;
}

int VBitmap::Build() {
  KolData stream(false);
  if (!stream.Backend()) return 1;
  if (pixels_) return 0;

  if (fileType == kFileGenerated && alphaKind == kAlphaMap) {
    // A solid colour shaped by the alpha map's grey values.
    CopyFormat(alphaMap);
    if (int r = LoadFile(stream)) return r;
    if (int r = Convert(WithCodes(kB08, kGray, horizontal, vertical))) return r;
    if (int r = Convert(WithCodes(kB32, kRgb, horizontal, vertical))) return r;
    const std::uint8_t rgb[3] = {UnitToByte(color[0]), UnitToByte(color[1]),
                                 UnitToByte(color[2])};
    std::uint8_t* p = pixels_.get();
    for (std::int64_t i = 0, n = static_cast<std::int64_t>(width) * height; i < n; ++i, p += 4) {
      p[3] = p[0];
      p[0] = rgb[0];
      p[1] = rgb[1];
      p[2] = rgb[2];
    }
    return 0;
  }

  if (fileType == kFileGenerated) {
    width = height = 1;
    order = kRgb;
    if (alphaKind == kAlphaNone) depth = kB24;
    const int bytes = BytesPerPixel();
    if (bytes < 3) return 1;  // a stored descriptor with a depth a colour cannot have
    pixels_.reset(new (std::nothrow) std::uint8_t[bytes]);
    if (!pixels_) return 1;
    pixels_[0] = UnitToByte(color[0]);
    pixels_[1] = UnitToByte(color[1]);
    pixels_[2] = UnitToByte(color[2]);
    if (bytes == 4) pixels_[3] = UnitToByte(alpha);
    return 0;
  }

  if (int r = LoadFile(stream)) return r;
  if (alphaKind == kAlphaConstant) return SetAlpha(alpha);
  if (alphaKind == kAlphaMap) {
    VBitmap map;
    map.CopyFormat(alphaMap);
    if (int r = map.LoadFile(stream)) return r;
    return Attach(map);
  }
  return 0;
}

int VBitmap::SetAlpha(float value) { return SetAlpha(UnitToByte(value)); }

int VBitmap::SetAlpha(std::uint8_t value) {
  if (!pixels_) return 1;
  if (depth != kB32) {
    if (int r = Convert(WithCodes(kB32, order == kGray ? kRgb : order, horizontal, vertical)))
      return r;
  }
  if (depth != kB32) return 1;
  std::uint8_t* p = pixels_.get();
  for (std::int64_t i = 0, n = static_cast<std::int64_t>(width) * height; i < n; ++i)
    p[i * 4 + 3] = value;
  return 0;
}

int VBitmap::Attach(VBitmap& map) {
  if (!pixels_ || !map.pixels_) return 1;
  if (width != map.width || height != map.height) {
    NoteImageLoadProblem(map.name, "the alpha map is " + std::to_string(map.width) + " x " +
                                       std::to_string(map.height) + " pixels, but the colour map " +
                                       name + " is " + std::to_string(width) + " x " +
                                       std::to_string(height) + ": both must have one size");
    TheLog().Print("can't attach images %s + %s; they have different resoulutions\n",
                      name.c_str(), map.name.c_str());
    return 1;
  }
  if (int r = Convert(WithCodes(kB32, order == kGray ? kRgb : order, horizontal, vertical)))
    return r;
  if (int r = map.Convert(map.WithCodes(kB08, kGray, horizontal, vertical))) return r;
  std::uint8_t* p = pixels_.get();
  const std::uint8_t* a = map.pixels_.get();
  for (std::int64_t i = 0, n = static_cast<std::int64_t>(width) * height; i < n; ++i)
    p[i * 4 + 3] = a[i];
  return 0;
}
