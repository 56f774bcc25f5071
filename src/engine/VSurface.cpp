#include "VSurface.h"

namespace {
VSurface* gCurrentSurface = nullptr;
}  // namespace

VSurface* CurrentSurface() { return gCurrentSurface; }
void SetCurrentSurface(VSurface* surface) { gCurrentSurface = surface; }
