// The renderer's PNG output: pictures decode to exactly the pixels given,
// whichever row filter they were written with and however their rows were
// handed over, and failures are told and leave no half-written strip.
#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "PngEncoders.h"
#include "PngWriter.h"
#include "TestSupport.h"
#include "ToolTestSupport.h"

namespace {

// Rows of noise, runs of repeated rows (a frame's shape) and rows that differ
// from the one above in a single pixel. The unused top byte is set on
// purpose: it must not reach the file.
std::vector<std::uint32_t> Picture(int width, int height) {
  std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * height);
  std::uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = &pixels[static_cast<size_t>(y) * width];
    if (y % 7 != 0) {
      std::copy(row - width, row, row);  // the row above again
      if (y % 5 == 0) row[y % width] ^= 0x010203;
      continue;
    }
    for (int x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      row[x] = state;
    }
  }
  return pixels;
}

std::vector<std::uint32_t> Visible(std::vector<std::uint32_t> pixels) {
  for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

// However its rows are handed over, a picture decodes to exactly its visible pixels.
TEST(PngWriterTest, EveryWayOfWritingKeepsEveryPixel) {
  TempDir dir;
  const int w = 37, h = 50;
  const std::vector<std::uint32_t> pixels = Picture(w, h);
  const std::string path = dir.PathOf("p.png");
  const std::vector<std::pair<const char*, std::function<bool(std::string&)>>> ways = {
      {"repeated rows", [&](std::string& error) {
         return WritePng(path, pixels.data(), w, h, error, PngRows::kRepeated);
       }},
      {"varying rows", [&](std::string& error) {
         return WritePng(path, pixels.data(), w, h, error, PngRows::kVarying);
       }},
      // From copies, so the writer cannot look back into the picture.
      {"a few rows at a time", [&](std::string& error) {
         PngRowWriter writer;
         bool ok = writer.Open(path, w, h, PngRows::kVarying);
         for (int y = 0, n = 1; ok && y < h; y += n) {
           n = std::min(y < 20 ? 1 : 7, h - y);
           std::vector<std::uint32_t> part(pixels.begin() + y * w, pixels.begin() + (y + n) * w);
           ok = writer.WriteRows(part.data(), n);
         }
         ok = writer.Close() && ok;
         error = writer.Error();
         return ok;
       }},
      // Encoded on its own thread while the rows are still being filled in.
      {"a stream of published rows", [&](std::string& error) {
         std::vector<std::uint32_t> picture(pixels.size(), 0xFFFFFFFFu);
         PngRowStream stream(path, picture.data(), w, h);
         for (int y = 0; y < h; ++y) {
           std::copy(pixels.begin() + y * w, pixels.begin() + (y + 1) * w, picture.begin() + y * w);
           stream.Publish(y + 1);
         }
         return stream.Finish(true, error);
       }}};
  for (const auto& [way, write] : ways) {
    std::filesystem::remove(path);
    std::string error;
    ASSERT_TRUE(write(error)) << way << ": " << error;
    int width = 0, height = 0;
    EXPECT_EQ(Visible(pixels), ReadPngPixels(path, width, height)) << way;
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(width, height)) << way;
  }
}

TEST(PngWriterTest, FailuresAreToldAndStickAndLeaveNoFile) {
  TempDir dir;
  const std::vector<std::uint32_t> pixels = Picture(64, 100);
  std::string error;
  EXPECT_FALSE(WritePng(dir.PathOf("no/such/dir.png"), pixels.data(), 8, 8, error));
  EXPECT_EQ("cannot create " + dir.PathOf("no/such/dir.png"), error);
  EXPECT_FALSE(WritePng(dir.PathOf("empty.png"), pixels.data(), 0, 8, error));
  EXPECT_EQ("nothing to write", error);
  // Too many rows, then too few: both refused, the first reason kept.
  PngRowWriter writer;
  ASSERT_TRUE(writer.Open(dir.PathOf("p.png"), 8, 4, PngRows::kRepeated));
  EXPECT_FALSE(writer.WriteRows(pixels.data(), 5));
  EXPECT_FALSE(writer.WriteRows(pixels.data(), 1));
  EXPECT_FALSE(writer.Close());
  EXPECT_EQ("cannot encode " + dir.PathOf("p.png"), writer.Error());
  ASSERT_TRUE(writer.Open(dir.PathOf("q.png"), 8, 4, PngRows::kRepeated));
  ASSERT_TRUE(writer.WriteRows(pixels.data(), 3));
  EXPECT_FALSE(writer.Close());
  // A stream abandoned half way, or never finished, leaves no file.
  {
    PngRowStream half(dir.PathOf("half.png"), pixels.data(), 64, 100);
    half.Publish(50);
    EXPECT_FALSE(half.Finish(false, error));
    PngRowStream dropped(dir.PathOf("dropped.png"), pixels.data(), 64, 100);
    dropped.Publish(100);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.PathOf("half.png")));
  EXPECT_FALSE(std::filesystem::exists(dir.PathOf("dropped.png")));
  PngRowStream nowhere(dir.PathOf("no/dir/s.png"), pixels.data(), 64, 100);
  nowhere.Publish(100);
  EXPECT_FALSE(nowhere.Finish(true, error));
  EXPECT_EQ("cannot create " + dir.PathOf("no/dir/s.png"), error);
}

