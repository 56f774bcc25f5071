// Object files (KolFile) with a class registry holding VBFormat and VBitmap,
// as the program's would. The input is the file "object.kol"; its objects are
// loaded as long as they come, stored again and loaded back (which must give
// the same descriptors), and then every bitmap among them is built, so the
// names, kinds and sizes a file gives reach the image codecs. The memory
// source also holds a few small images those names can point at: "a.tga"
// (4 x 4, 24 bits), "m.tga" (4 x 4 grey), "c.raw" (64 bytes) and "b.jpg"
// (8 x 8).
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "KolClassRegistry.h"
#include "KolData.h"
#include "KolDataMemory.h"
#include "KolFile.h"
#include "KolLog.h"
#include "VBitmap.h"
#include "VBitmapJpegCodec.h"

namespace {

constexpr int kMaxRoots = 16;

std::string Tga(int type, int bits, const std::vector<std::uint8_t>& pixels) {
  std::string out(18, '\0');
  out[2] = static_cast<char>(type);
  out[12] = 4;
  out[14] = 4;
  out[16] = static_cast<char>(bits);
  out.append(pixels.begin(), pixels.end());
  return out;
}

void PutSmallImages(KolDataMemory& files) {
  std::vector<std::uint8_t> colour(4 * 4 * 3), grey(4 * 4);
  for (std::size_t i = 0; i < colour.size(); ++i) colour[i] = static_cast<std::uint8_t>(i * 13);
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(i * 17);
  const std::string a = Tga(2, 24, colour), m = Tga(3, 8, grey);
  files.Put("a.tga", a.data(), a.size());
  files.Put("m.tga", m.data(), m.size());
  std::vector<std::uint8_t> raw(64);
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(255 - i * 3);
  files.Put("c.raw", raw.data(), raw.size());

  // The JPEG comes from our own encoder.
  VBitmap picture;
  picture.width = picture.height = 8;
  picture.depth = kB24;
  picture.order = kRgb;
  auto pixels = VBitmap::AllocatePixels(8, 8, 3);
  for (int i = 0; i < 8 * 8 * 3; ++i) pixels[i] = static_cast<std::uint8_t>(i * 5);
  picture.SetPixels(std::move(pixels));
  SetDefaultLoadSource(&files);
  SetDefaultStoreSource(&files);
  KolData stream(true);
  if (stream.OpenWrite("b.jpg") == 0) {
    VBitmapJpegCodec codec(picture, stream);
    codec.Write();
  }
  stream.CloseFile();
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Stores the objects as one file and loads them back: the descriptors must
// survive unchanged.
void RoundTrip(const std::vector<std::unique_ptr<KolObject>>& objects) {
  {
    KolFile out(true);
    if (out.OpenWrite("round.kol") != 0) return;
    for (const auto& o : objects) {
      KolObject* object = o.get();
      FUZZ_CHECK(out.TransferObject(object) == 0);
    }
    FUZZ_CHECK(out.CloseFile() == 0);
  }
  KolFile in(false);
  FUZZ_CHECK(in.OpenRead("round.kol") == 0);
  for (const auto& o : objects) {
    KolObject* back = nullptr;
    FUZZ_CHECK(in.TransferObject(back) == 0 && back);
    FUZZ_CHECK(std::strcmp(back->ClassName(), o->ClassName()) == 0);
    const auto* before = dynamic_cast<const VBFormat*>(o.get());
    const auto* after = dynamic_cast<const VBFormat*>(back);
    FUZZ_CHECK(before && after && before->Equals(*after));
    const auto* bitmapBefore = dynamic_cast<const VBitmap*>(o.get());
    const auto* bitmapAfter = dynamic_cast<const VBitmap*>(back);
    if (!bitmapBefore) continue;
    FUZZ_CHECK(bitmapAfter);
    FUZZ_CHECK(bitmapBefore->alphaKind == bitmapAfter->alphaKind);
    FUZZ_CHECK(SameBits(bitmapBefore->alpha, bitmapAfter->alpha));
    FUZZ_CHECK(bitmapBefore->alphaMap.Equals(bitmapAfter->alphaMap));
    if (bitmapBefore->fileType == kFileGenerated)
      for (int i = 0; i < 3; ++i)
        FUZZ_CHECK(SameBits(bitmapBefore->color[i], bitmapAfter->color[i]));
  }
  in.CloseFile();
}

// Every input starts from a fresh process's state, which has no classes
// registered yet: the program registers them at start, and so does this.
void ResetForObjectInput() {
  ResetForInput(&FuzzFiles(), &FuzzFiles());
  TheClassRegistry().Register(std::make_unique<VBFormat>());
  TheClassRegistry().Register(std::make_unique<VBitmap>());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  PutSmallImages(FuzzFiles());
  ResetForObjectInput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzFiles().Put("object.kol", data, size);
  ResetForObjectInput();

  std::vector<std::unique_ptr<KolObject>> objects;
  {
    KolFile file(false);
    if (file.OpenRead("object.kol") != 0) {
      file.CloseFile();
      return 0;
    }
    for (int i = 0; i < kMaxRoots; ++i) {
      KolObject* object = nullptr;
      if (file.TransferObject(object) != 0 || !object) break;
    }
    file.CloseFile();
    objects = file.TakeLoadedObjects();
  }
  for (const auto& o : objects) FUZZ_CHECK(o != nullptr);
  RoundTrip(objects);

  for (const auto& o : objects) {
    if (auto* format = dynamic_cast<VBFormat*>(o.get())) format->PrintFormat();
    auto* bitmap = dynamic_cast<VBitmap*>(o.get());
    if (!bitmap || bitmap->Build() != 0) continue;
    if (!bitmap->Pixels()) continue;
    bitmap->Convert(bitmap->WithCodes(kB32, kBgr, kLeft, kDown));
  }
  return 0;
}
