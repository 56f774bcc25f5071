// Helpers for the image tests: TGA files put together byte by byte, JPEG files
// made and decoded by libjpeg in memory, and a default load source serving a
// set of files from a directory or from a zip archive.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>  // after <cstdio>: it needs FILE and size_t

#include "KolData.h"
#include "TestSupport.h"
#include "VBitmap.h"

using Bytes = std::vector<std::uint8_t>;
using Files = std::vector<std::pair<std::string, std::string>>;

inline Bytes PixelsOf(const VBitmap& b) {
  if (!b.Pixels()) return {};
  const size_t size = static_cast<size_t>(b.width) * b.height * b.BytesPerPixel();
  return Bytes(b.Pixels(), b.Pixels() + size);
}

// Gives b the size, codes and pixels.
inline void Make(VBitmap& b, int width, int height, int depth, int order, int horizontal,
                 int vertical, const Bytes& pixels) {
  b.width = width;
  b.height = height;
  b.depth = depth;
  b.order = order;
  b.horizontal = horizontal;
  b.vertical = vertical;
  std::unique_ptr<std::uint8_t[]> p(new std::uint8_t[pixels.size()]);
  std::copy(pixels.begin(), pixels.end(), p.get());
  b.SetPixels(std::move(p));
}

inline std::vector<int> CodesOf(const VBFormat& f) {
  return {f.depth, f.order, f.horizontal, f.vertical};
}

// An uncompressed TGA: 18-byte header, optional image ID, pixels as given.
inline std::string Tga(int type, int width, int height, int bits, int descriptor,
                       const Bytes& pixels, const std::string& id = "") {
  Bytes h(18, 0);
  h[0] = static_cast<std::uint8_t>(id.size());
  h[2] = static_cast<std::uint8_t>(type);
  h[12] = static_cast<std::uint8_t>(width);
  h[13] = static_cast<std::uint8_t>(width >> 8);
  h[14] = static_cast<std::uint8_t>(height);
  h[15] = static_cast<std::uint8_t>(height >> 8);
  h[16] = static_cast<std::uint8_t>(bits);
  h[17] = static_cast<std::uint8_t>(descriptor);
  return std::string(h.begin(), h.end()) + id + std::string(pixels.begin(), pixels.end());
}

// Deterministic picture content: a gradient with some noise on top.
inline Bytes Pattern(int width, int height, int components, unsigned seed) {
  Bytes out(static_cast<size_t>(width) * height * components);
  for (size_t i = 0; i < out.size(); ++i) {
    seed = seed * 1103515245u + 12345u;
    const size_t pixel = i / components;
    out[i] = static_cast<std::uint8_t>(pixel % width * 7 + pixel / width * 5 + i % components * 60 +
                                       (seed >> 16) % 48);
  }
  return out;
}

struct JpegOptions {
  J_COLOR_SPACE space = JCS_RGB;  // of the input: JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
  bool progressive = false;
  int quality = 90;
  bool forceBaseline = false;
  int appBytes = 0;  // size of an APP9 marker the decoder has to skip
};

inline std::string EncodeJpeg(const Bytes& pixels, int width, int height,
                              const JpegOptions& o = {}) {
  const int components = o.space == JCS_GRAYSCALE ? 1 : o.space == JCS_CMYK ? 4 : 3;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = components;
  c.in_color_space = o.space;
  jpeg_set_defaults(&c);
  if (o.space == JCS_CMYK) jpeg_set_colorspace(&c, JCS_CMYK);
  jpeg_set_quality(&c, o.quality, o.forceBaseline ? TRUE : FALSE);
  if (o.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  const Bytes app(static_cast<size_t>(o.appBytes), 0x5A);
  if (o.appBytes > 0) jpeg_write_marker(&c, JPEG_APP0 + 9, app.data(), o.appBytes);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(pixels.data()) +
                   static_cast<size_t>(c.next_scanline) * width * components;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

// libjpeg's own RGB decode of the bytes (rows top first); only for decodable data.
inline Bytes ReferenceDecode(const std::string& bytes, int* width = nullptr) {
  jpeg_decompress_struct d;
  jpeg_error_mgr err;
  d.err = jpeg_std_error(&err);
  err.output_message = [](j_common_ptr) {};  // premature-end warnings are expected
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d);
  if (width) *width = static_cast<int>(d.output_width);
  Bytes rgb(static_cast<size_t>(d.output_width) * d.output_height * 3);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = rgb.data() + static_cast<size_t>(d.output_scanline) * d.output_width * 3;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return rgb;
}

// One byte of every pixel of an RGB image (0 red, 2 blue).
inline Bytes Channel(const Bytes& rgb, int index) {
  Bytes out;
  for (size_t i = index; i < rgb.size(); i += 3) out.push_back(rgb[i]);
  return out;
}

// The default load source for one test: the files in a fresh directory, or in
// a zip archive there.
class FileSource {
 public:
  FileSource(const Files& files, bool zip) {
    std::vector<ZipMember> members;
    for (const auto& [name, data] : files) {
      if (zip)
        members.push_back({name, data});
      else
        dir_.Write(name, data);
    }
    if (zip) {
      EXPECT_TRUE(WriteZip(dir_.PathOf("data.zip"), members));
    }
    EXPECT_EQ(0, zip ? data_.Open(kKindArchive, dir_.PathOf("data.zip").c_str())
                     : data_.Open(kKindDirectory, dir_.Path().c_str()));
    data_.SetDefault(false);
  }
  const TempDir& Dir() const { return dir_; }

 private:
  TempDir dir_;
  KolData data_;
};

inline int BuildNamed(VBitmap& b, const std::string& name) {
  b.name = name;
  return b.Build();
}