// libpng refuses pictures over a million rows unless told otherwise; a strip
// of six hours at 50 fps is that tall. Read back with the reader's limit raised.
TEST(PngWriterTest, AStripMayBeTallerThanLibpngWritesByDefault) {
  TempDir dir;
  const int height = 1000001;
  const std::vector<std::uint32_t> column(height, 0x00102030u);
  PngRowWriter writer;
  ASSERT_TRUE(writer.Open(dir.PathOf("tall.png"), 1, height, PngRows::kVarying)) << writer.Error();
  ASSERT_TRUE(writer.WriteRows(column.data(), height) && writer.Close()) << writer.Error();
  std::FILE* file = std::fopen(dir.PathOf("tall.png").c_str(), "rb");
  ASSERT_NE(nullptr, file);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_uint_32 readHeight = 0, wrongRows = 0;
  if (!setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_set_user_limits(png, 1, 0x7fffffff);
    png_read_info(png, info);
    readHeight = png_get_image_height(png, info);
    unsigned char rgb[3];
    for (png_uint_32 y = 0; y < readHeight; ++y) {
      png_read_row(png, rgb, nullptr);
      wrongRows += rgb[0] != 0x10 || rgb[1] != 0x20 || rgb[2] != 0x30;
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  EXPECT_EQ(static_cast<png_uint_32>(height), readHeight);
  EXPECT_EQ(0u, wrongRows);
}

TEST(FramePngPoolTest, WritesEveryFrameAndNamesTheEarliestFailure) {
  TempDir dir;
  const std::vector<std::uint32_t> pixels = Picture(32, 24);
  const auto path = [&](int k) { return dir.PathOf(std::to_string(k) + ".png"); };
  {
    FramePngPool pool(2, 32, 24);
    EXPECT_GE(pool.Workers(), 1);
    std::vector<std::uint32_t> frame = pixels;
    for (int k = 0; k < 20; ++k) {
      frame[k] = static_cast<std::uint32_t>(k);  // each frame its own
      ASSERT_TRUE(pool.Submit(k, frame.data(), path(k)));
    }
    frame[5] = 0;  // a change after the hand-over reaches no file
    std::string error;
    ASSERT_TRUE(pool.Finish(error)) << error;
  }
  std::vector<std::uint32_t> expected = Visible(pixels);
  for (int k = 0; k < 20; ++k) {
    expected[k] = static_cast<std::uint32_t>(k);
    int width = 0, height = 0;
    EXPECT_EQ(expected, ReadPngPixels(path(k), width, height)) << k;
  }
  // Frames 3 and 5 cannot be created; whichever worker notices first, frame 3
  // is the one named.
  std::filesystem::create_directories(dir.PathOf("bad/3.png"));
  std::filesystem::create_directories(dir.PathOf("bad/5.png"));
  FramePngPool pool(2, 32, 24);
  for (int k = 0; k < 8; ++k)
    if (!pool.Submit(k, pixels.data(), dir.PathOf("bad/" + std::to_string(k) + ".png"))) break;
  std::string error;
  EXPECT_FALSE(pool.Finish(error));
  EXPECT_EQ("cannot create " + dir.PathOf("bad/3.png"), error);
}

}  // namespace
