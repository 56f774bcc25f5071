// Bitmaps and textures built from TGA files put together byte by byte and JPEG
// files made by libjpeg in memory, served from a directory or a zip archive.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <tuple>

#include <jpeglib.h>  // after <cstdio>: it needs FILE and size_t

#include "JpegEncoder.h"
#include "KolClassRegistry.h"
#include "KolData.h"
#include "KolFile.h"
#include "KolLog.h"
#include "TestSupport.h"
#include "VBitmap.h"
#include "VBitmapJpegCodec.h"
#include "VBitmapTgaCodec.h"
#include "VTex.h"

// While set, a single allocation larger than this fails instead of being made
// (array forms included: the sanitizer runtime would otherwise serve those).
static std::size_t gRefuseAbove = 0;
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return gRefuseAbove && size > gRefuseAbove ? nullptr : std::malloc(size ? size : 1);
}
void* operator new(std::size_t size) {
  if (void* p = operator new(size, std::nothrow)) return p;
#if __cpp_exceptions
  throw std::bad_alloc();
#else
  std::abort();  // wasm32 has no exceptions
#endif
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void* operator new[](std::size_t size) { return operator new(size); }
// Out of line, so the compiler does not take free() inside a delete for a mismatch.
[[gnu::noinline]] static void Release(void* p) noexcept { std::free(p); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;
const std::string kJpegFailure = "JPG error\nJPG read: recovery from error...\nJPG read: quit...\n";

Bytes PixelsOf(const VBitmap& b) {
  const std::uint8_t* p = b.Pixels();
  return p ? Bytes(p, p + static_cast<size_t>(b.width) * b.height * b.BytesPerPixel()) : Bytes();
}

// Width, height, depth, order, horizontal, vertical.
std::vector<int> Shape(const VBFormat& f) {
  return {f.width, f.height, f.depth, f.order, f.horizontal, f.vertical};
}

void Make(VBitmap& b, const std::vector<int>& shape, const Bytes& pixels) {
  b.width = shape[0];
  b.height = shape[1];
  b.CopyFormat(b.WithCodes(shape[2], shape[3], shape[4], shape[5]));
  b.SetPixels(std::make_unique<std::uint8_t[]>(pixels.size()));
  std::copy(pixels.begin(), pixels.end(), b.Pixels());
}

int BuildNamed(VBitmap& b, const std::string& name) {
  b.name = name;
  return b.Build();
}

std::string Tga(int type, int width, int height, int bits, int descriptor, const Bytes& pixels,
                const std::string& id = "") {
  return TgaFile(type, width, height, bits, descriptor, std::string(pixels.begin(), pixels.end()), id);
}

Bytes Noise(size_t size, unsigned seed) {
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
  return out;
}

// libjpeg's own decode of the bytes (rows top first); only for decodable data.
Bytes ReferenceDecode(const std::string& bytes, int* width = nullptr, bool grey = false) {
  jpeg_decompress_struct d;
  jpeg_error_mgr err;
  d.err = jpeg_std_error(&err);
  err.output_message = [](j_common_ptr) {};  // premature-end warnings are expected
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&d, TRUE);
  d.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(&d);
  if (width) *width = static_cast<int>(d.output_width);
  const size_t rowBytes = size_t{d.output_width} * d.output_components;
  Bytes out(rowBytes * d.output_height);
  for (JSAMPROW row; d.output_scanline < d.output_height; jpeg_read_scanlines(&d, &row, 1))
    row = &out[d.output_scanline * rowBytes];
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return out;
}

// The default load source for one test: the files in a fresh directory, or in a zip there.
struct FileSource {
  FileSource(const Files& files, bool zip) {
    std::vector<ZipMember> members;
    for (const auto& [name, bytes] : files)
      zip ? members.push_back({name, bytes}) : dir.Write(name, bytes);
    EXPECT_TRUE(!zip || WriteZip(dir.PathOf("data.zip"), members));
    const std::string path = zip ? dir.PathOf("data.zip") : dir.Path();
    EXPECT_EQ(0, store.Open(zip ? kKindArchive : kKindDirectory, path.c_str()));
    store.SetDefault(false);
  }
  TempDir dir;
  KolData store;
};

// A fresh directory that bitmaps are stored to and loaded from as objects.
struct ObjectStore : FileSource {
  ObjectStore() : FileSource({}, false) {
    SetDefaultStoreSource(DefaultLoadSource());
    TheClassRegistry().Register(std::make_unique<VBitmap>());
  }
  // Stores b as `name` and loads it back: a new bitmap that `in` keeps, or null.
  static VBitmap* RoundTrip(VBitmap& b, const char* name, KolFile& in) {
    KolObject* o = &b;
    KolFile out(true);
    if (out.OpenWrite(name) || out.TransferObject(o) || out.CloseFile() || in.OpenRead(name) ||
        in.TransferObject(o))
      return nullptr;
    auto* loaded = dynamic_cast<VBitmap*>(o);
    return loaded != &b ? loaded : nullptr;
  }
};

TEST(ImageTest, DetectTypeLooksAtTheEndingOnly) {
  const std::vector<std::pair<const char*, int>> cases = {
      {"x.tga", kFileTga}, {"X.TgA", kFileTga},      {"a.jpg", kFileJpeg}, {".tga", kFileRaw},
      {".jpg", kFileRaw},  {"photo.jpeg", kFileRaw}, {"a.raw", kFileRaw}};
  for (const auto& [name, type] : cases) EXPECT_EQ(type, VBitmap::DetectType(name)) << name;
}

TEST(ImageTest, TgaFilesLoadAsStoredOrAreRefusedWithTheirName) {
  const Bytes rgb = Noise(18, 1), rgba = Noise(24, 2), grey = Noise(6, 3), big = Noise(78000, 4);
  const std::vector<std::tuple<std::string, std::string, std::vector<int>, Bytes>> good = {
      {"down.tga", Tga(2, 3, 2, 24, 0x00, rgb), {3, 2, kB24, kBgr, kLeft, kDown}, rgb},
      {"up.tga", Tga(2, 3, 2, 24, 0x20, rgb), {3, 2, kB24, kBgr, kLeft, kUp}, rgb},
      {"alpha.TGA", Tga(2, 3, 2, 32, 0x08, rgba), {3, 2, kB32, kBgr, kLeft, kDown}, rgba},
      {"alphaup.tga", Tga(2, 3, 2, 32, 0x28, rgba), {3, 2, kB32, kBgr, kLeft, kUp}, rgba},
      {"grey.tga", Tga(3, 3, 2, 8, 0x00, grey), {3, 2, kB08, kGray, kLeft, kDown}, grey},
      {"right.tga", Tga(2, 3, 2, 24, 0x10, rgb), {3, 2, kB24, kBgr, kRight, kDown}, rgb},
      {"id.tga", Tga(2, 3, 2, 24, 0x20, rgb, "by hand"), {3, 2, kB24, kBgr, kLeft, kUp}, rgb},
      {"big.tga", Tga(3, 300, 260, 8, 0, big), {300, 260, kB08, kGray, kLeft, kDown}, big}};
  const std::string small = Tga(2, 2, 1, 24, 0, Noise(6, 5));
  const Files bad = {{"16bit.tga", Tga(2, 2, 1, 16, 0, Noise(4, 6))},
                     {"rle.tga", Tga(10, 2, 1, 24, 0, {0x81, 1, 2, 3})},
                     {"mapped.tga", Tga(1, 2, 1, 8, 0, {0, 1})},
                     {"grey2.tga", Tga(2, 2, 1, 8, 0, {0, 1})},
                     {"nowidth.tga", Tga(2, 0, 1, 24, 0, {})},
                     {"noheight.tga", Tga(2, 2, 0, 24, 0, {})},
                     {"header.tga", small.substr(0, 11)}, {"pixels.tga", small.substr(0, 23)},
                     // Over 256 MiB (or 32 bits) of pixels: refused before allocation.
                     {"huge.tga", Tga(2, 65535, 65535, 32, 0, Bytes(64, 0))},
                     {"over.tga", Tga(2, 16385, 4096, 32, 0x20, Bytes(64, 0))}};
  Files files = bad;
  for (const auto& c : good) files.push_back({std::get<0>(c), std::get<1>(c)});
  for (bool zip : {false, true}) {
    LogCapture log;
    FileSource source(files, zip);
    for (const auto& [name, file, shape, pixels] : good) {
      SCOPED_TRACE(name + (zip ? " from zip" : " from directory"));
      VBitmap b;
      ASSERT_EQ(0, BuildNamed(b, name));
      EXPECT_EQ(kFileTga, b.fileType);
      EXPECT_EQ(shape, Shape(b));
      EXPECT_EQ(pixels, PixelsOf(b));
    }
    std::string expected;
    for (const auto& [name, data] : bad) {
      VBitmap b;
      EXPECT_NE(0, BuildNamed(b, name)) << name;
      EXPECT_EQ(nullptr, b.Pixels()) << name;
      if (name == "huge.tga") expected += "VBitmap: 65535x65535 pixels of 4 bytes exceed the ";
      if (name == "over.tga") expected += "VBitmap: 16385x4096 pixels of 4 bytes exceed the ";
      if (name == "huge.tga" || name == "over.tga") expected += "256 MiB image limit\n";
      expected += "VBitmap: can not load <" + name + ">\n";
    }
    EXPECT_EQ(expected, log.Text()) << (zip ? "from zip" : "from directory");
  }
}

TEST(ImageTest, ConvertGivesTheExpectedBytesOrRefuses) {
  const Bytes px = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  // From shape and pixels to codes and pixels.
  const std::vector<std::tuple<std::vector<int>, Bytes, std::vector<int>, Bytes>> cases = {
      {{2, 2, kB24, kRgb, kLeft, kUp}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       {kB32, kBgr, kLeft, kDown}, {9, 8, 7, 255, 12, 11, 10, 255, 3, 2, 1, 255, 6, 5, 4, 255}},
      {{2, 1, kB08, kGray, kLeft, kDown}, {5, 200}, {kB32, kBgr, kLeft, kDown},
       {5, 5, 5, 255, 200, 200, 200, 255}},
      {{1, 1, kB32, kBgr, kLeft, kDown}, {10, 20, 30, 40}, {kB08, kGray, kLeft, kDown}, {10}},
      {{1, 1, kB32, kRgb, kLeft, kDown}, {1, 2, 3, 4}, {kB24, kRgb, kLeft, kDown}, {1, 2, 3}},
      {{3, 2, kB24, kRgb, kLeft, kUp}, px, {kB24, kRgb, kRight, kUp},
       {7, 8, 9, 4, 5, 6, 1, 2, 3, 16, 17, 18, 13, 14, 15, 10, 11, 12}},
      {{3, 2, kB24, kRgb, kLeft, kUp}, px, {kB24, kRgb, kLeft, kDown},
       {10, 11, 12, 13, 14, 15, 16, 17, 18, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {{2, 1, kB32, kBgr, kLeft, kDown}, {1, 2, 3, 4, 5, 6, 7, 8}, {kB32, kBgr, kRight, kDown},
       {5, 6, 7, 8, 1, 2, 3, 4}},
      {{2, 1, kB24, kBgr, kLeft, kDown}, px, {kB24, kBgr, kLeft, kDown}, {1, 2, 3, 4, 5, 6}}};
  LogCapture log;
  for (const auto& [from, pixels, to, expected] : cases) {
    SCOPED_TRACE(::testing::PrintToString(from) + " to " + ::testing::PrintToString(to));
    VBitmap b;
    Make(b, from, pixels);
    b.alphaKind = kAlphaMap;
    const std::uint8_t* before = b.Pixels();
    ASSERT_EQ(0, b.Convert(b.WithCodes(to[0], to[1], to[2], to[3])));
    EXPECT_EQ(std::vector<int>({from[0], from[1], to[0], to[1], to[2], to[3]}), Shape(b));
    EXPECT_EQ(expected, PixelsOf(b));
    // Only dropping the alpha bytes forgets where alpha came from.
    EXPECT_EQ(from[2] == kB32 && to[0] != kB32 ? kAlphaNone : kAlphaMap, b.alphaKind);
    EXPECT_TRUE(from != Shape(b) || before == b.Pixels());  // nothing to do, nothing done
  }
  EXPECT_EQ("", log.Text());
  VBitmap b;
  b.name = "a.jpg";
  b.fileType = kFileJpeg;
  Make(b, {256, 128, kB24, kRgb, kLeft, kUp}, Bytes(256 * 128 * 3, 9));
  VBFormat smaller = b;
  smaller.width = 32;
  EXPECT_EQ(1, b.Convert(smaller));
  EXPECT_EQ("VBitmap::Convert: requested conversion is unimplemented\n"
            "Format: 256x128, B24 RGB LEFT UP [2 1 0 0] 'a.jpg' (3)\n"
            "Format: 32x128, B24 RGB LEFT UP [2 1 0 0] 'a.jpg' (3)\n",
            log.Text());

  // No room for the wider array: refused with the allocation report, the bitmap as it was.
  TheLog().SetBufferOutput(true);
  const std::uint8_t* before = b.Pixels();
  gRefuseAbove = 256 * 128 * 3;
  const int result = b.Convert(b.WithCodes(kB32, kRgb, kLeft, kUp));
  gRefuseAbove = 0;
  EXPECT_EQ(1, result);
  EXPECT_EQ(before, b.Pixels());
  EXPECT_EQ(std::vector<int>({256, 128, kB24, kRgb, kLeft, kUp}), Shape(b));
  EXPECT_EQ("Error: Memory allocating error.", log.Text());
}

TEST(ImageTest, WrittenFilesReadBack) {
  LogCapture log;
  VBitmap b, solid;  // generated: one pixel of value x 255 truncated
  Make(b, {640, 480, kB32, kRgb, kRight, kUp}, {});  // Transfer leaves the pixels out
  b.name = "pic";
  b.fileType = solid.fileType = kFileGenerated;
  b.alphaKind = kAlphaConstant;
  b.alpha = 0.5f;
  b.color[0] = solid.color[0] = 1.0f;
  b.color[1] = solid.color[1] = 0.5f;
  b.alphaMap.order = kGray;
  b.alphaMap.name = "mask.jpg";
  EXPECT_EQ(1, b.Build());  // no default source: refused, silently
  ObjectStore source;
  KolFile objectsIn(false);
  VBitmap* loaded = source.RoundTrip(b, "o.kol", objectsIn);
  ASSERT_NE(nullptr, loaded);
  EXPECT_TRUE(loaded->Equals(b) && loaded->alphaMap.Equals(b.alphaMap));
  EXPECT_EQ(std::make_tuple(kAlphaConstant, 0.5f, 1.0f, 0.5f, 0.0f),
            std::make_tuple(loaded->alphaKind, loaded->alpha, loaded->color[0], loaded->color[1],
                            loaded->color[2]));
  ASSERT_EQ(0, loaded->Build());
  ASSERT_EQ(0, solid.Build());
  EXPECT_EQ(Bytes({255, 127, 0, 127}), PixelsOf(*loaded));
  EXPECT_EQ(Bytes({255, 127, 0}), PixelsOf(solid));
  EXPECT_EQ(std::vector<int>({1, 1, kB24, kRgb, kLeft, kDown}), Shape(solid));

  KolData out;
  out.Open(kKindDirectory, source.dir.Path().c_str());
  const auto write = [&](VBitmapCodec&& codec, const char* name) {
    EXPECT_EQ(0, out.OpenWrite(name));
    EXPECT_EQ(0, codec.Write());
    EXPECT_EQ(0, out.CloseFile());
    return source.dir.Read(name);
  };
  // TGA: BGR, bottom row first; grey as type 3.
  VBitmap rgb, grey, photo, back, fromJpeg;
  Make(rgb, {3, 2, kB24, kRgb, kLeft, kUp},
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19});
  const Bytes stored = {13, 12, 11, 16, 15, 14, 19, 18, 17, 3, 2, 1, 6, 5, 4, 9, 8, 7};
  EXPECT_EQ(Tga(2, 3, 2, 24, 0, stored), write(VBitmapTgaCodec(rgb, out), "rgb.tga"));
  ASSERT_EQ(0, BuildNamed(back, "rgb.tga"));
  EXPECT_EQ(stored, PixelsOf(back));
  Make(grey, {2, 2, kB08, kGray, kRight, kDown}, {1, 2, 3, 4});
  EXPECT_EQ(Tga(3, 2, 2, 8, 0, {2, 1, 4, 3}), write(VBitmapTgaCodec(grey, out), "g.tga"));
  // JPEG: top-down RGB at quality 100.
  const Bytes pixels = Noise(90 * 70 * 3, 9);
  Make(photo, {90, 70, kB24, kRgb, kLeft, kUp}, pixels);
  const std::string jpeg = write(VBitmapJpegCodec(photo, out), "p.jpg");
  EXPECT_EQ(EncodeJpeg(pixels, 90, 70, JCS_RGB, false, 100), jpeg);
  ASSERT_EQ(0, BuildNamed(fromJpeg, "p.jpg"));
  EXPECT_EQ(ReferenceDecode(jpeg), PixelsOf(fromJpeg));
  EXPECT_EQ("", log.Text());
}

TEST(ImageTest, PixelSizesAreCheckedBeforeTheyAreMultiplied) {
  LogCapture log;
  const std::string limit = " exceed the 256 MiB image limit\n";
  const int kMax = 0x7FFFFFFF, kMin = -0x7FFFFFFF - 1;
  struct Case { int width, height, bytes; bool limited; };
  for (const Case& c : {Case{kMax, kMax, 4, true}, Case{65536, 65536, 4, true},
                        Case{kMax, 2, 1, true}, Case{kMin, kMin, 4, false},
                        Case{kMin, 2, 4, false}, Case{0, kMax, 4, false},
                        Case{kMax, kMax, 0, false}, Case{kMax, kMax, -4, false}}) {
    SCOPED_TRACE(::testing::PrintToString(std::make_tuple(c.width, c.height, c.bytes)));
    TheLog().SetBufferOutput(true);
    EXPECT_EQ(nullptr, VBitmap::AllocatePixels(c.width, c.height, c.bytes));
    EXPECT_EQ(c.limited ? "VBitmap: " + std::to_string(c.width) + "x" + std::to_string(c.height) +
                              " pixels of " + std::to_string(c.bytes) + " bytes" + limit
                        : "",
              log.Text());
  }
  TheLog().SetBufferOutput(true);
  EXPECT_NE(nullptr, VBitmap::AllocatePixels(8192, 8192, 4));  // exactly the limit
  EXPECT_EQ("", log.Text());

  // A stored raw bitmap claiming two huge dimensions: the limit is what the user sees.
  ObjectStore source;
  source.dir.Write("huge.raw", std::string(64, '\0'));
  VBitmap stored;
  stored.name = "huge.raw";
  stored.fileType = kFileRaw;
  stored.width = stored.height = kMax;
  stored.CopyFormat(stored.WithCodes(kB32, kBgr, kLeft, kDown));
  KolFile in(false);
  VBitmap* loaded = source.RoundTrip(stored, "huge.kol", in);
  ASSERT_NE(nullptr, loaded);
  EXPECT_EQ(std::make_tuple(kMax, kMax), std::make_tuple(loaded->width, loaded->height));
  EXPECT_NE(0, loaded->Build());
  EXPECT_EQ(nullptr, loaded->Pixels());
  EXPECT_EQ("VBitmap: 2147483647x2147483647 pixels of 4 bytes" + limit +
                "VBitmap: can not load <huge.raw>\n",
            log.Text());
}

TEST(ImageTest, StoredBitmapsCutShortFailToLoad) {
  LogCapture log;
  ObjectStore source;
  VBitmap b;
  b.name = "pic";
  b.fileType = kFileGenerated;
  b.alphaKind = kAlphaMap;
  b.alpha = 0.25f;
  b.alphaMap.name = "mask.tga";
  b.alphaMap.width = 12;
  b.color[2] = 0.75f;
  KolFile first(false);
  const VBitmap* back = source.RoundTrip(b, "whole.kol", first);
  ASSERT_NE(nullptr, back);
  EXPECT_TRUE(back->Equals(b) && back->alphaMap.Equals(b.alphaMap));
  EXPECT_EQ(std::make_tuple(kAlphaMap, 0.25f, 0.0f, 0.0f, 0.75f),
            std::make_tuple(back->alphaKind, back->alpha, back->color[0], back->color[1],
                            back->color[2]));
  EXPECT_EQ("", log.Text());
  const std::string whole = source.dir.Read("whole.kol");
  // The header: magic, class count, the class listed, its end; then the object's id and class.
  const size_t body = 4 + 4 + 4 + 7 + 4 + 8;
  ASSERT_LT(body, whole.size());
  for (size_t size = body; size < whole.size(); ++size) {
    SCOPED_TRACE(size);
    TheLog().SetBufferOutput(true);
    source.dir.Write("cut.kol", whole.substr(0, size));
    KolFile in(false);
    ASSERT_EQ(0, in.OpenRead("cut.kol"));
    KolObject* loaded = nullptr;
    EXPECT_NE(0, in.TransferObject(loaded));
    EXPECT_EQ(nullptr, loaded);
    EXPECT_EQ("ERROR: KolFile: Object Loader: (1)\n", log.Text());
  }
}

// Loads name and compares it with libjpeg's own decode of the same bytes.
void ExpectDecodesLikeLibjpeg(const std::string& name, const std::string& bytes) {
  SCOPED_TRACE(name);
  const bool grey = name.find("grey") != std::string::npos;
  int width = 0;
  const Bytes pixels = ReferenceDecode(bytes, &width, grey);
  VBitmap b;
  ASSERT_EQ(0, BuildNamed(b, name));
  EXPECT_EQ(kFileJpeg, b.fileType);
  const int height = static_cast<int>(pixels.size() / (grey ? 1 : 3) / width);
  EXPECT_EQ(std::vector<int>({width, height, grey ? kB08 : kB24, grey ? kGray : kRgb, kLeft, kUp}),
            Shape(b));
  EXPECT_EQ(pixels, PixelsOf(b));
}

TEST(ImageTest, JpegDecodesLikeLibjpegOrFailsAndLaterLoadsStillWork) {
  const std::string small = EncodeJpeg(Noise(8 * 8 * 3, 5), 8, 8);
  // Many chunks, and a marker the library skips across chunk boundaries.
  const std::string large = EncodeJpeg(Noise(160 * 120 * 3, 4), 160, 120, JCS_RGB, false, 90, 9000);
  ASSERT_TRUE(small.size() < 4096 && large.size() > 3 * 4096 && large.size() % 4096 != 0);
  const Files files = {
      {"colour.jpg", EncodeJpeg(Noise(37 * 23 * 3, 1), 37, 23)},
      {"grey.JPG", EncodeJpeg(Noise(40 * 9, 2), 40, 9, JCS_GRAYSCALE)},
      {"progressive.jpg", EncodeJpeg(Noise(50 * 30 * 3, 3), 50, 30, JCS_RGB, true)},
      {"large.jpg", large},
      {"small.jpg", small},
      {"exact.jpg", small + std::string(4096 - small.size(), '\0')},  // padded to one chunk
      {"cut.jpg", large.substr(0, large.size() * 2 / 3)},             // decodes, rows missing
      {"cmyk.jpg", EncodeJpeg(Noise(16 * 16 * 4, 8), 16, 16, JCS_CMYK)},
      {"empty.jpg", ""}};
  for (bool zip : {false, true}) {
    SCOPED_TRACE(zip ? "zip" : "directory");
    LogCapture log;
    FileSource source(files, zip);
    for (size_t i = 0; i < 7; ++i) ExpectDecodesLikeLibjpeg(files[i].first, files[i].second);
    EXPECT_NE(ReferenceDecode(large), ReferenceDecode(files[6].second));
    std::string expected;
    for (const std::string name : {"cmyk.jpg", "empty.jpg"}) {
      VBitmap b;
      EXPECT_EQ(1, BuildNamed(b, name));
      EXPECT_EQ(nullptr, b.Pixels());
      expected += kJpegFailure + "VBitmap: can not load <" + name + ">\n";
      EXPECT_EQ(expected, log.Text());
      ExpectDecodesLikeLibjpeg("small.jpg", small);
    }
  }
}

// Texels (B, G, R, A; bottom row first) of a top-down 12 x 6 RGB picture and alpha plane.
Bytes TexelsOf(const Bytes& rgb, const Bytes& alpha) {
  Bytes out;
  for (size_t r = 6; r-- > 0;)
    for (size_t i = r * 12; i < r * 12 + 12; ++i)
      out.insert(out.end(), {rgb[i * 3 + 2], rgb[i * 3 + 1], rgb[i * 3], alpha[i]});
  return out;
}

// Width, height and texels of a texture of colour (0, 0.5, 1) or a colour map, and an alpha.
std::tuple<int, int, Bytes> Load(const std::string& colorMap, const std::string& alphaMap,
                                 float alpha = 1.0f) {
  VTex t;
  t.colorMap = colorMap;
  t.alphaMap = alphaMap;
  t.color[0] = 0.0f;
  t.color[1] = 0.5f;
  t.alpha = alpha;
  t.Load();
  const std::uint8_t* p = t.Texels();
  return {t.width, t.height,
          p ? Bytes(p, p + static_cast<size_t>(t.width) * t.height * 4) : Bytes()};
}

TEST(ImageTest, TexturesFromConstantsOrMapsAndTheirFailures) {
  const std::string jpeg = EncodeJpeg(Noise(12 * 6 * 3, 11), 12, 6);
  const Bytes rgb = ReferenceDecode(jpeg), mask = Noise(72, 12);
  Bytes solid, alpha;  // the constant colour; the mask (stored bottom row first) top down
  for (int i = 0; i < 72; ++i) solid.insert(solid.end(), {0, 127, 255});
  for (int r = 5; r >= 0; --r) alpha.insert(alpha.end(), &mask[r * 12], &mask[r * 12 + 12]);
  const Files files = {{"c.jpg", jpeg},
                       {"a.tga", Tga(3, 12, 6, 8, 0x00, mask, "mask")},
                       {"big.tga", Tga(3, 4, 4, 8, 0, Bytes(16, 1))},
                       {"cmyk.jpg", EncodeJpeg(Noise(8 * 8 * 4, 1), 8, 8, JCS_CMYK)}};
  const std::vector<std::tuple<std::string, std::string, std::string>> failures = {
      {"c.jpg", "big.tga",
       "can't attach images c.jpg + big.tga; they have different resoulutions\n"},
      {"cmyk.jpg", "", kJpegFailure + "VBitmap: can not load <cmyk.jpg>\n"}};
  for (bool zip : {false, true}) {
    SCOPED_TRACE(zip ? "zip" : "directory");
    LogCapture log;
    FileSource source(files, zip);
    EXPECT_EQ(std::make_tuple(1, 1, Bytes({255, 127, 0, 127})), Load("", "", 0.5f));
    EXPECT_EQ(std::make_tuple(12, 6, TexelsOf(rgb, Bytes(72, 255))), Load("c.jpg", "", 2.0f));
    EXPECT_EQ(std::make_tuple(12, 6, TexelsOf(rgb, Bytes(72, 0))), Load("c.jpg", "", -1.0f));
    EXPECT_EQ(std::make_tuple(12, 6, TexelsOf(solid, alpha)), Load("", "a.tga"));
    EXPECT_EQ(std::make_tuple(12, 6, TexelsOf(rgb, alpha)), Load("c.jpg", "a.tga"));
    EXPECT_EQ("", log.Text());
    // A failure leaves no texels and the old size, and is reported; the next load works.
    std::string expected;
    for (const auto& [colour, map, line] : failures) {
      EXPECT_EQ(std::make_tuple(256, 256, Bytes()), Load(colour, map));
      expected += line + "Error: Can't load texture\n";
      EXPECT_EQ(expected, log.Text());
      const KolLogRecord& r = TheLog().Record(log.Records() - 1);
      EXPECT_EQ(std::make_tuple(2, 8, std::string("VTex"), 1, std::string("Can't load texture")),
                std::make_tuple(r.kind, r.moduleCode, r.moduleName, r.detailCode, r.text));
      EXPECT_EQ(std::make_tuple(12, 6, TexelsOf(rgb, Bytes(72, 255))), Load("c.jpg", ""));
    }
    EXPECT_EQ(2, log.Records());
  }
}

}  // namespace
