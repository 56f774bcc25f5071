// Base of persistent objects: a class name, a factory, and one symmetric
// Transfer that stores or loads the fields depending on the direction of the
// KolData it is given. Build makes derived content from the loaded fields.
#pragma once

#include <memory>

class KolData;

class KolObject {
 public:
  virtual ~KolObject() = default;

  virtual const char* ClassName() const = 0;
  // A new default instance of the object's own class, for loading.
  virtual std::unique_ptr<KolObject> Create() const = 0;
  virtual int Transfer(KolData& data) = 0;
  int Serialize(KolData& data) { return Transfer(data); }
  virtual int Build() {
    built_ = true;
    return 0;
  }

  bool Built() const { return built_; }

 protected:
  bool built_ = false;
};
