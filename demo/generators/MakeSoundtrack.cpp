// Synthesizes the bundled demo's soundtrack, so the demo ships no third-party
// music: make-soundtrack OUT.wav writes 52 seconds of 44100 Hz, 16-bit stereo
// PCM. Every sound comes from the small synthesizer below (oscillators,
// filters, envelopes, a seeded noise generator, a delay and a reverb), and the
// output is the same on every run. demo/generators/make-soundtrack.sh encodes
// it into demo/solvane.mp3.
//
// "First Light" runs at 120 BPM, so a beat is 0.5 s and a bar 2 s, and the
// demo's scripts put their cuts and flashes on the same grid:
//    0 - 12  intro    night: dark pads opening slowly, sparse bells from 4 s,
//                     a soft sub bass from 8 s
//   12 - 20  build    kick, bass and hats come in; a snare roll and a noise
//                     riser from 16 s, half a beat of silence before the drop
//   20 - 32  drop     four-on-the-floor, pumping bass and pads, a bell hook
//   32 - 44  drop 2   sunrise: the chords turn to the major side, a 16th-note
//                     arpeggio through a ping-pong delay
//   44 - 52  outro    the beat thins out and stops; a last C major chord
//                     rings from 48 s and fades to silence at 52 s
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;
constexpr double kBeat = 0.5;  // 120 BPM
constexpr double kBar = 4 * kBeat;
constexpr double kLength = 52.0;
constexpr std::size_t kFrames = static_cast<std::size_t>(kLength * kRate);

double MidiHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

std::size_t ToFrame(double seconds) {
  if (seconds <= 0) return 0;
  return std::min(kFrames, static_cast<std::size_t>(std::lround(seconds * kRate)));
}

// A piecewise-linear curve through (time, value) points, constant outside.
double Curve(double t, std::initializer_list<std::array<double, 2>> points) {
  const auto* p = points.begin();
  if (t <= (*p)[0]) return (*p)[1];
  for (; p + 1 != points.end(); ++p) {
    const auto& a = *p;
    const auto& b = *(p + 1);
    if (t < b[0]) return a[1] + (b[1] - a[1]) * (t - a[0]) / (b[0] - a[0]);
  }
  return (*p)[1];
}

// xorshift32: white noise in [-1, 1) from a seed, identical on every platform.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed ? seed : 0x9e3779b9u) {}
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_ / 2147483648.0 - 1.0;
  }

 private:
  std::uint32_t state_;
};

// A two-pole state-variable filter (trapezoidal integration), stable while
// its cutoff moves every sample.
class Svf {
 public:
  struct Out {
    double low, band, high;
  };
  Out Run(double x, double cutoff, double q) {
    cutoff = std::clamp(cutoff, 10.0, kRate * 0.45);
    const double g = std::tan(kPi * cutoff / kRate);
    const double k = 1.0 / q;
    const double a1 = 1.0 / (1.0 + g * (g + k));
    const double v3 = x - ic2_;
    const double v1 = a1 * ic1_ + g * a1 * v3;
    const double v2 = ic2_ + g * v1;
    ic1_ = 2 * v1 - ic1_;
    ic2_ = 2 * v2 - ic2_;
    return {v2, v1, x - k * v1 - v2};
  }
  double Low(double x, double cutoff, double q = 0.707) { return Run(x, cutoff, q).low; }
  double High(double x, double cutoff, double q = 0.707) { return Run(x, cutoff, q).high; }
  double Band(double x, double cutoff, double q) { return Run(x, cutoff, q).band; }

 private:
  double ic1_ = 0, ic2_ = 0;
};

// A band-limited sawtooth: the naive ramp with its step smoothed (polyBLEP).
class Saw {
 public:
  explicit Saw(double phase = 0) : phase_(phase) {}
  double Next(double hz) {
    const double dt = hz / kRate;
    double y = 2 * phase_ - 1;
    if (phase_ < dt) {
      const double t = phase_ / dt;
      y -= t + t - t * t - 1;
    } else if (phase_ > 1 - dt) {
      const double t = (phase_ - 1) / dt;
      y -= t * t + t + t + 1;
    }
    phase_ += dt;
    if (phase_ >= 1) phase_ -= 1;
    return y;
  }

