// The renderer's PNG output: pictures decode to exactly the pixels given,
// whichever row filter they were written with and however their rows were
// handed over, and failures are told and leave no half-written strip.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdint>
#include <filesystem>
#include <string>
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

TEST(PngWriterTest, BothRowFiltersKeepEveryPixel) {
  TempDir dir;
  const std::vector<std::uint32_t> pixels = Picture(37, 50);
  for (PngRows rows : {PngRows::kRepeated, PngRows::kVarying}) {
    std::string error;
    ASSERT_TRUE(WritePng(dir.PathOf("p.png"), pixels.data(), 37, 50, error, rows)) << error;
    int width = 0, height = 0;
    EXPECT_EQ(Visible(pixels), ReadPngPixels(dir.PathOf("p.png"), width, height));
    EXPECT_EQ(37, width);
    EXPECT_EQ(50, height);
  }
}

TEST(PngWriterTest, RowsMayComeAFewAtATime) {
  TempDir dir;
  const std::vector<std::uint32_t> pixels = Picture(16, 40);
  PngRowWriter writer;
  ASSERT_TRUE(writer.Open(dir.PathOf("p.png"), 16, 40, PngRows::kVarying));
  // Handed over from copies, so the writer cannot look back into the picture.
  for (int y = 0; y < 40;) {
    const int count = y < 20 ? 1 : 7;
    const int n = std::min(count, 40 - y);
    std::vector<std::uint32_t> part(pixels.begin() + y * 16, pixels.begin() + (y + n) * 16);
    ASSERT_TRUE(writer.WriteRows(part.data(), n));
    y += n;
  }
  ASSERT_TRUE(writer.Close()) << writer.Error();
  int width = 0, height = 0;
  EXPECT_EQ(Visible(pixels), ReadPngPixels(dir.PathOf("p.png"), width, height));
}

TEST(PngWriterTest, FailuresAreToldAndStick) {
  TempDir dir;
  const std::vector<std::uint32_t> pixels = Picture(8, 8);
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
}

TEST(PngRowStreamTest, EncodesRowsAsTheyArePublished) {
  TempDir dir;
  const std::vector<std::uint32_t> pixels = Picture(64, 300);
  std::vector<std::uint32_t> picture(pixels.size(), 0xFFFFFFFFu);
  PngRowStream stream(dir.PathOf("s.png"), picture.data(), 64, 300);
  for (int y = 0; y < 300; ++y) {
    std::copy(pixels.begin() + y * 64, pixels.begin() + (y + 1) * 64, picture.begin() + y * 64);
    stream.Publish(y + 1);
  }
  std::string error;
  ASSERT_TRUE(stream.Finish(true, error)) << error;
  int width = 0, height = 0;
  EXPECT_EQ(Visible(pixels), ReadPngPixels(dir.PathOf("s.png"), width, height));
}

TEST(PngRowStreamTest, AnAbandonedOrFailedPictureLeavesNoFile) {
  TempDir dir;
  const std::vector<std::uint32_t> pixels = Picture(64, 100);
  {
    PngRowStream stream(dir.PathOf("half.png"), pixels.data(), 64, 100);
    stream.Publish(50);
    std::string error;
    EXPECT_FALSE(stream.Finish(false, error));
  }
  {
    PngRowStream stream(dir.PathOf("dropped.png"), pixels.data(), 64, 100);
    stream.Publish(100);
  }  // never finished
  EXPECT_FALSE(std::filesystem::exists(dir.PathOf("half.png")));
  EXPECT_FALSE(std::filesystem::exists(dir.PathOf("dropped.png")));
  PngRowStream nowhere(dir.PathOf("no/dir/s.png"), pixels.data(), 64, 100);
  nowhere.Publish(100);
  std::string error;
  EXPECT_FALSE(nowhere.Finish(true, error));
  EXPECT_EQ("cannot create " + dir.PathOf("no/dir/s.png"), error);
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
