#include "KolClassRegistry.h"

int KolClassRegistry::Register(std::unique_ptr<KolObject> prototype) {
  prototypes_.push_back(std::move(prototype));
  return Count() - 1;
}

KolClassRegistry& TheClassRegistry() {
  static KolClassRegistry registry;
  return registry;
}
