// Checks SinF and CosF against correctly rounded sine and cosine on every float,
// and Sin on tens of millions of doubles. Run by hand (minutes on two cores):
//   build/bench/trig_exhaustive_check [threads]
// The float reference is the C library's long double sine and cosine (64-bit
// significand, within 2^-63 relative), rounded once to float; where that value
// lies within 2^-58 of a rounding boundary the rounding could go either way, so
// those cases are settled with quad precision. The double reference is quad
// precision rounded once, settled further only if it lies within 2^-100 of a
// boundary (none has been seen). Prints the hardest cases for the unit tests.
#include <quadmath.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "RoundedTrig.h"

namespace {

struct Hard {
  double closeness;  // distance from the rounding boundary, in units of the result's ulp
  std::uint32_t bits;
  bool cosine;
};

// Rounds a value known to within 2^-63 relative to float, or asks quad precision.
float RoundToFloat(long double v, float x, bool cosine, std::atomic<long>& settled,
                   double& closeness) {
  const float f = static_cast<float>(v);
  const long double gapUp = static_cast<long double>(std::nextafter(f, INFINITY)) - f;
  const long double gapDown = f - static_cast<long double>(std::nextafter(f, -INFINITY));
  const long double d = v - f;
  const long double toBoundary = d >= 0 ? gapUp / 2 - d : gapDown / 2 + d;
  closeness = static_cast<double>(toBoundary / (d >= 0 ? gapUp : gapDown));
  if (toBoundary > std::fabs(v) * 0x1p-58L) return f;
  ++settled;
  const __float128 q = cosine ? cosq(static_cast<__float128>(x)) : sinq(static_cast<__float128>(x));
  return static_cast<float>(q);  // 113 bits: far from the boundary now
}

void CheckFloats(std::uint32_t first, std::uint32_t last, std::atomic<long>& failures,
                 std::atomic<long>& settled, std::vector<Hard>& hardest) {
  for (std::uint64_t b = first; b < last; ++b) {
    const float x = std::bit_cast<float>(static_cast<std::uint32_t>(b));
    long double s, c;
    sincosl(static_cast<long double>(x), &s, &c);
    double sc, cc;
    const float rs = RoundToFloat(s, x, false, settled, sc);
    const float rc = RoundToFloat(c, x, true, settled, cc);
    const auto same = [](float a, float e) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(e); };
    if (!same(SinF(x), rs) || !same(SinF(-x), -rs) || !same(CosF(x), rc) || !same(CosF(-x), rc)) {
      if (failures++ < 20)
        std::printf("MISMATCH x=%a sin %a want %a, cos %a want %a\n", x, SinF(x), rs, CosF(x), rc);
    }
    for (const Hard h : {Hard{sc, static_cast<std::uint32_t>(b), false}, Hard{cc, static_cast<std::uint32_t>(b), true}}) {
      if (hardest.size() < 12 || h.closeness < hardest.back().closeness) {
        hardest.push_back(h);
        std::sort(hardest.begin(), hardest.end(), [](const Hard& p, const Hard& q) { return p.closeness < q.closeness; });
        if (hardest.size() > 12) hardest.pop_back();
      }
    }
  }
}

