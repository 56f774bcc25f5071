// The effect work of one frame on a 640-colour line: all five effect kinds
// active (scroller on a 256 x 256 texture, gravity particles in steady state,
// end bar, both waves), each combined into the main line, and the main line
// written to the surface. Next to it, one memcpy of the 479 rows the frame
// loop copies down the picture, as a yardstick; then a particle source with
// the largest ring, full of living particles. A counting operator new shows
// that rendering frames allocates nothing once the effects are set up.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "EffectScene.h"
#include "VEffectEnd.h"
#include "VEffectScroller.h"
#include "VEffectWave.h"

namespace {
std::atomic<long long> gAllocations{0};

[[gnu::noinline]] void* CountedAlloc(std::size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(n ? n : 1);
}
}  // namespace

// All kept out of line: once inlined, the compiler sees malloc paired with
// operator delete (or new with free) and warns, although every pair matches.
[[gnu::noinline]] void* operator new(std::size_t n) {
  if (void* p = CountedAlloc(n)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t n) {
  if (void* p = CountedAlloc(n)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  return CountedAlloc(n);
}
[[gnu::noinline]] void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  return CountedAlloc(n);
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using namespace bench;

// Renders frames and counts the operator new calls made while rendering them.
long long AllocationsOver(Scene& scene, int frames) {
  const long long before = gAllocations.load();
  for (int i = 0; i < frames; ++i) scene.Frame();
  return gAllocations.load() - before;
}

void AllFiveEffects(benchmark::State& state) {
  const long long atStart = gAllocations.load();
  Scene scene;
  // Added in script order; the first is combined last, on top.
  auto scroller = std::make_unique<VEffectScroller>();
  scroller->texture = MakeTexture();
  scroller->deltaTrack = Constant(0.1f);
  scroller->speedTrack = Constant(0.05f);
  scroller->yDeltaTrack = Constant(0.3f);
  scroller->ySpeedTrack = Constant(0.01f);
  scroller->alphaTrack = Swing(0.4f, 0.9f);
  auto particles = ParticleEffect(MakeTexture());
  particles->alphaTrack = Constant(1.0f);
  VSourceGravityParticle& source = *particles->source;
  auto end = std::make_unique<VEffectEnd>();
  end->sizeTrack = Swing(0.2f, 0.9f);
  end->fadeTrack = Constant(0.6f);
  end->alphaTrack = Constant(0.5f);
  auto wave = std::make_unique<VEffectWaveLarge>();
  wave->alphaTrack = Constant(0.3f);
  wave->addTrack = Constant(0.2f);  // mixed
  auto flash = std::make_unique<VEffectWaveFlash>();
  flash->addTrack = Constant(0.3f);  // additive
  if (!scroller->texture->Texels() || !source.texture->Texels()) {
    state.SkipWithError("texture did not load");
    return;
  }
  scene.Add(std::move(scroller));
  scene.Add(std::move(particles));
  scene.Add(std::move(end));
  scene.Add(std::move(wave));
  scene.Add(std::move(flash));
  scene.Prepare();
  // Shows the counter is live: building the scene does allocate.
  const long long setupAllocations = gAllocations.load() - atStart;
  scene.RunUntil(25.0);  // the particle ring in steady state
  const long long allocations = AllocationsOver(scene, 500);

  for (auto _ : state) {
    scene.Frame();
    benchmark::ClobberMemory();
  }
  state.counters["living_particles"] = Living(source);
  state.counters["allocs_in_500_frames"] = static_cast<double>(allocations);
  state.counters["allocs_in_setup"] = static_cast<double>(setupAllocations);
}

void CopyRowsDown(benchmark::State& state) {
  CopyBytesEachIteration(state, static_cast<size_t>(kWidth) * (kHeight - 1) * 4);
}

void LargestParticleRing(benchmark::State& state) {
  LargestRing ring;
  if (!ring.StartOrSkip(state)) return;
  const long long allocations = AllocationsOver(ring.scene, 20);

  for (auto _ : state) {
    ring.scene.Frame();
    benchmark::ClobberMemory();
  }
  state.counters["living_particles"] = Living(*ring.source);
  state.counters["allocs_in_20_frames"] = static_cast<double>(allocations);
}

BENCHMARK(AllFiveEffects)->Unit(benchmark::kNanosecond);
BENCHMARK(CopyRowsDown)->Unit(benchmark::kNanosecond);
BENCHMARK(LargestParticleRing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
