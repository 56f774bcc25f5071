// Decoding a 1024 x 1024 colour JPEG through a KolData stream (directory and
// zip archive) against libjpeg decoding the same bytes straight from memory,
// in one run. The stream path should cost at most 1.15 x the direct decode.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <minizip/zip.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "KolData.h"
#include "KolLog.h"
#include "VBitmap.h"

namespace {

constexpr int kSize = 1024;

// A picture with gradients and fine detail, so the entropy coder has real work.
std::vector<unsigned char> EncodeTestImage() {
  std::vector<unsigned char> rgb(kSize * kSize * 3);
  unsigned seed = 12345;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      seed = seed * 1103515245u + 12345u;
      unsigned char* p = &rgb[(y * kSize + x) * 3];
      p[0] = static_cast<unsigned char>(128 + 120 * std::sin(x * 0.02) + (seed >> 28));
      p[1] = static_cast<unsigned char>((x ^ y) & 0xFF);
      p[2] = static_cast<unsigned char>(128 + 120 * std::cos(y * 0.015) - (seed >> 29));
    }
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&c, &out, &outSize);
  c.image_width = kSize;
  c.image_height = kSize;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = &rgb[c.next_scanline * kSize * 3];
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<unsigned char> bytes(out, out + outSize);
  free(out);
  return bytes;
}

struct Fixture {
  std::vector<unsigned char> jpeg = EncodeTestImage();
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "solvane-jpeg-bench";
  std::string zipPath;        // the member deflated, as zip tools do by default
  std::string storedZipPath;  // the member stored, as JPEGs (already compressed) are best packed

  Fixture() {
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "image.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
    zipPath = (dir / "deflated.zip").string();
    storedZipPath = (dir / "stored.zip").string();
    WriteArchive(zipPath, Z_DEFLATED);
    WriteArchive(storedZipPath, 0);
  }
  void WriteArchive(const std::string& path, int method) const {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    zip_fileinfo info = {};
    zipOpenNewFileInZip(zip, "image.jpg", &info, nullptr, 0, nullptr, 0, nullptr, method,
                        method ? Z_DEFAULT_COMPRESSION : 0);
    zipWriteInFileInZip(zip, jpeg.data(), static_cast<unsigned>(jpeg.size()));
    zipCloseFileInZip(zip);
    zipClose(zip, nullptr);
  }
  ~Fixture() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

Fixture& Data() {
  static Fixture fixture;
  return fixture;
}

// The baseline makes a fresh output array per decode, as every real image load
// does, so the comparison measures what the stream adds and nothing else.
void DirectFromMemory(benchmark::State& state) {
  const auto& jpeg = Data().jpeg;
  for (auto _ : state) {
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[kSize * kSize * 3]);
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    while (d.output_scanline < d.output_height) {
      JSAMPROW row = pixels.get() + d.output_scanline * kSize * 3;
      jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    benchmark::DoNotOptimize(pixels.get());
  }
}

void ThroughStream(benchmark::State& state, int kind, const std::string& root) {
  KolData source;
  source.Open(kind, root.c_str());
  source.SetDefault(false);
  for (auto _ : state) {
    VBitmap bitmap;
    bitmap.name = "image.jpg";
    KolData stream(false);
    if (bitmap.LoadFile(stream) != 0 || bitmap.width != kSize) {
      state.SkipWithError("decode through the stream failed");
      break;
    }
    benchmark::DoNotOptimize(bitmap.Pixels());
  }
}

void FromDirectory(benchmark::State& state) {
  ThroughStream(state, kKindDirectory, Data().dir.string());
}

void FromDeflatedArchive(benchmark::State& state) {
  ThroughStream(state, kKindArchive, Data().zipPath);
}

void FromStoredArchive(benchmark::State& state) {
  ThroughStream(state, kKindArchive, Data().storedZipPath);
}

BENCHMARK(DirectFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(FromDirectory)->Unit(benchmark::kMillisecond);
BENCHMARK(FromStoredArchive)->Unit(benchmark::kMillisecond);
BENCHMARK(FromDeflatedArchive)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
