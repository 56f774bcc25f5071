// Encodes test pixels as JPEG in memory with libjpeg, for the image tests:
// colour, grey or CMYK, baseline or progressive, with an optional marker to skip.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

using Bytes = std::vector<std::uint8_t>;

// appBytes: the size of an APP9 marker the decoder has to skip.
inline std::string EncodeJpeg(const Bytes& pixels, int width, int height,
                              J_COLOR_SPACE space = JCS_RGB, bool progressive = false,
                              int quality = 90, int appBytes = 0) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  if (appBytes > 0) jpeg_write_marker(&c, JPEG_APP0 + 9, Bytes(appBytes, 0x5A).data(), appBytes);
  for (JSAMPROW row; c.next_scanline < c.image_height; jpeg_write_scanlines(&c, &row, 1))
    row = const_cast<std::uint8_t*>(&pixels[c.next_scanline * width * c.input_components]);
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

