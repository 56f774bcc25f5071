// The demo object: owns one run's effects in the order the frame combines them.
// The script readers add effects through AddEffect, which only links them into
// the effect list, so the readers depend on nothing above the engine core.
#pragma once

#include <memory>
#include <vector>

#include "VEffect.h"
#include "VList.h"

class VDemo {
 public:
  VDemo() = default;
  VDemo(const VDemo&) = delete;
  VDemo& operator=(const VDemo&) = delete;

  // Takes the effect and links it at the front of the effect list.
  void AddEffect(std::unique_ptr<VEffect> effect) {
    effects.AddEffect(effect.get());
    owned_.push_back(std::move(effect));
  }

  VList effects;

 private:
  std::vector<std::unique_ptr<VEffect>> owned_;
};
