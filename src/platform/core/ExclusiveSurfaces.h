// What every backend's exclusive output shares: the checks of the DirectDraw
// contract the program relies on, and the back buffer of a flipping chain,
// whose pixels the program fills through a draw context. Each backend
// implements the output and the chain's primary surface itself (the only seam
// between the program's calls and the backend) and shows the back buffer's
// pixels on Flip.
#pragma once

#include <functional>
#include <vector>

#include "Desktop.h"

namespace plat {

// The cooperative level the output supports: exclusive and full screen.
bool AsksExclusiveFullScreen(unsigned flags);
// A primary surface with one back buffer, flipping, as the program creates it.
bool DescribesFlipChain(const SurfaceDescription& description);

class BackBufferSurface : public ExclusiveSurface {
 public:
  // drawable answers whether a draw context can be had now (a kResult code).
  BackBufferSurface(int width, int height, std::function<int()> drawable)
      : width_(width),
        height_(height),
        pixels_(static_cast<size_t>(width) * height, 0u),
        drawable_(std::move(drawable)) {}
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
  std::function<int()> drawable_;
};

}  // namespace plat
