// The 32-bit texture the scroller and particle effects sample: texels of blue,
// green, red, alpha, rows stored from the bottom row up. Built once at start-up
// from a colour source (image or constant) and an alpha source (image or
// constant); only read afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class VTex {
 public:
  VTex() = default;

  // Builds the texels from the settings. Failures are reported to the log as
  // errors (module VTex) and leave no texels and the previous size.
  void Load();

  const std::uint8_t* Texels() const { return texels_.get(); }
  // Texel (column c, row r from the bottom): Texels() + 4 * (r * width + c).

  std::string colorMap;  // empty: use color
  std::string alphaMap;  // empty: use alpha
  float color[3] = {1.0f, 1.0f, 1.0f};
  float alpha = 1.0f;
  int width = 256;
  int height = 256;

 private:
  std::unique_ptr<std::uint8_t[]> texels_;
};
