// The four script readers together. One input holds several files (see
// SplitNamedFiles): its start is "Script/Demo.txt", and each later part names
// its file on its first line, e.g. "Script/Effect/Tunnel.txt",
// "Script/Float/A.txt", "Script/Texture/T.txt" or an image a texture names.
// The demo script is read into an effect list as the program does; when that
// succeeded, the effects are prepared and a few frames combined at their start,
// middle and end, so the values the scripts give reach the effects.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "CombineEffects.h"
#include "FuzzSupport.h"
#include "KolDataMemory.h"
#include "KolLog.h"
#include "KolText.h"
#include "LoadDemoScript.h"
#include "MemorySurface.h"
#include "VColorLine.h"
#include "VEffect.h"
#include "VList.h"

namespace {

VColorLine* gMainLine = nullptr;
MemorySurface* gSurface = nullptr;

// Frames cost most of a run: every effect is visited and the active ones
// render a whole line. So the frames share a budget of effect lines: small
// demos get a frame at each effect's start, middle and end, large ones one
// frame (the same code again for every further effect).
constexpr std::size_t kMaxFrames = 12;
constexpr std::size_t kEffectLinesPerInput = 24;

void RenderSomeFrames(const VList& effects) {
  std::vector<float> times = {0.0f, 12.5f};
  std::size_t count = 0;
  for (const VList::Node* n = effects.First(); n != effects.End(); n = n->next, ++count) {
    const VEffect& e = *n->element;
    times.push_back(e.startTime);
    times.push_back(e.startTime + (e.endTime - e.startTime) * 0.5f);
    times.push_back(std::nextafter(e.endTime, -INFINITY));
  }
  const std::size_t frames =
      std::clamp<std::size_t>(kEffectLinesPerInput / std::max<std::size_t>(count, 1), 1, kMaxFrames);
  if (times.size() > frames) times.resize(frames);
  VSurface* surface = CurrentSurface();
  for (float t : times) {
    CombineEffects(effects, t, *gMainLine);
    gMainLine->WriteToSurface();
    FUZZ_CHECK(surface && surface->pixels);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static MemorySurface surface;
  static VColorLine mainLine;
  gSurface = &surface;
  gMainLine = &mainLine;
  mainLine.Allocate(surface.width);
  ResetForInput(&FuzzFiles());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (PassOverLargeJpeg(data, size)) return 0;
  ClearFilesAfterInput clear;
  SplitNamedFiles(data, size, "Script/Demo.txt", FuzzFiles());
  ResetForInput(&FuzzFiles());
  // The reset forgets the current surface, as a fresh process has none.
  SetCurrentSurface(gSurface);

  KolText lexer;
  VList effects;
  LoadDemoScript(lexer, "Demo.txt", effects);
  if (TheLog().RecordCount() != 0) return 0;
  for (VList::Node* n = effects.First(); n != effects.End(); n = n->next) n->element->Prepare();
  if (TheLog().RecordCount() != 0) return 0;
  RenderSomeFrames(effects);
  return 0;
}
