// TGA, JPEG and raw decoding through VBitmap::Build, with the memory source as
// the default load source. The first eight bytes of the input are settings,
// the rest is the image file:
//   byte 0: bits 0-1 the file kind (TGA, JPEG, raw, or a generated colour
//           shaped by an alpha map), bits 2-3 the alpha (none, constant, map),
//           bits 4-5 the alpha map's kind (TGA, JPEG, raw, or the image's
//           own), bits 6-7 the conversion tried after a successful build
//   bytes 1-4: width and height of a raw image (16 bits each, little-endian)
//   byte 5: depth (bits 0-1) and channel order (bits 2-3) of a raw image
//   byte 6: the constant alpha, in 256ths
//   byte 7: how many bytes of the file the alpha map leaves out at its end
// A texture's alpha map is usually a second picture of the same size; here it
// is the same bytes, cut short or not, so sizes match and differ alike.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "KolDataMemory.h"
#include "VBitmap.h"

namespace {

constexpr std::size_t kSettings = 8;

const char* const kNames[] = {"image.tga", "image.jpg", "image.raw"};
const char* const kMapNames[] = {"map.tga", "map.jpg", "map.raw"};

// The file type follows from the name's extension, as for a texture's images;
// a raw image takes its size and codes from the settings.
void SetRawCodes(VBFormat& format, const std::uint8_t* settings) {
  if (VBitmap::DetectType(format.name.c_str()) != kFileRaw) return;
  format.width = settings[1] | settings[2] << 8;
  format.height = settings[3] | settings[4] << 8;
  format.depth = settings[5] & 3;
  format.order = (settings[5] >> 2) & 3;  // 3 is no order at all
}

// A raw image's size comes from the settings and an uncompressed TGA's from
// its header, not from how many bytes follow, so most inputs would have the
// codec allocate (and the sanitizer poison) up to the whole image limit only
// to find the file short. While fuzzing, such sizes between 64 KiB (four times
// the largest input) and the limit are passed over: short files are still met
// with smaller sizes, and sizes over the limit are refused before any
// allocation.
bool IsLargeButAccepted(std::int64_t width, std::int64_t height) {
  const std::int64_t pixels = width * height;  // one to four bytes each
  return pixels * 4 > (std::int64_t{1} << 16) && pixels <= VBitmap::kMaxPixelBytes;
}

bool PassOverLargeImage(const std::uint8_t* data, std::size_t size) {
  if (FuzzFull()) return false;
  const int kind = data[0] & 3, alpha = (data[0] >> 2) & 3, mapBits = (data[0] >> 4) & 3;
  const bool hasMap = alpha == kAlphaMap || kind == 3;
  const int mapType = mapBits == 3 ? kind % 3 : mapBits;
  const auto uses = [&](int type) { return kind == type || (hasMap && mapType == type); };
  constexpr int kTga = 0, kRaw = 2;  // the file kinds' numbers in the settings
  if (uses(kRaw) && IsLargeButAccepted(data[1] | data[2] << 8, data[3] | data[4] << 8)) return true;
  const std::uint8_t* tga = data + kSettings;  // width and height at bytes 12 and 14
  return uses(kTga) && size >= kSettings + 16 &&
         IsLargeButAccepted(tga[12] | tga[13] << 8, tga[14] | tga[15] << 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kSettings || PassOverLargeJpeg(data, size) || PassOverLargeImage(data, size)) return 0;
  const std::uint8_t* file = data + kSettings;
  const std::size_t fileSize = size - kSettings;
  const int kind = data[0] & 3;
  const int alpha = (data[0] >> 2) & 3;
  const int conversion = data[0] >> 6;
  const std::size_t cut = data[7] < fileSize ? data[7] : fileSize;

  ClearFilesAfterInput clear;
  ResetForInput(&FuzzFiles());
  VBitmap bitmap;
  if (kind < 3) {
    bitmap.name = kNames[kind];
    FuzzFiles().Put(bitmap.name.c_str(), file, fileSize);
    SetRawCodes(bitmap, data);
  } else {
    bitmap.fileType = kFileGenerated;
    bitmap.color[0] = data[6] / 255.0f;
    bitmap.color[2] = 1.0f - data[6] / 255.0f;
  }
  if (alpha == kAlphaConstant) {
    bitmap.alphaKind = kAlphaConstant;
    bitmap.alpha = data[6] / 256.0f;
  } else if (alpha == kAlphaMap || kind == 3) {
    const int mapBits = (data[0] >> 4) & 3;
    const int mapType = mapBits == 3 ? kind % 3 : mapBits;
    bitmap.alphaKind = kAlphaMap;
    bitmap.alphaMap.name = kMapNames[mapType];
    FuzzFiles().Put(bitmap.alphaMap.name.c_str(), file, fileSize - cut);
    SetRawCodes(bitmap.alphaMap, data);
  }

  if (bitmap.Build() != 0) return 0;
  FUZZ_CHECK(bitmap.Pixels() != nullptr);
  FUZZ_CHECK(bitmap.width > 0 && bitmap.height > 0);
  FUZZ_CHECK(static_cast<std::int64_t>(bitmap.width) * bitmap.height * bitmap.BytesPerPixel() <=
             VBitmap::kMaxPixelBytes);
  // What a texture does next, or another layout.
  static const int kTargets[4][4] = {{kB32, kBgr, kLeft, kDown},
                                     {kB08, kGray, kLeft, kUp},
                                     {kB24, kRgb, kRight, kDown},
                                     {kB32, kRgb, kRight, kUp}};
  const int* target = kTargets[conversion];
  if (bitmap.Convert(bitmap.WithCodes(target[0], target[1], target[2], target[3])) == 0) {
    FUZZ_CHECK(bitmap.depth == target[0]);
    FUZZ_CHECK(bitmap.Pixels() != nullptr);
  }
  return 0;
}
