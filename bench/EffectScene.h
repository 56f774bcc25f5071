// The effect scenes the benchmarks render: the demo's per-frame colour work
// (CombineEffects, then WriteToSurface) over a memory surface, the 256 x 256
// texture they draw with, and the particle source with the largest ring.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CombineEffects.h"
#include "FloatTrack.h"
#include "KolData.h"
#include "KolDataSource.h"
#include "MemorySurface.h"
#include "VColorLine.h"
#include "VEffect.h"
#include "VEffectParticle.h"
#include "VList.h"
#include "VSourceGravityParticle.h"
#include "VSurface.h"
#include "VTex.h"

namespace bench {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr double kFrameStep = 0.02;  // 50 frames per second
constexpr float kForever = 1.0e9f;

inline std::unique_ptr<FloatTrack> Constant(float value) {
  return std::make_unique<FloatTrack>(std::vector<FloatKey>{{0.0f, value}});
}

inline std::unique_ptr<FloatTrack> Swing(float low, float high) {
  return std::make_unique<FloatTrack>(
      std::vector<FloatKey>{{0.0f, low}, {30.0f, high}, {60.0f, low}, {1000.0f, high}});
}

// A 256 x 256 texture with some structure, written as TGA colour and alpha
// maps into a scratch folder and loaded the way the demo loads textures.
inline std::unique_ptr<VTex> MakeTexture() {
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
};

inline std::unique_ptr<VEffectParticle> ParticleEffect(std::unique_ptr<VTex> texture) {
  auto fx = std::make_unique<VEffectParticle>();
  fx->source = std::make_unique<VSourceGravityParticle>();
  fx->source->endTime = kForever;
  fx->source->texture = std::move(texture);
  return fx;
}

inline int Living(const VSourceGravityParticle& s) {
  int n = 0;
  for (int i = 0; i < s.particleCount; ++i) n += s.ParticleArray()[i].birthTime >= 0.0f;
  return n;
}

// A particle source with the largest ring, full of living particles: 5000
// emissions a second for 25 s of life, so after 25 s the ring holds the
// newest 99999 (about 20 s), all alive.
struct LargestRing {
  Scene scene;
  VSourceGravityParticle* source = nullptr;

  // False when the source could not be prepared.
  bool Start() {
    auto particles = ParticleEffect(MakeTexture());
    source = particles->source.get();
    source->particleCount = VSourceGravityParticle::kMaxParticles;
    source->interval = 0.0002f;
    source->lifetime = 25.0f;
    particles->alphaTrack = Constant(1.0f);
    scene.Add(std::move(particles));
    scene.Prepare();
    if (!source->ParticleArray()) return false;
    scene.RunUntil(25.0);
    return true;
  }

  // Start, or the benchmark is skipped with a reason.
  bool StartOrSkip(benchmark::State& state) {
    if (Start()) return true;
    state.SkipWithError("prepare failed");
    return false;
  }
};

// The baseline picture costs are measured against: one memcpy of `bytes`
// bytes an iteration.
inline void CopyBytesEachIteration(benchmark::State& state, size_t bytes) {
  std::vector<std::uint8_t> from(bytes, 0x5A), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

}  // namespace bench
