// Generates the bundled demo's images, so the demo ships no third-party
// pictures: make-demo-images OUTDIR writes OUTDIR/Image/sky.jpg (a colour
// plasma, JPEG), flare.tga (a warm glow, 24-bit TGA), bands.tga (colour bands,
// 24-bit TGA) and bands_alpha.tga (grey stripes, 8-bit TGA) for the alpha map.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

unsigned char Clamp(double v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v); }

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// An uncompressed TGA, rows stored bottom-up; pixels given top row first as
// BGR (3 bytes) or grey (1 byte).
bool WriteTga(const std::string& path, int width, int height, int bytesPerPixel,
              const std::vector<unsigned char>& topDown) {
  std::vector<unsigned char> file(18, 0);
  file[2] = bytesPerPixel == 1 ? 3 : 2;
  file[12] = static_cast<unsigned char>(width);
  file[13] = static_cast<unsigned char>(width >> 8);
  file[14] = static_cast<unsigned char>(height);
  file[15] = static_cast<unsigned char>(height >> 8);
  file[16] = static_cast<unsigned char>(bytesPerPixel * 8);
  for (int y = height - 1; y >= 0; --y) {
    const auto row = topDown.begin() + static_cast<long>(y) * width * bytesPerPixel;
    file.insert(file.end(), row, row + width * bytesPerPixel);
  }
  return WriteFile(path, file);
}

bool WriteJpeg(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr error;
  c.err = jpeg_std_error(&error);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 92, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(&rgb[static_cast<size_t>(c.next_scanline) * width * 3]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

// Dusk-to-day plasma; each row is one palette the scroller sweeps across.
std::vector<unsigned char> Sky(int size) {
  std::vector<unsigned char> rgb(static_cast<size_t>(size) * size * 3);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double u = 2 * kPi * x / size, v = 2 * kPi * y / size;
      const double p = std::sin(u * 2 + std::sin(v) * 1.5) + std::sin(v * 3 + u) * 0.5;
      unsigned char* px = &rgb[(static_cast<size_t>(y) * size + x) * 3];
      px[0] = Clamp(140 + 100 * std::sin(p + v));
      px[1] = Clamp(90 + 80 * std::sin(p * 1.3 + 2.0));
      px[2] = Clamp(160 + 90 * std::cos(p * 0.7 - v));
    }
  return rgb;
}

std::vector<unsigned char> Flare(int size) {
  std::vector<unsigned char> bgr(static_cast<size_t>(size) * size * 3);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double dx = (x + 0.5) / size * 2 - 1, dy = (y + 0.5) / size * 2 - 1;
      const double r = std::sqrt(dx * dx + dy * dy);
      const double glow = std::exp(-3.0 * r * r);
      unsigned char* px = &bgr[(static_cast<size_t>(y) * size + x) * 3];
      px[0] = Clamp(255 * glow * glow);          // blue only at the core
      px[1] = Clamp(40 + 215 * glow);            // green
      px[2] = Clamp(120 + 135 * std::sqrt(glow));  // red
    }
  return bgr;
}

std::vector<unsigned char> Bands(int width, int height) {
  std::vector<unsigned char> bgr(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double hue = 2 * kPi * (x / static_cast<double>(width) + y / (3.0 * height));
      unsigned char* px = &bgr[(static_cast<size_t>(y) * width + x) * 3];
      px[0] = Clamp(128 + 127 * std::sin(hue + 4.19));
      px[1] = Clamp(128 + 127 * std::sin(hue + 2.09));
      px[2] = Clamp(128 + 127 * std::sin(hue));
    }
  return bgr;
}

std::vector<unsigned char> BandsAlpha(int width, int height) {
  std::vector<unsigned char> grey(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      // Stripes that open and close from row to row: the scroller's gaps.
      const double s = std::sin(2 * kPi * x * 6 / width + y * 0.2);
      grey[static_cast<size_t>(y) * width + x] = Clamp(s > 0 ? 60 + 195 * s : 0);
    }
  return grey;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-demo-images OUTDIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/Image";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  bool ok = WriteJpeg(dir + "/sky.jpg", 256, 256, Sky(256));
  ok = WriteTga(dir + "/flare.tga", 64, 64, 3, Flare(64)) && ok;
  ok = WriteTga(dir + "/bands.tga", 128, 32, 3, Bands(128, 32)) && ok;
  ok = WriteTga(dir + "/bands_alpha.tga", 128, 32, 1, BandsAlpha(128, 32)) && ok;
  if (!ok) {
    std::fprintf(stderr, "make-demo-images: cannot write the images into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