// Quad precision rounded to double; the double rounding cannot go wrong unless
// the quad value lies within its own error of a boundary, which is reported.
double ReferenceSin(double x, __float128& q, long& unsure) {
  q = sinq(static_cast<__float128>(x));
  const double d = static_cast<double>(q);
  const __float128 gap = static_cast<__float128>(std::nextafter(std::fabs(d), INFINITY)) - std::fabs(d);
  const __float128 rest = q - d;
  const __float128 away = (rest >= 0 ? rest : -rest) - gap / 2;
  if ((away >= 0 ? away : -away) < (q >= 0 ? q : -q) * 0x1p-100) ++unsure;
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  const int threads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
  const auto start = std::chrono::steady_clock::now();
  std::atomic<long> failures{0}, settled{0};
  // Positive finite floats, the negatives by symmetry of the reference (each
  // call of ours is still made on both signs).
  const std::uint32_t end = 0x7F800000u;
  std::vector<std::vector<Hard>> hardest(threads);
  std::vector<std::thread> pool;
  constexpr std::uint32_t kChunk = 1u << 20;
  std::atomic<std::uint32_t> next{0};
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([&, t] {
      for (std::uint32_t first; (first = next.fetch_add(kChunk)) < end;)
        CheckFloats(first, std::min(end, first + kChunk), failures, settled, hardest[t]);
    });
  for (std::thread& t : pool) t.join();
  for (const float x : {INFINITY, -INFINITY, NAN, -NAN})
    if (!std::isnan(SinF(x)) || !std::isnan(CosF(x))) ++failures;
  const double floatSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("floats: %u inputs x 2 signs x sin/cos, %ld mismatches, %ld settled in quad precision, %.0f s\n",
              end, failures.load(), settled.load(), floatSeconds);
  std::vector<Hard> all;
  for (const auto& h : hardest) all.insert(all.end(), h.begin(), h.end());
  std::sort(all.begin(), all.end(), [](const Hard& p, const Hard& q) { return p.closeness < q.closeness; });
  for (std::size_t i = 0; i < std::min<std::size_t>(all.size(), 10); ++i)
    std::printf("  hard %s(0x%08X) = %a, %.3g ulp from the boundary\n", all[i].cosine ? "cos" : "sin",
                all[i].bits, all[i].cosine ? CosF(std::bit_cast<float>(all[i].bits)) : SinF(std::bit_cast<float>(all[i].bits)),
                all[i].closeness);

  // Doubles: random over every exponent, the engine's ranges densely, and the
  // neighbours of multiples of pi/2; the hardest found are printed.
  const auto doubleStart = std::chrono::steady_clock::now();
  long doubleFailures = 0, unsure = 0, count = 0;
  std::vector<std::pair<double, double>> hardDoubles;  // closeness, x
  std::mt19937_64 random(20261208);
  const auto check = [&](double x) {
    ++count;
    __float128 q;
    const double want = ReferenceSin(x, q, unsure);
    const double got = Sin(x);
    if (std::bit_cast<std::uint64_t>(got) != std::bit_cast<std::uint64_t>(want) && doubleFailures++ < 20)
      std::printf("MISMATCH sin(%a) = %a want %a\n", x, got, want);
    const double gap = std::nextafter(std::fabs(want), INFINITY) - std::fabs(want);
    const __float128 rest = q - want;
    const double closeness = 0.5 - std::fabs(static_cast<double>(rest / gap));
    if (hardDoubles.size() < 8 || closeness < hardDoubles.back().first) {
      hardDoubles.emplace_back(closeness, x);
      std::sort(hardDoubles.begin(), hardDoubles.end());
      if (hardDoubles.size() > 8) hardDoubles.pop_back();
    }
  };
  const long perSet = argc > 2 ? std::atol(argv[2]) : 4000000;
  for (long i = 0; i < perSet; ++i) {
    check(std::bit_cast<double>(random() & 0x7FEFFFFFFFFFFFFFull) * (i & 1 ? -1.0 : 1.0));  // any finite
    check(std::uniform_real_distribution<double>(-400.0, 400.0)(random));  // the effects' arguments
    const double x = static_cast<float>(i) * (1.0f / 640.0f);  // the wave's columns at varying sway
    check(20.0 * (x + 0.1 * std::sin(static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(random() % 0x42700000u))))));
    double near = std::nearbyint(std::ldexp(static_cast<double>(random() >> 11), -(int)(random() % 40))) * 0x1.921fb54442d18p+0;
    for (int k = 0; k < 3; ++k, near = std::nextafter(near, INFINITY)) check(near);
  }
  std::printf("doubles: %ld inputs, %ld mismatches, %ld with an unsure reference, %.0f s\n", count, doubleFailures,
              unsure, std::chrono::duration<double>(std::chrono::steady_clock::now() - doubleStart).count());
  for (const auto& [closeness, x] : hardDoubles)
    std::printf("  hard sin(%a) = %a, %.3g ulp from the boundary\n", x, Sin(x), closeness);
  return failures == 0 && doubleFailures == 0 ? 0 : 1;
}
