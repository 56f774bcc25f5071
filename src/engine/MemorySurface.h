// A surface in plain memory, for rendering with no window: the offline
// renderer, the fuzz harnesses, tests and benchmarks. It becomes the current
// surface when made, and on its way out puts back the one that was current
// before (if it is still the current one itself).
#pragma once

#include <cstdint>
#include <vector>

#include "VSurface.h"

class MemorySurface : public VSurface {
 public:
  MemorySurface(int w = 640, int h = 480)
      : requestedWidth_(w), requestedHeight_(h), previous_(CurrentSurface()) {
    Init();
    SetCurrentSurface(this);
  }
  ~MemorySurface() override {
    if (CurrentSurface() == this) SetCurrentSurface(previous_);
  }
  MemorySurface(const MemorySurface&) = delete;
  MemorySurface& operator=(const MemorySurface&) = delete;

  void Create(bool, int w, int h, int) override {
    requestedWidth_ = w;
    requestedHeight_ = h;
  }
  int Init() override {
    width = requestedWidth_;
    height = requestedHeight_;
    memory_.assign(static_cast<size_t>(width) * height, 0u);
    pixels = memory_.data();
    return 0;
  }
  int Lock() override { return 0; }
  int Unlock() override { return 0; }
  int Close() override { return 0; }

  std::uint32_t Pixel(int x, int y) const { return memory_[static_cast<size_t>(y) * width + x]; }

 private:
  int requestedWidth_;
  int requestedHeight_;
  VSurface* previous_;
  std::vector<std::uint32_t> memory_;
};
