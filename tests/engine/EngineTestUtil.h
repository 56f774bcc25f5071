// Helpers for the engine tests: colours written into a line by hand, and
// textures with chosen texels, loaded through VTex from TGA files in a scratch
// directory.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "KolData.h"
#include "KolDataSource.h"
#include "TestSupport.h"
#include "VColorLine.h"
#include "VTex.h"

using Texel = std::array<std::uint8_t, 4>;  // blue, green, red, alpha

inline void SetColor(VColorLine& line, int i, float c0, float c1, float c2, float a) {
  float* c = line.At(i);
  c[0] = c0;
  c[1] = c1;
  c[2] = c2;
  c[3] = a;
}

inline void FillLine(VColorLine& line, float c0, float c1, float c2, float a) {
  for (int i = 0; i < line.Count(); ++i) SetColor(line, i, c0, c1, c2, a);
}

inline Texel TexelAt(const VTex& tex, int column, int row) {
  const std::uint8_t* p = tex.Texels() + 4 * (static_cast<size_t>(row) * tex.width + column);
  return {p[0], p[1], p[2], p[3]};
}

// A width x height texture whose texel (column, row from the bottom) is
// texel(column, row): a 24-bit colour TGA plus an 8-bit grey alpha map, both
// stored bottom row first.
inline std::unique_ptr<VTex> MakeTexture(int width, int height,
                                         const std::function<Texel(int, int)>& texel) {
  std::string colour(18, '\0'), alpha(18, '\0');
  for (std::string* h : {&colour, &alpha}) {
    (*h)[2] = static_cast<char>(h == &colour ? 2 : 3);
    (*h)[12] = static_cast<char>(width & 0xFF);
    (*h)[13] = static_cast<char>(width >> 8);
    (*h)[14] = static_cast<char>(height & 0xFF);
    (*h)[15] = static_cast<char>(height >> 8);
    (*h)[16] = static_cast<char>(h == &colour ? 24 : 8);
  }
  for (int r = 0; r < height; ++r)
    for (int c = 0; c < width; ++c) {
      const Texel t = texel(c, r);
      colour += static_cast<char>(t[0]);
      colour += static_cast<char>(t[1]);
      colour += static_cast<char>(t[2]);
      alpha += static_cast<char>(t[3]);
    }
  TempDir dir;
  dir.Write("c.tga", colour);
  dir.Write("a.tga", alpha);
  KolData source;
  source.Open(kKindDirectory, dir.Path().c_str());
  source.SetDefault(false);
  auto tex = std::make_unique<VTex>();
  tex->colorMap = "c.tga";
  tex->alphaMap = "a.tga";
  tex->Load();
  EXPECT_NE(nullptr, tex->Texels());
  EXPECT_EQ(width, tex->width);
  EXPECT_EQ(height, tex->height);
  return tex;
}

// A 1 x 1 texture of one constant colour; VTex takes it as red, green, blue.
// No file is read, but building any texture wants a load source.
inline std::unique_ptr<VTex> SolidTexture(float red, float green, float blue) {
  TempDir dir;
  KolData source;
  source.Open(kKindDirectory, dir.Path().c_str());
  source.SetDefault(false);
  auto tex = std::make_unique<VTex>();
  tex->color[0] = red;
  tex->color[1] = green;
  tex->color[2] = blue;
  tex->Load();
  EXPECT_NE(nullptr, tex->Texels());
  return tex;
}
