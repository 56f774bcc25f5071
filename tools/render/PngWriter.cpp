#include "PngWriter.h"

#include <png.h>
#include <zlib.h>

#include <cstring>

namespace {

void ToRgb(const std::uint32_t* pixels, int width, unsigned char* rgb) {
  for (int x = 0; x < width; ++x) {
    rgb[3 * x] = static_cast<unsigned char>(pixels[x] >> 16);
    rgb[3 * x + 1] = static_cast<unsigned char>(pixels[x] >> 8);
    rgb[3 * x + 2] = static_cast<unsigned char>(pixels[x]);
  }
}

}  // namespace

bool WritePng(const std::string& path, const std::uint32_t* pixels, int width, int height,
              std::string& error, PngRows rows) {
  if (!pixels) {
    error = "nothing to write";
    return false;
  }
  PngRowWriter writer;
  if (writer.Open(path, width, height, rows) && writer.WriteRows(pixels, height) && writer.Close())
    return true;
  error = writer.Error();
  return false;
}

PngRowWriter::~PngRowWriter() { Release(); }

void PngRowWriter::Release() {
  if (png_) {
    png_structp png = png_;
    png_infop info = info_;
    png_destroy_write_struct(&png, info ? &info : nullptr);
  }
  png_ = nullptr;
  info_ = nullptr;
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

bool PngRowWriter::Fail(const char* what) {
  failed_ = true;
  if (error_.empty()) error_ = what + path_;
  return false;
}

// libpng reports fatal errors by long jump back into the function that called
// setjmp; the three that do keep nothing there that the recovery path needs.
bool PngRowWriter::Open(const std::string& path, int width, int height, PngRows rows) {
  Release();
  path_ = path;
  width_ = width;
  height_ = height;
  written_ = 0;
  failed_ = false;
  error_.clear();
  if (width <= 0 || height <= 0) {
    failed_ = true;
    error_ = "nothing to write";
    return false;
  }
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) return Fail("cannot create ");
  png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png_) info_ = png_create_info_struct(png_);
  if (!png_ || !info_) return Fail("cannot encode ");
  rgb_.assign(static_cast<size_t>(width) * 3, 0);
  previousRow_.assign(static_cast<size_t>(width), 0);
  if (setjmp(png_jmpbuf(png_))) return Fail("cannot encode ");
  png_init_io(png_, file_);
  // libpng refuses pictures over a million rows or columns unless told to
  // allow more; a strip may have as many rows as the format holds, 2^31 - 1.
  png_set_user_limits(png_, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_set_IHDR(png_, info_, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  // Speed first: trying all five filters on every row costs more than the
  // compression itself. A frame repeats its top row down the screen, and Up
  // turns every repeat into zeros; run-length matching then writes a 640 x 480
  // frame in about a third of the time level 3 with every filter took, and
  // smaller (5 to 7 KB). A strip's rows are successive frames: there libpng
  // picks Sub or Up row by row, which keeps strips about as small as before
  // (1.6 MB for the bundled demo) at half the time.
  png_set_filter(png_, PNG_FILTER_TYPE_BASE,
                 rows == PngRows::kRepeated ? PNG_FILTER_UP : PNG_FILTER_SUB | PNG_FILTER_UP);
  png_set_compression_level(png_, Z_BEST_SPEED);
  png_set_compression_strategy(png_, Z_RLE);
  png_write_info(png_, info_);
  return true;
}

bool PngRowWriter::WriteRows(const std::uint32_t* rows, int count) {
  if (failed_) return false;
  if (!png_ || !rows || count < 0 || count > height_ - written_) return Fail("cannot encode ");
  return Encode(rows, count);
}

bool PngRowWriter::Encode(const std::uint32_t* rows, int count) {
  if (setjmp(png_jmpbuf(png_))) return Fail("cannot encode ");
  const size_t rowBytes = static_cast<size_t>(width_) * 4;
  for (int i = 0; i < count; ++i) {
    const std::uint32_t* row = rows + static_cast<size_t>(i) * width_;
    // A row equal to the one before is already converted.
    if (written_ == 0 || std::memcmp(row, previousRow_.data(), rowBytes) != 0) {
      ToRgb(row, width_, rgb_.data());
      std::memcpy(previousRow_.data(), row, rowBytes);
    }
    png_write_row(png_, rgb_.data());
    ++written_;
  }
  return true;
}

bool PngRowWriter::Close() {
  if (failed_) {
    Release();
    return false;
  }
  if (!png_ || written_ != height_) {
    Fail("cannot encode ");
    Release();
    return false;
  }
  const bool finished = Finish();
  Release();
  return finished;
}

bool PngRowWriter::Finish() {
  if (setjmp(png_jmpbuf(png_))) return Fail("cannot encode ");
  png_write_end(png_, nullptr);
  if (std::fflush(file_) != 0) return Fail("cannot write ");
  return true;
}
