#include "CombineEffects.h"

#include "VColorLine.h"
#include "VEffect.h"
#include "VList.h"

void CombineEffects(const VList& effects, float t, VColorLine& mainLine) {
  mainLine.Clear();
  for (const VList::Node* n = effects.First(); n != effects.End(); n = n->next) {
    VEffect& effect = *n->element;
    if (!effect.ActiveAt(t)) continue;  // start inclusive, end exclusive
    effect.Render(t);
    effect.line.Combine(mainLine, TrackAt(effect.alphaTrack, t), TrackAt(effect.addTrack, t));
  }
}
