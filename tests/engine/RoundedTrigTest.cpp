// The engine's own sine and cosine: special arguments as C defines them, the
// hardest cases found by bench/TrigExhaustiveCheck.cpp (expected values from
// quad precision), and a sample of every float exponent checked against the
// correctly rounded double sine and the separate fixed-point path.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "RoundedTrig.h"

namespace {

std::uint32_t Bits(float x) { return std::bit_cast<std::uint32_t>(x); }
std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

TEST(RoundedTrigTest, SpecialAndKnownArguments) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr float kDenorm = std::numeric_limits<float>::denorm_min();
  struct FloatCase {
    float x, sin, cos;
  };
  for (const FloatCase& c : {FloatCase{0.0f, 0.0f, 1.0f}, {-0.0f, -0.0f, 1.0f}, {kDenorm, kDenorm, 1.0f},
                             {-kDenorm, -kDenorm, 1.0f}, {0x1p-12f, 0x1p-12f, 1.0f},
                             {0x1.921fb6p+0f, 1.0f, -0x1.777a5cp-25f}, {0x1.921fb6p+1f, -0x1.777a5cp-24f, -1.0f},
                             {0x1.2a05f2p+33f, -0x1.f334c8p-2f, 0x1.bf098ap-1f},
                             {0x1.fffffep+127f, -0x1.0b3366p-1f, 0x1.b4bf2cp-1f}}) {
    EXPECT_EQ(Bits(c.sin), Bits(SinF(c.x))) << c.x;
    EXPECT_EQ(Bits(-c.sin), Bits(SinF(-c.x))) << c.x;
    EXPECT_EQ(Bits(c.cos), Bits(CosF(c.x))) << c.x;
    EXPECT_EQ(Bits(c.cos), Bits(CosF(-c.x))) << c.x;
  }
  for (float x : {kInf, -kInf, std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_TRUE(std::isnan(SinF(x)) && std::isnan(CosF(x)) && std::isnan(Sin(static_cast<double>(x)))) << x;
  }
  struct DoubleCase {
    double x, sin;
  };
  for (const DoubleCase& c : {DoubleCase{0.0, 0.0}, {-0.0, -0.0}, {0x1p-1074, 0x1p-1074}, {0x1p-26, 0x1p-26},
                              {0x1p-25, 0x1.fffffffffffffp-26}, {0x1.921fb54442d18p+0, 1.0},
                              {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53}, {22.0, -0x1.220a29f6eb9f4p-7},
                              {400.0, -0x1.b3abb3ca5df71p-1}, {1e22, -0x1.b453ab76bf397p-1},
                              {0x1.fffffffffffffp+1023, 0x1.452fc98b34e97p-8}}) {
    EXPECT_EQ(Bits(c.sin), Bits(Sin(c.x))) << c.x;
    EXPECT_EQ(Bits(-c.sin), Bits(Sin(-c.x))) << c.x;
  }
}

TEST(RoundedTrigTest, HardestCasesRoundCorrectly) {
  struct FloatCase {
    std::uint32_t x;
    bool cosine;
    std::uint32_t want;
  };
  constexpr FloatCase kFloats[] = {
      {0x6115CB11u, true, 0x3F78142Fu},
      {0x59443C0Au, true, 0x3F425F62u},
      {0x5F18B878u, true, 0x3F7F14BBu},
      {0x73243F06u, false, 0x3E943A84u},
      {0x7A4B1A27u, true, 0x3F7C54DAu},
      {0x46199998u, false, 0xBEB1FA5Du},
      {0x55CAFB2Au, false, 0xBF7E7A17u},
      {0x5922AA80u, true, 0x3F08AEBFu},
      {0x7908CD73u, true, 0x3F798BB5u},
      {0x67A9242Bu, false, 0xBF7FAB81u},
  };
  for (const FloatCase& c : kFloats) {
    const float x = std::bit_cast<float>(c.x);
    EXPECT_EQ(c.want, Bits(c.cosine ? CosF(x) : SinF(x))) << std::hexfloat << x;
  }
  struct DoubleCase {
    double x, sin;
  };
  // Found closest to a rounding boundary among 24 million arguments, then six in
  // the effects' range whose fast evaluation alone would round the wrong way.
  constexpr DoubleCase kDoubles[] = {
      {0x1.d7e8ed849a549p+873, 0x1.f7d332ef6c4a9p-2},
      {0x1.baa0732ae9f8dp+31, 0x1.e021f1c6dda82p-21},
      {0x1.4afb0082939ap+49, 0x1.f7c8dd770d198p-1},
      {-0x1.7d9cb9885d171p+8, 0x1.fdde132432973p-1},
      {0x1.6cfa21aa11d86p+36, -0x1.4dfb22411f49fp-16},
      {0x1.eb6b7b748b22p+41, 0x1.8b45a6379aae8p-12},
      {0x1.4f0382797ea05p+38, 0x1.275fbf6de7e71p-16},
      {0x1.187dc01bd7a08p+44, -0x1.b1e4752a1bcb2p-13},
      {-0x1.3c5f8cb47b68p+4, -0x1.9883d7ccffaadp-1},
      {0x1.5c530f62f10dep+8, 0x1.8785049ee4433p-2},
      {0x1.002bedcdd3d4ap+8, -0x1.fb8f45ded714fp-1},
      {0x1.8a711a5877e4p+3, -0x1.e6f14801b6483p-3},
      {0x1.267d55d70f24p+2, -0x1.fcd984839aa4ep-1},
      {-0x1.4fc0ae5359798p+6, -0x1.8c31064743cd7p-1},
  };
  for (const DoubleCase& c : kDoubles) {
    EXPECT_EQ(Bits(c.sin), Bits(Sin(c.x))) << std::hexfloat << c.x;
  }
}

// The float functions against the double sine rounded to float (skipping the
// few values within a double's ulp of a float rounding boundary, where that
// second rounding could go wrong), and both fast paths against the fixed-point
// path on every 128th argument.
TEST(RoundedTrigTest, SampleOfEveryExponentAgrees) {
  int mismatches = 0, compared = 0;
  for (std::uint32_t b = 0; b < 0x7F800000u; b += 4099) {
    const float x = std::bit_cast<float>(b);
    const double d = Sin(static_cast<double>(x));
    const float f = static_cast<float>(d);
    const double gap = std::nextafter(std::fabs(f), std::numeric_limits<float>::infinity()) - std::fabs(f);
    if (std::fabs(std::fabs(d - f) - gap / 2) > std::fabs(d) * 0x1p-50) {
      ++compared;
      if (Bits(SinF(x)) != Bits(f) && mismatches++ < 5) ADD_FAILURE() << std::hexfloat << "sin " << x;
    }
    if ((b / 4099) % 128 == 0) {
      const std::uint64_t u = b * 0x9E3779B97F4A7C15ull;  // doubles from 2^-30 to 2^60
      const double wide = std::ldexp(static_cast<double>(u >> 11) * 0x1p-53, static_cast<int>(u % 90) - 30);
      if (Bits(CosF(x)) != Bits(CosFAccurate(x)) || Bits(SinF(x)) != Bits(SinFAccurate(x)) ||
          Bits(Sin(wide)) != Bits(SinAccurate(wide)))
        if (mismatches++ < 5) ADD_FAILURE() << std::hexfloat << "fixed point " << x << " " << wide;
    }
  }
  EXPECT_EQ(0, mismatches);
  EXPECT_GT(compared, 520000);
}

}  // namespace
