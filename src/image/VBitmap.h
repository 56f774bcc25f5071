// An image in memory with the descriptor it came from: built from a TGA, JPEG
// or raw file read through the default load source, or generated as a solid
// colour, with alpha added as a constant or from the grey values of a second
// image. Convert changes the pixel layout in place. Persistent, class "Bitmap".
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "VBFormat.h"

class KolData;

enum VBAlphaKind { kAlphaNone = 0, kAlphaConstant = 1, kAlphaMap = 2 };

class VBitmap : public VBFormat {
 public:
  // Pixel arrays larger than this are refused, whatever the file claims.
  static constexpr std::int64_t kMaxPixelBytes = 256LL * 1024 * 1024;

  VBitmap() = default;
  VBitmap(const VBitmap&) = delete;
  VBitmap& operator=(const VBitmap&) = delete;

  const char* ClassName() const override { return "Bitmap"; }
  std::unique_ptr<KolObject> Create() const override;
  int Transfer(KolData& data) override;
  int Build() override;

  static int DetectType(const char* name);
  int LoadFile(KolData& stream);
  int SetAlpha(float alpha);
  int SetAlpha(std::uint8_t value);
  int Attach(VBitmap& alphaMap);
  int Convert(const VBFormat& target);

  // The elementary conversions; each returns 0 or 1.
  int SwapRedBlue();
  int MirrorRows();
  int FlipRows();
  int DropAlpha();
  int AddAlpha();
  int GreyToRgb();
  int RgbToGrey();

  std::uint8_t* Pixels() const { return pixels_.get(); }
  // Bytes per pixel for the current depth (0 for B00).
  int BytesPerPixel() const;
  // Takes an array of width x height pixels in the current format.
  void SetPixels(std::unique_ptr<std::uint8_t[]> pixels) { pixels_ = std::move(pixels); }
  std::unique_ptr<std::uint8_t[]> TakePixels() { return std::move(pixels_); }

  // width x height x bytesPerPixel, checked: an uninitialised array, or null
  // with a log line when the size is not positive or over kMaxPixelBytes.
  static std::unique_ptr<std::uint8_t[]> AllocatePixels(int width, int height,
                                                         int bytesPerPixel);

  int alphaKind = kAlphaNone;
  VBFormat alphaMap;
  float alpha = 1.0f;
  float color[3] = {0.0f, 0.0f, 0.0f};  // red, green, blue of a generated bitmap

 private:
  bool Convertible() const;
  // Replaces the array by one of bytesPerPixel per pixel made by copy(old, new).
  template <typename Copy>
  int Repack(int newBytesPerPixel, Copy copy);

  std::unique_ptr<std::uint8_t[]> pixels_;
};

// Why the last image load failed, in words for the demo's author ("a
// run-length encoded TGA (image type 10)..."), kept by whichever step knew the
// cause. The author tools show it beside the log's single "can not load" line;
// it never adds log lines or records. LoadFile clears it when it starts.
struct ImageLoadProblem {
  std::string file;
  std::string reason;  // empty: the last load did not fail
};
const ImageLoadProblem& LastImageLoadProblem();
void ClearImageLoadProblem();
void NoteImageLoadProblem(const std::string& file, const std::string& reason);

// What kind of file the first bytes are by their signature ("PNG", "BMP",
// "JPEG", "GIF"), or empty when none is recognised.
const char* ImageSignatureKind(const std::uint8_t* bytes, int count);