 private:
  double phase_;
};

// Phase accumulator for sines and triangles.
class Phase {
 public:
  explicit Phase(double phase = 0) : phase_(phase) {}
  double Next(double hz) {
    const double p = phase_;
    phase_ += hz / kRate;
    phase_ -= std::floor(phase_);
    return p;
  }
  static double Sine(double p) { return std::sin(2 * kPi * p); }
  static double Triangle(double p) { return 1 - 4 * std::fabs(p - 0.5); }

 private:
  double phase_;
};

// Attack, hold, release: a smooth (raised-cosine) rise, then full level until
// the note ends, then an exponential-looking fall over `release` seconds.
double Envelope(double t, double attack, double length, double release) {
  if (t < 0) return 0;
  double level = t < attack ? 0.5 - 0.5 * std::cos(kPi * t / attack) : 1.0;
  if (t > length) {
    const double r = (t - length) / release;
    level *= r >= 1 ? 0 : (1 - r) * (1 - r);
  }
  return level;
}

struct Bus {
  std::vector<float> left = std::vector<float>(kFrames, 0.0f);
  std::vector<float> right = std::vector<float>(kFrames, 0.0f);
  void Add(std::size_t i, double l, double r) {
    left[i] += static_cast<float>(l);
    right[i] += static_cast<float>(r);
  }
  // Equal-power pan: -1 left, 0 centre, +1 right.
  void AddPanned(std::size_t i, double x, double pan) {
    const double a = (pan + 1) * kPi / 4;
    Add(i, x * std::cos(a) * std::sqrt(2.0), x * std::sin(a) * std::sqrt(2.0));
  }
};

// ---- Instruments -----------------------------------------------------------

// Kick: a sine swept down from about 160 Hz to 46 Hz, a short click on top.
void Kick(Bus& bus, double start, double amp) {
  Phase osc;
  const std::size_t begin = ToFrame(start), end = ToFrame(start + 0.5);
  for (std::size_t i = begin; i < end; ++i) {
    const double t = (i - begin) / double(kRate);
    const double hz = 46 + 115 * std::exp(-t / 0.03);
    const double body = std::tanh(1.6 * Phase::Sine(osc.Next(hz))) * std::exp(-t / 0.26);
    const double click = std::exp(-t / 0.003) * 0.3 * Phase::Sine(t * 1800);
    const double fade = std::min(1.0, (0.5 - t) / 0.02) * std::min(1.0, t / 0.0008);
    const double x = amp * (body + click) * fade;
    bus.Add(i, x, x);
  }
}

// Snare: a short tonal body and band-limited noise, slightly different noise
// on each side for width.
void Snare(Bus& bus, double start, double amp, std::uint32_t seed) {
  Phase body;
  Noise nl(seed * 2654435761u + 1), nr(seed * 2246822519u + 7);
  Svf hl, hr, ll, lr;
  const std::size_t begin = ToFrame(start), end = ToFrame(start + 0.45);
  for (std::size_t i = begin; i < end; ++i) {
    const double t = (i - begin) / double(kRate);
    const double tone = Phase::Sine(body.Next(175 + 60 * std::exp(-t / 0.02))) * std::exp(-t / 0.05);
    const double fade = std::min(1.0, (0.45 - t) / 0.05);
    const double envNoise = std::exp(-t / 0.11) * std::min(1.0, t / 0.001) * fade;
    const double l = ll.Low(hl.High(nl.Next(), 1100), 9000) * envNoise;
    const double r = lr.Low(hr.High(nr.Next(), 1100), 9000) * envNoise;
    bus.Add(i, amp * (0.55 * tone + 0.8 * l), amp * (0.55 * tone + 0.8 * r));
  }
}

