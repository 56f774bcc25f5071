// The program-wide list of persistent classes. A class's id is its index; each
// entry is a prototype object through which ClassName and Create are reached.
// Classes are registered before any object file is read or written.
#pragma once

#include <memory>
#include <vector>

#include "KolObject.h"

class KolClassRegistry {
 public:
  // Appends a prototype; returns its class id.
  int Register(std::unique_ptr<KolObject> prototype);
  int Count() const { return static_cast<int>(prototypes_.size()); }
  const KolObject& At(int id) const { return *prototypes_[id]; }
  // Tests only: back to the empty registry of a starting program.
  void ResetForTest() { prototypes_.clear(); }

 private:
  std::vector<std::unique_ptr<KolObject>> prototypes_;
};

KolClassRegistry& TheClassRegistry();
