// What the author tools' tests share: a small demo whose every pixel can be
// worked out by hand, and a PNG read back as the program's pixel words.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

// A small demo:
//   0 - 2  Bar    an end bar covering half the width, fade 1 (white), on black
//   1 - 3  Green  a scroller over a 1 x 1 constant green texture, alpha 0.5
// Green is listed second, so it lies below Bar: from 1 s on, the black border
// shows half-green and the bar stays white.
inline const char* const kSmallDemo[][2] = {
    {"Script/Demo.txt", "0 - 2 Bar;\n1 - 3 Green;\n"},
    {"Script/Effect/Bar.txt", "Alpha = One; Add = Zero; EndEffect: Fade = One; Size = Half;"},
    {"Script/Effect/Green.txt",
     "Alpha = Half; Add = Zero; Scroller: Delta = Zero; Speed = Zero; YDelta = Zero; "
     "YSpeed = Zero; Tex = Green;"},
    {"Script/Float/One.txt", "0 : 1 ;"},
    {"Script/Float/Zero.txt", "0 : 0 ;"},
    {"Script/Float/Half.txt", "0 : 0.5 ;"},
    {"Script/Texture/Green.txt", "Texture: Color = 0, 1, 0; Alpha = 1;"},
};

// A PNG's pixels as 0x00RRGGBB words; empty when it cannot be read.
inline std::vector<std::uint32_t> ReadPngPixels(const std::string& path, int& width, int& height) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return {};
  png.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) return {};
  width = static_cast<int>(png.width);
  height = static_cast<int>(png.height);
  std::vector<std::uint32_t> pixels(rgb.size() / 3);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = (std::uint32_t{rgb[3 * i]} << 16) | (std::uint32_t{rgb[3 * i + 1]} << 8) |
                rgb[3 * i + 2];
  return pixels;
}
