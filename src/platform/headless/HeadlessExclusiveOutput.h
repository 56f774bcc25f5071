// The headless backend's exclusive output: every step answers what the
// Control says (so each failure path above can be reached), and a flip
// records the back buffer as a shown frame.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "ExclusiveSurfaces.h"
#include "HeadlessControl.h"

namespace plat::headless {

using ShowFrame = std::function<void(const std::uint32_t* pixels, int width, int height)>;

class HeadlessFlipChain;

class HeadlessExclusiveOutput : public ExclusiveOutput {
 public:
  HeadlessExclusiveOutput(Control& control, ShowFrame show,
                          std::vector<std::unique_ptr<HeadlessExclusiveOutput>>& owner);
  ~HeadlessExclusiveOutput() override;

  int SetCooperativeLevel(WindowHandle window, unsigned flags) override;
  int SetDisplayMode(int width, int height, int bitsPerPixel) override;
  int CreateSurface(const SurfaceDescription& description, ExclusiveSurface** surface,
                    void* outer) override;
  int RestoreDisplayMode() override;
  unsigned Release() override;

  void Forget(HeadlessFlipChain* chain);

 private:
  Control& control_;
  ShowFrame show_;
  std::vector<std::unique_ptr<HeadlessExclusiveOutput>>& owner_;
  std::vector<std::unique_ptr<HeadlessFlipChain>> chains_;
};

}  // namespace plat::headless
