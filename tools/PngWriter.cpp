#include "PngWriter.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace {

// libpng reports fatal errors by long jump; everything the recovery path
// touches lives outside the function that calls setjmp.
struct PngFile {
  std::FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngFile() {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    if (file) std::fclose(file);
  }
};

bool Encode(PngFile& out, const std::vector<png_byte>& rgb, int width, int height) {
  if (setjmp(png_jmpbuf(out.png))) return false;
  png_init_io(out.png, out.file);
  png_set_IHDR(out.png, out.info, static_cast<png_uint_32>(width),
               static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(out.png, 3);  // strips and frames are many and large: favour speed
  png_write_info(out.png, out.info);
  for (int y = 0; y < height; ++y)
    png_write_row(out.png, rgb.data() + static_cast<size_t>(y) * width * 3);
  png_write_end(out.png, nullptr);
  return true;
}

}  // namespace

bool WritePng(const std::string& path, const std::uint32_t* pixels, int width, int height,
              std::string& error) {
  if (width <= 0 || height <= 0 || !pixels) {
    error = "nothing to write";
    return false;
  }
  std::vector<png_byte> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
    rgb[3 * i] = static_cast<png_byte>(pixels[i] >> 16);
    rgb[3 * i + 1] = static_cast<png_byte>(pixels[i] >> 8);
    rgb[3 * i + 2] = static_cast<png_byte>(pixels[i]);
  }
  PngFile out;
  out.file = std::fopen(path.c_str(), "wb");
  if (!out.file) {
    error = "cannot create " + path;
    return false;
  }
  out.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (out.png) out.info = png_create_info_struct(out.png);
  if (!out.png || !out.info || !Encode(out, rgb, width, height)) {
    error = "cannot encode " + path;
    return false;
  }
  if (std::fflush(out.file) != 0) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}
