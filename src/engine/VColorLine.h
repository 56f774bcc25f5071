// One line of colours, one per surface column: four floats each, components
// 0..2 in the surface's byte order (blue, green, red) and component 3 alpha.
// Effects fill their own line; the frame combines them into the main line and
// writes that into the surface's top pixel row. Nothing here allocates after
// Allocate, so it is safe in the frame loop.
#pragma once

#include <memory>

class VColorLine {
 public:
  static constexpr float kCombineThreshold = 0.001f;
  static constexpr float kVisibleAlpha = 0.1f;  // source colours at or below take no part

  VColorLine() = default;

  // count = n colours, all zero.
  void Allocate(int n);
  void Clear();
  // Combines this line into target: additive when alpha is below 0.001, mixed
  // when add is at least 0.001, otherwise alpha blending. A NaN alpha or add
  // counts as 0, so no NaN reaches the target through a weight.
  void Combine(VColorLine& target, float alpha, float add) const;
  void BlendMixed(VColorLine& target, float alpha, float add) const;
  void BlendAlpha(VColorLine& target, float alpha) const;
  void BlendAdd(VColorLine& target, float add) const;
  // Writes the first colours into row 0 of the current surface, each component
  // x 255 truncated and clamped to a byte.
  void WriteToSurface() const;

  int Count() const { return count_; }
  float* Colors() { return colors_.get(); }
  const float* Colors() const { return colors_.get(); }
  float* At(int i) { return colors_.get() + 4 * i; }
  const float* At(int i) const { return colors_.get() + 4 * i; }

 private:
  void Interpolate(VColorLine& target, double weight) const;

  int count_ = 0;
  std::unique_ptr<float[]> colors_;
};

// A float component as a pixel byte: x 255, truncated toward zero, clamped.
unsigned char ComponentToByte(float value);
