// A surface backed by plain memory, for tests of the colour line and effects:
// Init allocates width x height pixels and makes it the current surface.
#pragma once

#include <cstdint>
#include <vector>

#include "VSurface.h"

class MemorySurface : public VSurface {
 public:
  MemorySurface(int w = 640, int h = 480) : requestedWidth_(w), requestedHeight_(h) {
    Init();
    SetCurrentSurface(this);
  }
  ~MemorySurface() override {
    if (CurrentSurface() == this) SetCurrentSurface(nullptr);
  }

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
  std::vector<std::uint32_t> memory_;
};
