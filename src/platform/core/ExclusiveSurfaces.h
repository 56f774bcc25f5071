// The built-in exclusive output's objects: the output itself, the primary
// surface of a flipping chain and its one back buffer, whose pixels the
// program fills through a draw context and the backend shows on Flip.
#pragma once

#include <vector>

#include "Desktop.h"

namespace plat {

class BackBufferSurface : public ExclusiveSurface {
 public:
  BackBufferSurface(int width, int height)
      : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, 0u) {}
  ~BackBufferSurface() override;

  int GetAttachedSurface(unsigned, ExclusiveSurface**) override { return kResultGenericFailure; }
  int GetDC(DCHandle* dc) override;
  int ReleaseDC(DCHandle dc) override;
  int Flip(ExclusiveSurface*, unsigned) override { return kResultGenericFailure; }
  int Restore() override { return kResultOk; }
  unsigned Release() override { return 1; }  // belongs to its chain

  bool CopyIn(int x, int y, const std::uint32_t* pixels, int width, int height, int pitch);
  const std::uint32_t* Pixels() const { return pixels_.data(); }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_, height_;
  std::vector<std::uint32_t> pixels_;
};

class PrimarySurface : public ExclusiveSurface {
 public:
  PrimarySurface(int width, int height) : backBuffer_(width, height) {}

  int GetAttachedSurface(unsigned caps, ExclusiveSurface** surface) override;
  int GetDC(DCHandle*) override { return kResultGenericFailure; }
  int ReleaseDC(DCHandle) override { return kResultGenericFailure; }
  int Flip(ExclusiveSurface* target, unsigned flags) override;
  int Restore() override;
  unsigned Release() override;

 private:
  BackBufferSurface backBuffer_;
};

}  // namespace plat
