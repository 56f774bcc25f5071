#include "VColorLine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "KolLog.h"
#include "VSurface.h"

namespace {

// Weights that are not numbers are treated as 0.
double Weight(float value) { return std::isnan(value) ? 0.0 : value; }

}  // namespace

void VColorLine::Allocate(int n) {
  colors_.reset();
  count_ = 0;
  if (n <= 0) return;
  colors_.reset(new (std::nothrow) float[4 * static_cast<size_t>(n)]());
  if (!colors_) {
    TheLog().PrintError("Memory allocating error.");
    return;
  }
  count_ = n;
}

void VColorLine::Clear() {
  if (count_ > 0) std::memset(colors_.get(), 0, sizeof(float) * 4 * static_cast<size_t>(count_));
}

void VColorLine::Combine(VColorLine& target, float alpha, float add) const {
  if (std::isnan(alpha)) alpha = 0.0f;
  if (std::isnan(add)) add = 0.0f;
  if (alpha < kCombineThreshold)
    BlendAdd(target, add);
  else if (add >= kCombineThreshold)
    BlendMixed(target, alpha, add);
  else
    BlendAlpha(target, alpha);
}

void VColorLine::Interpolate(VColorLine& target, double weight) const {
  // Both interpolating blends: t = (1 - x) t + x s with x = weight x source
  // alpha, and the target's alpha replaced by x.
  const int n = std::min(count_, target.count_);
  for (int i = 0; i < n; ++i) {
    const float* s = At(i);
    if (!(s[3] > kVisibleAlpha)) continue;
    float* t = target.At(i);
    const double x = weight * s[3];
    for (int k = 0; k < 3; ++k) t[k] = static_cast<float>((1.0 - x) * t[k] + x * s[k]);
    t[3] = static_cast<float>(x);
  }
}

void VColorLine::BlendMixed(VColorLine& target, float alpha, float add) const {
  Interpolate(target, Weight(alpha) + Weight(add));
}

void VColorLine::BlendAlpha(VColorLine& target, float alpha) const {
  Interpolate(target, Weight(alpha));
}

void VColorLine::BlendAdd(VColorLine& target, float add) const {
  const int n = std::min(count_, target.count_);
  const double weight = Weight(add);
  for (int i = 0; i < n; ++i) {
    const float* s = At(i);
    if (!(s[3] > kVisibleAlpha)) continue;
    float* t = target.At(i);
    const double w = weight * s[3];
    for (int k = 0; k < 4; ++k) t[k] = static_cast<float>(t[k] + w * s[k]);
  }
}

unsigned char ComponentToByte(float value) {
  // Clamped before the conversion, so out-of-range values (and NaN) are defined.
  const double v = static_cast<double>(value) * 255.0;
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  return static_cast<unsigned char>(static_cast<int>(v));
}

void VColorLine::WriteToSurface() const {
  VSurface* surface = CurrentSurface();
  if (!surface || !surface->pixels) return;
  const int n = std::min(count_, surface->width);
  auto* bytes = reinterpret_cast<unsigned char*>(surface->pixels);
  const float* c = colors_.get();
  for (int i = 0; i < 4 * n; ++i) bytes[i] = ComponentToByte(c[i]);
}
