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

#include "CombineEffects.h"
#include "KolData.h"
#include "MemorySurface.h"
#include "KolDataSource.h"
#include "VColorLine.h"
#include "VEffectEnd.h"
#include "VEffectParticle.h"
#include "VEffectScroller.h"
#include "VEffectWave.h"
#include "VList.h"
#include "VSourceGravityParticle.h"
#include "VSurface.h"

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

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr double kFrameStep = 0.02;  // 50 frames per second
constexpr float kForever = 1.0e9f;


std::unique_ptr<FloatTrack> Constant(float value) {
  return std::make_unique<FloatTrack>(std::vector<FloatKey>{{0.0f, value}});
}

std::unique_ptr<FloatTrack> Swing(float low, float high) {
  return std::make_unique<FloatTrack>(
      std::vector<FloatKey>{{0.0f, low}, {30.0f, high}, {60.0f, low}, {1000.0f, high}});
}

// A 256 x 256 texture with some structure, written as TGA colour and alpha
// maps into a scratch folder and loaded the way the demo loads textures.
std::unique_ptr<VTex> MakeTexture() {
  constexpr int kSize = 256;
  std::string colour(18, '\0'), alpha(18, '\0');
  for (std::string* h : {&colour, &alpha}) {
    (*h)[2] = static_cast<char>(h == &colour ? 2 : 3);
    (*h)[13] = 1;  // 256 wide
    (*h)[15] = 1;  // 256 high
    (*h)[16] = static_cast<char>(h == &colour ? 24 : 8);
  }
  for (int r = 0; r < kSize; ++r)
    for (int c = 0; c < kSize; ++c) {
      colour += static_cast<char>(c);
      colour += static_cast<char>(r);
      colour += static_cast<char>((c * 3 + r * 5) & 0xFF);
      alpha += static_cast<char>(((c / 16 + r / 16) & 1) ? 255 : 20);
    }
  const auto dir = std::filesystem::temp_directory_path() / "solvane-effect-bench";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "c.tga", std::ios::binary) << colour;
  std::ofstream(dir / "a.tga", std::ios::binary) << alpha;
  auto tex = std::make_unique<VTex>();
  {
    KolData source;
    source.Open(kKindDirectory, dir.string().c_str());
    source.SetDefault(false);
    tex->colorMap = "c.tga";
    tex->alphaMap = "a.tga";
    tex->Load();
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return tex;
}

// The demo's per-frame work: clear the main line, render every active effect
// and combine it with its alpha and add at t, write the line out.
struct Scene {
  MemorySurface surface;
  VColorLine main;
  std::vector<std::unique_ptr<VEffect>> owned;
  VList effects;
  double t = 0.0;

  Scene() { SetCurrentSurface(&surface); main.Allocate(kWidth); }
  ~Scene() { SetCurrentSurface(nullptr); }

  void Add(std::unique_ptr<VEffect> e) {
    e->startTime = 0.0f;
    e->endTime = kForever;
    e->line.Allocate(kWidth);
    effects.AddEffect(e.get());
    owned.push_back(std::move(e));
  }
  void Prepare() {
    for (auto& e : owned) e->Prepare();
  }
  void Frame() {
    const float now = static_cast<float>(t);
    CombineEffects(effects, now, main);
    main.WriteToSurface();
    t += kFrameStep;
  }
  void RunUntil(double end) {
    while (t < end) Frame();
  }
  // Frames rendered and operator new calls made while rendering them.
  long long AllocationsOver(int frames) {
    const long long before = gAllocations.load();
    for (int i = 0; i < frames; ++i) Frame();
    return gAllocations.load() - before;
  }
};

std::unique_ptr<VEffectParticle> ParticleEffect(std::unique_ptr<VTex> texture) {
  auto fx = std::make_unique<VEffectParticle>();
  fx->source = std::make_unique<VSourceGravityParticle>();
  fx->source->endTime = kForever;
  fx->source->texture = std::move(texture);
  return fx;
}

int Living(const VSourceGravityParticle& s) {
  int n = 0;
  for (int i = 0; i < s.particleCount; ++i) n += s.ParticleArray()[i].birthTime >= 0.0f;
  return n;
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
  const long long allocations = scene.AllocationsOver(500);

  for (auto _ : state) {
    scene.Frame();
    benchmark::ClobberMemory();
  }
  state.counters["living_particles"] = Living(source);
  state.counters["allocs_in_500_frames"] = static_cast<double>(allocations);
  state.counters["allocs_in_setup"] = static_cast<double>(setupAllocations);
}

void CopyRowsDown(benchmark::State& state) {
  constexpr size_t kBytes = static_cast<size_t>(kWidth) * (kHeight - 1) * 4;
  std::vector<std::uint8_t> from(kBytes, 0x5A), to(kBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}

void LargestParticleRing(benchmark::State& state) {
  Scene scene;
  auto particles = ParticleEffect(MakeTexture());
  VSourceGravityParticle& source = *particles->source;
  source.particleCount = VSourceGravityParticle::kMaxParticles;
  // 5000 emissions a second for 25 s of life: the ring holds the newest
  // 99999 (about 20 s), all alive.
  source.interval = 0.0002f;
  source.lifetime = 25.0f;
  particles->alphaTrack = Constant(1.0f);
  scene.Add(std::move(particles));
  scene.Prepare();
  if (!source.ParticleArray()) {
    state.SkipWithError("prepare failed");
    return;
  }
  scene.RunUntil(25.0);
  const long long allocations = scene.AllocationsOver(20);

  for (auto _ : state) {
    scene.Frame();
    benchmark::ClobberMemory();
  }
  state.counters["living_particles"] = Living(source);
  state.counters["allocs_in_20_frames"] = static_cast<double>(allocations);
}

BENCHMARK(AllFiveEffects)->Unit(benchmark::kNanosecond);
BENCHMARK(CopyRowsDown)->Unit(benchmark::kNanosecond);
BENCHMARK(LargestParticleRing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