// Hi-hat: six detuned square waves (a metallic cluster) mixed with noise,
// high-passed; open hats ring longer.
void Hat(Bus& bus, double start, double amp, bool open, double pan, std::uint32_t seed) {
  static const double kPartials[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
  std::array<Phase, 6> osc;
  Noise noise(seed * 747796405u + 3);
  Svf band, high;
  const double decay = open ? 0.22 : 0.035;
  const std::size_t begin = ToFrame(start), end = ToFrame(start + decay * 6);
  for (std::size_t i = begin; i < end; ++i) {
    const double t = (i - begin) / double(kRate);
    double metal = 0;
    for (int k = 0; k < 6; ++k) metal += osc[k].Next(kPartials[k] * 3.2) < 0.5 ? 1 : -1;
    const double raw = 0.12 * metal + 0.7 * noise.Next();
    const double x = high.High(band.Band(raw, 10000, 0.9), 7000) * std::exp(-t / decay);
    const double fade = std::min(1.0, t / 0.0005) * std::min(1.0, (decay * 6 - t) / decay);
    bus.AddPanned(i, amp * x * fade, pan);
  }
}

// Crash: noise and the metal cluster through a high-pass, long decay.
void Crash(Bus& bus, double start, double amp, std::uint32_t seed) {
  static const double kPartials[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
  std::array<Phase, 6> osc;
  Noise nl(seed + 11), nr(seed + 29);
  Svf hl, hr, ll, lr;
  const std::size_t begin = ToFrame(start), end = ToFrame(start + 4.0);
  for (std::size_t i = begin; i < end; ++i) {
    const double t = (i - begin) / double(kRate);
    double metal = 0;
    for (int k = 0; k < 6; ++k) metal += osc[k].Next(kPartials[k] * 2.1) < 0.5 ? 1 : -1;
    const double env = std::exp(-t / 1.1) * std::min(1.0, t / 0.002) * std::min(1.0, (4.0 - t) / 0.5);
    const double l = lr.Low(hl.High(0.08 * metal + nl.Next(), 4500), 12000);
    const double r = ll.Low(hr.High(0.08 * metal + nr.Next(), 4500), 12000);
    bus.Add(i, amp * env * l, amp * env * r);
  }
}

// Riser: noise through a resonant band-pass sweeping up, getting louder.
void Riser(Bus& bus, double start, double end, double amp, std::uint32_t seed) {
  Noise nl(seed), nr(seed ^ 0x5bd1e995u);
  Svf fl, fr;
  const std::size_t b = ToFrame(start), e = ToFrame(end);
  for (std::size_t i = b; i < e; ++i) {
    const double u = (i - b) / double(e - b);
    const double hz = 350 * std::pow(8000.0 / 350, u);
    const double env = amp * u * u * std::min(1.0, (e - i) / (0.01 * kRate));
    bus.Add(i, env * fl.Band(nl.Next(), hz, 2.5), env * fr.Band(nr.Next(), hz, 2.5));
  }
}

// Bass: a sawtooth and a sine, through a low-pass whose cutoff jumps up at
// each note and falls back quickly.
void BassNote(Bus& bus, double start, double length, double note, double amp, double cutoff,
              double envAmount) {
  Saw saw;
  Phase sub;
  Svf filter;
  const double hz = MidiHz(note);
  const std::size_t begin = ToFrame(start), end = ToFrame(start + length + 0.03);
  for (std::size_t i = begin; i < end; ++i) {
    const double t = (i - begin) / double(kRate);
    const double raw = 0.55 * saw.Next(hz) + 0.75 * Phase::Sine(sub.Next(hz));
    const double x = filter.Low(raw, cutoff + envAmount * std::exp(-t / 0.08), 1.3);
    const double y = amp * x * Envelope(t, 0.004, length, 0.03);
    bus.Add(i, y, y);
  }
}

// Pad: per note two detuned saws (left and right) and a centred triangle,
// each side through its own low-pass whose cutoff follows `cutoff(t)`.
template <typename Cutoff>
void PadNote(Bus& bus, double start, double length, double note, double amp, double attack,
             double release, Cutoff cutoff, Noise& phases) {
  Saw sl(0.5 + 0.5 * phases.Next()), sr(0.5 + 0.5 * phases.Next());
  Phase tri(0.5 + 0.5 * phases.Next());
  Svf fl, fr;
  const double hz = MidiHz(note);
  const double detune = std::pow(2.0, 8.0 / 1200);
  const std::size_t begin = ToFrame(start), end = ToFrame(start + length + release);
  for (std::size_t i = begin; i < end; ++i) {
    const double t = (i - begin) / double(kRate);
    const double env = amp * Envelope(t, attack, length, release);
    const double c = 0.6 * Phase::Triangle(tri.Next(hz));
    const double fc = cutoff(start + t);
    const double l = fl.Low(0.5 * sl.Next(hz / detune) + c, fc, 0.8);
    const double r = fr.Low(0.5 * sr.Next(hz * detune) + c, fc, 0.8);
    bus.Add(i, env * l, env * r);
  }
}

// Bell: two-operator FM (modulator at twice the pitch), the brightness and
// the level dying away together.
void Bell(Bus& bus, double start, double note, double amp, double pan) {
  Phase carrier, modulator;
  const double hz = MidiHz(note);
  const std::size_t begin = ToFrame(start), end = ToFrame(start + 3.0);
  for (std::size_t i = begin; i < end; ++i) {
    const double t = (i - begin) / double(kRate);
    const double index = 0.4 + 2.2 * std::exp(-t / 0.18);
    const double m = Phase::Sine(modulator.Next(2 * hz));
    const double x = std::sin(2 * kPi * carrier.Next(hz) + index * m);
    const double env = std::exp(-t / 0.7) * std::min(1.0, t / 0.002) * std::min(1.0, (3.0 - t) / 0.1);
    bus.AddPanned(i, amp * x * env, pan);
  }
}

// Pluck: two detuned saws through a low-pass that closes quickly.
void Pluck(Bus& bus, double start, double note, double amp, double pan, double brightness) {
  Saw a(0.1), b(0.6);
  Svf filter;
  const double hz = MidiHz(note);
  const std::size_t begin = ToFrame(start), end = ToFrame(start + 0.4);
  for (std::size_t i = begin; i < end; ++i) {
    const double t = (i - begin) / double(kRate);
    const double raw = 0.5 * (a.Next(hz * 0.997) + b.Next(hz * 1.003));
    const double x = filter.Low(raw, 500 + brightness * std::exp(-t / 0.07), 1.1);
    const double env = std::exp(-t / 0.14) * std::min(1.0, t / 0.002) * std::min(1.0, (0.4 - t) / 0.05);
    bus.AddPanned(i, amp * x * env, pan);
  }
}

// ---- Effects ---------------------------------------------------------------

// Ping-pong delay: what enters goes left, each repeat crosses to the other
// side, a little darker each time.
void PingPong(const Bus& in, Bus& out, double seconds, double feedback, double mix) {
  const std::size_t d = ToFrame(seconds);
  std::vector<double> bl(d, 0.0), br(d, 0.0);
  double dampL = 0, dampR = 0;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < kFrames; ++i) {
    const double yl = bl[pos], yr = br[pos];
    dampL += 0.35 * (yl - dampL);
    dampR += 0.35 * (yr - dampR);
    bl[pos] = 0.5 * (in.left[i] + in.right[i]) + feedback * dampR;
    br[pos] = feedback * dampL;
    if (++pos == d) pos = 0;
    out.Add(i, mix * yl, mix * yr);
  }
}

// A plate-like reverb: eight damped feedback combs in parallel and four
// all-passes in series per side, the right side's delays a little longer.
class Reverb {
 public:
  Reverb(double roomSize, double damping) {
    static const int kCombs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const int kPasses[4] = {556, 441, 341, 225};
    for (int side = 0; side < 2; ++side) {
      for (int k = 0; k < 8; ++k) combs_[side][k].Resize(kCombs[k] + side * 23);
      for (int k = 0; k < 4; ++k) passes_[side][k].Resize(kPasses[k] + side * 23);
    }
    feedback_ = roomSize;
    damping_ = damping;
  }
  void Process(const Bus& in, Bus& out, double mix) {
    for (std::size_t i = 0; i < kFrames; ++i) {
      const double x = 0.015 * (in.left[i] + in.right[i]);
      double y[2];
      for (int side = 0; side < 2; ++side) {
        double sum = 0;
        for (auto& c : combs_[side]) sum += c.Run(x, feedback_, damping_);
        for (auto& a : passes_[side]) sum = a.Run(sum);
        y[side] = sum;
      }
      out.Add(i, mix * y[0], mix * y[1]);
    }
  }

 private:
  struct Line {
    std::vector<double> buffer;
    std::size_t pos = 0;
    double store = 0;
    void Resize(int n) { buffer.assign(static_cast<std::size_t>(n), 0.0); }
    double Run(double x, double feedback, double damping) {
      const double y = buffer[pos];
      store = y * (1 - damping) + store * damping;
      buffer[pos] = x + store * feedback;
      if (++pos == buffer.size()) pos = 0;
      return y;
    }
    double Run(double x) {
      const double b = buffer[pos];
      buffer[pos] = x + 0.5 * b;
      if (++pos == buffer.size()) pos = 0;
      return b - x;
    }
  };
  std::array<std::array<Line, 8>, 2> combs_;
  std::array<std::array<Line, 4>, 2> passes_;
  double feedback_, damping_;
};

// ---- The piece -------------------------------------------------------------

struct Chord {
  int root;                  // the bass note
  std::array<int, 4> notes;  // the pad's voicing, low to high
};

const Chord kAm{33, {57, 60, 64, 71}};  // A minor, added ninth
const Chord kF{29, {57, 60, 65, 67}};   // F, added ninth
const Chord kC{36, {55, 60, 64, 67}};
const Chord kCmaj7{36, {55, 59, 64, 67}};
const Chord kG{31, {55, 59, 62, 67}};
const Chord kDm{38, {57, 62, 65, 69}};
const Chord kCHigh{36, {60, 64, 67, 72}};  // the last chord, brighter

// One chord per bar, 26 bars.
const std::array<Chord, 26> kBars = {
    kAm, kAm, kF, kF, kC, kG,          // intro
    kAm, kF, kC, kG,                   // build
    kAm, kF, kC, kG, kF, kG,           // drop
    kCmaj7, kG, kAm, kF, kDm, kG,      // drop 2
    kAm, kF, kCHigh, kCHigh,           // outro
};

// Where the pads' low-pass sits: dark at night, open at sunrise.
double PadCutoff(double t) {
  const double base = Curve(t, {{0, 280}, {12, 1300}, {19.5, 2600}, {20, 2200}, {32, 2600},
                                {32.01, 3400}, {44, 3200}, {48, 1800}, {52, 600}});
  return base * (1 + 0.15 * std::sin(2 * kPi * t / 8));
}

// Sidechain: the pads and bass duck under each kick and swell back.
double Duck(double t, const std::vector<double>& kicks, double depth) {
  double duck = 0;
  for (auto k = std::upper_bound(kicks.begin(), kicks.end(), t); k != kicks.begin();) {
    const double dt = t - *--k;
    if (dt > 0.5) break;
    duck = std::max(duck, std::min(1.0, dt / 0.005) * std::exp(-dt / 0.14));
  }
  return 1 - depth * duck;
}

struct Melody {
  double time;
  int note;
};

void Render(Bus& master) {
  Bus kickBus, drums, bass, pads, lead, fx;
  Noise phases(20240601);
  std::uint32_t seed = 1;

  // Pads: one chord a bar; the first ones slow to swell in, the last chord
  // held to the end.
  for (int bar = 0; bar < 26; ++bar) {
    const double start = bar * kBar;
    if (bar > 0 && kBars[bar].notes == kBars[bar - 1].notes) continue;
    int bars = 1;
    while (bar + bars < 26 && kBars[bar + bars].notes == kBars[bar].notes) ++bars;
    const bool last = bar + bars == 26;
    const double attack = bar == 0 ? 3.5 : start < 12 ? 1.2 : 0.35;
    const double length = last ? kLength - start : bars * kBar - 0.1;
    const double level = start < 12 ? 0.15 : last ? 0.18 : 0.14;
    for (int n : kBars[bar].notes)
      PadNote(pads, start, length, n, level, attack, last ? 0.5 : 0.9, PadCutoff, phases);
  }

  // Drums. Kick times are kept for the sidechain.
  std::vector<double> kicks;
  auto kick = [&](double t, double amp) {
    Kick(kickBus, t, amp);
    kicks.push_back(t);
  };
  for (double t = 12; t < 16; t += 2 * kBeat) kick(t, Curve(t, {{12, 0.6}, {15, 0.8}}));
  for (double t = 16; t < 19.5; t += kBeat) kick(t, 0.85);
  for (double t = 20; t < 44; t += kBeat) kick(t, 0.95);
  for (double t = 44; t < 48; t += 2 * kBeat) kick(t, Curve(t, {{44, 0.8}, {47, 0.5}}));
  kick(48, 0.7);

  // Snare on beats two and four from 16 s; a roll from 18 s that speeds up,
  // then half a beat of silence; a short fill into the outro.
  for (double t = 16.5; t < 18; t += 2 * kBeat) Snare(drums, t, 0.5, seed++);
  for (double t = 18; t < 19; t += kBeat / 4) Snare(drums, t, Curve(t, {{18, 0.18}, {19, 0.4}}), seed++);
  for (double t = 19; t < 19.5; t += kBeat / 8) Snare(drums, t, Curve(t, {{19, 0.4}, {19.5, 0.6}}), seed++);
  for (double t = 20.5; t < 44; t += 2 * kBeat) Snare(drums, t, 0.62, seed++);
  for (double t : {43.5, 43.625, 43.75, 43.875}) Snare(drums, t, 0.3 + (t - 43.5), seed++);
  for (double t = 44.5; t < 48; t += 2 * kBeat) Snare(drums, t, Curve(t, {{44.5, 0.45}, {47.5, 0.25}}), seed++);

  // Hats: off-beat eighths in the build, sixteenths with open hats on the
  // off-beats in the drops, eighths fading out in the outro.
  for (double t = 12 + kBeat / 2; t < 16; t += kBeat) Hat(drums, t, Curve(t, {{12, 0.12}, {16, 0.25}}), false, 0.2, seed++);
  for (int s = 0; s < 28; ++s) {
    const double t = 16 + s * kBeat / 4;
    Hat(drums, t, (s % 2 ? 0.14 : 0.2) * Curve(t, {{16, 0.8}, {19.5, 1.2}}), false, 0.25, seed++);
  }
  for (int s = 0; s < 96; ++s) {
    const double t = 20 + s * kBeat / 4;
    const int step = s % 4;
    if (step == 2)
      Hat(drums, t, 0.25, true, -0.15, seed++);
    else
      Hat(drums, t, step == 0 ? 0.22 : 0.13, false, 0.3, seed++);
  }
  for (double t = 44 + kBeat / 2; t < 48; t += kBeat) Hat(drums, t, Curve(t, {{44, 0.2}, {48, 0.06}}), false, 0.2, seed++);

  Crash(fx, 20, 0.32, 101);
  Crash(fx, 32, 0.3, 202);
  Crash(fx, 44, 0.22, 303);
  Riser(fx, 16, 20, 0.4, 404);

  // Bass: long soft notes under the end of the intro, eighths from the
  // build on (root, octave jumps), long notes again in the outro.
  BassNote(bass, 8, 1.9, kBars[4].root, 0.4, 180, 60);
  BassNote(bass, 10, 1.9, kBars[5].root, 0.45, 180, 60);
  static const int kPattern[8] = {0, 0, 12, 0, 0, 0, 12, 7};
  for (int bar = 6; bar < 22; ++bar) {
    for (int e = 0; e < 8; ++e) {
      const double t = bar * kBar + e * kBeat / 2;
      if (t >= 19.5 && t < 20) continue;
      const bool drop = t >= 20;
      const double cutoff = drop ? (t >= 32 ? 520 : 430) : Curve(t, {{12, 160}, {19.5, 380}});
      BassNote(bass, t, kBeat / 2 * 0.75, kBars[bar].root + kPattern[e], drop ? 0.8 : 0.6, cutoff,
               drop ? 1400 : 700);
    }
  }
  BassNote(bass, 44, 1.9, kBars[22].root, 0.65, 260, 300);
  BassNote(bass, 46, 1.9, kBars[23].root, 0.6, 240, 250);
  BassNote(bass, 48, 3.6, kBars[24].root, 0.55, 220, 200);

  // Bells: a few stars in the intro, the hook in the drop, an answer an
  // octave up at sunrise, and the last notes over the final chord.
  const Melody kStars[] = {{4.0, 81}, {5.0, 79}, {6.0, 77}, {6.5, 76}, {8.0, 76},
                           {8.5, 79}, {9.0, 84}, {10.0, 83}, {10.5, 79}, {11.0, 74}};
  for (const auto& m : kStars) Bell(lead, m.time, m.note, 0.16, (m.note % 5 - 2) * 0.25);
  const Melody kHook[] = {{0, 76}, {0.75, 72}, {1.0, 74}, {1.5, 76},   // Am
                          {2, 77}, {2.75, 76}, {3.0, 72},              // F
                          {4, 79}, {4.75, 76}, {5.0, 72}, {5.5, 74},   // C
                          {6, 74}, {6.75, 71}, {7.0, 67},              // G
                          {8, 81}, {8.75, 79}, {9.0, 77}, {9.5, 76},   // F
                          {10, 74}, {11.0, 71}, {11.5, 74}};           // G
  for (const auto& m : kHook) Bell(lead, 20 + m.time, m.note, 0.18, 0.15);
  const Melody kAnswer[] = {{0, 76}, {0.75, 79}, {1.0, 84}, {1.5, 83},   // Cmaj7
                            {2, 83}, {2.75, 79}, {3.0, 74},              // G
                            {4, 84}, {4.75, 81}, {5.0, 76}, {5.5, 79},   // Am
                            {6, 81}, {6.75, 84}, {7.0, 77},              // F
                            {8, 77}, {8.75, 81}, {9.0, 86}, {9.5, 84},   // Dm
                            {10, 83}, {11.0, 79}, {11.5, 86}};           // G
  for (const auto& m : kAnswer) Bell(lead, 32 + m.time, m.note, 0.12, -0.2);
  for (const auto& m : std::initializer_list<Melody>{{48, 84}, {48.75, 79}, {49.0, 76}, {49.5, 72}, {50.5, 76}})
    Bell(lead, m.time, m.note, 0.15, 0.1 * (m.note - 78) / 6);

  // Arpeggio: sixteenths up and down the chord an octave above the pads,
  // through drop 2 and the first half of the outro.
  static const int kArp[8] = {0, 1, 2, 3, 2, 1, 2, 3};
  for (int bar = 16; bar < 24; ++bar) {
    for (int s = 0; s < 16; ++s) {
      const double t = bar * kBar + s * kBeat / 4;
      const double amp = (s % 4 == 0 ? 0.16 : 0.11) * Curve(t, {{32, 0.8}, {34, 1}, {44, 1}, {48, 0.3}});
      const double brightness = 1500 + 1500 * (0.5 - 0.5 * std::cos(2 * kPi * (t - 32) / 8));
      Pluck(lead, t, kBars[bar].notes[kArp[s % 8]] + 12, amp, s % 2 ? 0.35 : -0.35,
            brightness * Curve(t, {{44, 1}, {48, 0.5}}));
    }
  }

  // Mix: pads and bass duck under the kick; the bells and arpeggio feed the
  // delay; pads, bells, delay, snare and hats share the reverb (the kick and
  // bass stay dry).
  Bus delayOut, reverbIn, reverbOut;
  PingPong(lead, delayOut, 3 * kBeat / 4, 0.42, 0.45);
  for (std::size_t i = 0; i < kFrames; ++i) {
    const double t = i / double(kRate);
    const double depth = t < 20 ? 0.3 : t < 44 ? 0.55 : 0.3;
    const double duck = Duck(t, kicks, depth);
    const double padDuck = Duck(t, kicks, depth * 0.8);
    const double l = pads.left[i] * padDuck, r = pads.right[i] * padDuck;
    master.Add(i, l + kickBus.left[i] + drums.left[i] + bass.left[i] * duck + lead.left[i] + delayOut.left[i] + fx.left[i],
               r + kickBus.right[i] + drums.right[i] + bass.right[i] * duck + lead.right[i] + delayOut.right[i] + fx.right[i]);
    reverbIn.Add(i, 0.8 * l + 0.7 * (lead.left[i] + delayOut.left[i]) + 0.25 * drums.left[i] + 0.3 * fx.left[i],
                 0.8 * r + 0.7 * (lead.right[i] + delayOut.right[i]) + 0.25 * drums.right[i] + 0.3 * fx.right[i]);
  }
  Reverb(0.86, 0.35).Process(reverbIn, reverbOut, 0.6);
  for (std::size_t i = 0; i < kFrames; ++i) master.Add(i, reverbOut.left[i], reverbOut.right[i]);
}

// Removes DC and rumble below about 25 Hz, fades the ends, gently rounds the
// loudest peaks and scales to a -1 dBFS peak.
void Master(Bus& bus) {
  const double a = std::exp(-2 * kPi * 25.0 / kRate);
  for (auto* channel : {&bus.left, &bus.right}) {
    double x1 = 0, y1 = 0;
    for (std::size_t i = 0; i < kFrames; ++i) {
      const double x = (*channel)[i];
      const double y = a * (y1 + x - x1);
      x1 = x;
      y1 = y;
      const double t = i / double(kRate);
      const double fade = std::min(1.0, t / 0.5) * Curve(t, {{48.5, 1}, {52, 0}});
      (*channel)[i] = static_cast<float>(y * fade);
    }
  }
  float peak = 0;
  for (auto* channel : {&bus.left, &bus.right})
    for (float v : *channel) peak = std::max(peak, std::fabs(v));
  // Soft knee above half the peak, then normalise.
  for (auto* channel : {&bus.left, &bus.right})
    for (float& v : *channel) {
      const double x = v / peak;
      const double ax = std::fabs(x);
      const double y = ax < 0.5 ? ax : 0.5 + 0.5 * std::tanh((ax - 0.5) / 0.5);
      v = static_cast<float>(std::copysign(y, x));
    }
  peak = 0;
  for (auto* channel : {&bus.left, &bus.right})
    for (float v : *channel) peak = std::max(peak, std::fabs(v));
  const double gain = std::pow(10.0, -1.0 / 20) / peak;
  for (auto* channel : {&bus.left, &bus.right})
    for (float& v : *channel) v = static_cast<float>(v * gain);
}

void Put16(std::vector<unsigned char>& out, unsigned v) {
  out.push_back(static_cast<unsigned char>(v));
  out.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(std::vector<unsigned char>& out, unsigned v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

// 16-bit stereo PCM WAV, with triangular dither from a fixed seed.
bool WriteWav(const char* path, const Bus& bus) {
  const unsigned dataBytes = static_cast<unsigned>(kFrames * 4);
  std::vector<unsigned char> file;
  file.reserve(44 + dataBytes);
  for (char c : {'R', 'I', 'F', 'F'}) file.push_back(static_cast<unsigned char>(c));
  Put32(file, 36 + dataBytes);
  for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}) file.push_back(static_cast<unsigned char>(c));
  Put32(file, 16);
  Put16(file, 1);  // PCM
  Put16(file, 2);  // stereo
  Put32(file, kRate);
  Put32(file, kRate * 4);
  Put16(file, 4);
  Put16(file, 16);
  for (char c : {'d', 'a', 't', 'a'}) file.push_back(static_cast<unsigned char>(c));
  Put32(file, dataBytes);
  Noise dither(777);
  for (std::size_t i = 0; i < kFrames; ++i) {
    for (float v : {bus.left[i], bus.right[i]}) {
      const double d = 0.5 * (dither.Next() + dither.Next());
      const long s = std::lround(std::clamp(v * 32767.0 + d, -32768.0, 32767.0));
      Put16(file, static_cast<unsigned>(s) & 0xffff);
    }
  }
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-soundtrack OUT.wav\n");
    return 2;
  }
  Bus master;
  Render(master);
  Master(master);
  if (!WriteWav(argv[1], master)) {
    std::fprintf(stderr, "make-soundtrack: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
