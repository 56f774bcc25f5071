// Frame costs for the suite's table. The bundled demo's heaviest second: every
// second of the demo is timed as it plays (a few passes, the fastest kept),
// and the frames of the slowest second are then rendered over and over, in
// order, from the state the demo has reached there. A frame is what
// VDemo::RenderFrameAt does on a surface that shows nothing: every active
// effect, the combines, WriteToSurface and the copies of row 0 down the
// picture. Its yardstick is one memcpy of a whole 640 x 480 frame. Then the
// particle source with the largest ring, against one pass over that ring.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "EffectScene.h"
#include "MemorySurface.h"
#include "SuiteSupport.h"

namespace {

constexpr double kFps = 50.0;
constexpr int kScanPasses = 3;

struct SecondCosts {
  bool ok = false;
  int heaviest = -1;             // the second whose frames cost most
  std::vector<double> seconds;   // per second: the fastest pass's time for its frames
};

float FrameTime(long long k) { return static_cast<float>(k / kFps); }

long long FrameCount(const VDemo& demo) {
  long long count = 0;
  while (count / kFps < demo.endTime) ++count;
  return count;
}

const SecondCosts& ScanSeconds() {
  static const SecondCosts costs = [] {
    SecondCosts result;
    for (int pass = 0; pass < kScanPasses; ++pass) {
      suite::BundledDemo bundled;
      if (!bundled.Start("", suite::DataDirectory())) return result;
      VDemo& demo = bundled.Demo();
      MemorySurface offscreen(demo.surface->width, demo.surface->height);
      const long long frames = FrameCount(demo);
      result.seconds.resize(static_cast<size_t>(demo.endTime), 1e9);
      for (int second = 0; second < demo.endTime; ++second) {
        const auto start = std::chrono::steady_clock::now();
        for (long long k = second * 50LL; k < std::min(frames, (second + 1) * 50LL); ++k)
          demo.RenderFrameAt(FrameTime(k));
        const double spent =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        result.seconds[second] = std::min(result.seconds[second], spent);
      }
    }
    result.heaviest = static_cast<int>(std::max_element(result.seconds.begin(), result.seconds.end()) -
                                       result.seconds.begin());
    result.ok = !result.seconds.empty();
    return result;
  }();
  return costs;
}

void Suite_HeaviestSecondFrame(benchmark::State& state) {
  const SecondCosts& costs = ScanSeconds();
  suite::BundledDemo bundled;
  if (!costs.ok || !bundled.Start("", suite::DataDirectory())) {
    state.SkipWithError("the bundled demo did not set up");
    return;
  }
  VDemo& demo = bundled.Demo();
  MemorySurface offscreen(demo.surface->width, demo.surface->height);
  const long long first = costs.heaviest * 50LL;
  for (long long k = 0; k < first; ++k) demo.RenderFrameAt(FrameTime(k));
  long long j = 0;
  for (auto _ : state) {
    demo.RenderFrameAt(FrameTime(first + j));
    j = j == 49 ? 0 : j + 1;
    benchmark::ClobberMemory();
  }
  state.counters["second"] = costs.heaviest;
  state.counters["lightest_second_us_per_frame"] =
      *std::min_element(costs.seconds.begin(), costs.seconds.end()) / 50 * 1e6;
}

void Suite_FrameMemcpy(benchmark::State& state) {
  bench::CopyBytesEachIteration(state, 640 * 480 * 4);
}

void Suite_LargestParticleRing(benchmark::State& state) {
  suite::FreshProcess();
  bench::LargestRing ring;
  if (!ring.StartOrSkip(state)) return;
  for (auto _ : state) {
    ring.scene.Frame();
    benchmark::ClobberMemory();
  }
  state.counters["living_particles"] = bench::Living(*ring.source);
}

// The least a frame of the ring could cost: visiting every particle once, in
// ring order, and reading its birth time.
void Suite_ParticleRingPass(benchmark::State& state) {
  suite::FreshProcess();
  bench::LargestRing ring;
  if (!ring.StartOrSkip(state)) return;
  for (auto _ : state) {
    const VParticle* p = ring.source->Cursor();
    float sum = 0.0f;
    for (int i = 0; i < ring.source->particleCount; ++i, p = p->next) sum += p->birthTime;
    benchmark::DoNotOptimize(sum);
  }
}

}  // namespace

BENCHMARK(Suite_HeaviestSecondFrame)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(Suite_FrameMemcpy)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(Suite_LargestParticleRing)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Suite_ParticleRingPass)->Unit(benchmark::kMillisecond)->Repetitions(3);
