#include "BeatAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "OnsetStrength.h"

// The method: Ellis's onset strength envelope and autocorrelation tempo
// estimate ("Beat Tracking by Dynamic Programming", 2007), and then, since a
// demo's soundtrack keeps one tempo, a global fit in place of his dynamic
// programming: the period that gathers the most onset strength at t0 + k P
// over the whole file (the envelope folded modulo P, searched coarse to fine
// over ever longer stretches), and a least-squares line through the attack
// times found at each beat, which pins tempo and phase far below one
// envelope hop.

namespace {

constexpr double kSlowest = 60, kFastest = 200;
// A level just outside the range by the envelope's rounding still counts.
constexpr double kRangeSlack = 0.5;
// Tempo prior: a broad log-normal bump around 120 BPM, so that of two
// equally periodic levels the more usual one is tried first.
constexpr double kPreferred = 120, kPriorOctaves = 1.5;
// Two pulse levels count as alike when the weaker carries at least this share
// of the stronger's accent.
constexpr double kAlike = 0.5;
// An attack: the energy of the 5 ms after a point at least this far above
// that of the 5 ms before.
constexpr double kAttackDb = 4, kAttackWindow = 0.005, kAttackBlock = 0.0005;
constexpr double kInlier = 0.006;   // seconds off the grid an onset may lie and still count
constexpr double kLeastConfidence = 0.3;
constexpr int kLeastBeats = 8;

double Tempo(double period, double frameRate) { return 60.0 * frameRate / period; }

// The largest value within two frames of position (in frames); 0 outside.
double StrengthNear(const std::vector<float>& values, double position) {
  const long centre = std::lround(position);
  float best = 0;
  for (long i = centre - 2; i <= centre + 2; ++i)
    if (i >= 0 && i < static_cast<long>(values.size())) best = std::max(best, values[i]);
  return best;
}

// Mean strength at phase + shift + k period for the k with k % every == which.
double MeanStrength(const std::vector<float>& values, double phase, double period, double shift,
                    int every, int which) {
  double sum = 0;
  int count = 0;
  for (long k = 0;; ++k) {
    const double at = phase + shift + k * period;
    if (at > static_cast<double>(values.size())) break;
    if (k % every != which) continue;
    sum += StrengthNear(values, at);
    ++count;
  }
  return count ? sum / count : 0.0;
}

// Autocorrelation of the envelope over the lags of 60 to 200 BPM, weighted by
// the prior; the best lag, interpolated, or 0 when nothing repeats.
double PeriodFromAutocorrelation(const std::vector<float>& flux, double frameRate) {
  const int n = static_cast<int>(flux.size());
  const int shortest = std::max(2, static_cast<int>(std::floor(60 * frameRate / kFastest)) - 1);
  const int longest = static_cast<int>(std::ceil(60 * frameRate / kSlowest)) + 1;
  if (n < 2 * longest) return 0;
  double mean = 0;
  for (float v : flux) mean += v;
  mean /= n;
  std::vector<float> x(n);
  for (int i = 0; i < n; ++i) x[i] = static_cast<float>(flux[i] - mean);
  std::vector<double> score(longest + 2, 0.0);
  for (int lag = shortest; lag <= longest + 1; ++lag) {
    double sum = 0;
    for (int i = 0; i + lag < n; ++i) sum += x[i] * x[i + lag];
    const double octaves = std::log2(Tempo(lag, frameRate) / kPreferred) / kPriorOctaves;
    score[lag] = sum / (n - lag) * std::exp(-0.5 * octaves * octaves);
  }
  int best = 0;
  for (int lag = shortest + 1; lag <= longest; ++lag)
    if (score[lag] > 0 && score[lag] >= score[lag - 1] && score[lag] >= score[lag + 1] &&
        (best == 0 || score[lag] > score[best]))
      best = lag;
  if (best == 0) return 0;
  const double a = score[best - 1], b = score[best], c = score[best + 1];
  const double bend = a - 2 * b + c;
  return best + (bend < 0 ? 0.5 * (a - c) / bend : 0.0);
}

struct Folded {
  double score = 0;  // mean strength per beat at the best phase
  double phase = 0;  // frames, 0 <= phase < period
};

// The envelope from..to folded modulo period: every phase's sum at once.
Folded Fold(const std::vector<float>& flux, int from, int to, double period) {
  const int bins = std::max(8, static_cast<int>(std::ceil(period * 2)));
  std::vector<double> sum(bins, 0.0), smooth(bins);
  const double scale = bins / period;
  for (int i = from; i < to; ++i) {
    if (flux[i] == 0) continue;
    const double at = std::fmod(static_cast<double>(i), period) * scale;
    const int bin = std::min(bins - 1, static_cast<int>(at));
    const double part = at - bin;
    sum[bin] += flux[i] * (1 - part);
    sum[(bin + 1) % bins] += flux[i] * part;
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (int b = 0; b < bins; ++b)
      smooth[b] = 0.25 * sum[(b + bins - 1) % bins] + 0.5 * sum[b] + 0.25 * sum[(b + 1) % bins];
    sum.swap(smooth);
  }
  const int best = static_cast<int>(std::max_element(sum.begin(), sum.end()) - sum.begin());
  const double a = sum[(best + bins - 1) % bins], b = sum[best], c = sum[(best + 1) % bins];
  const double bend = a - 2 * b + c;
  const double offset = bend < 0 ? 0.5 * (a - c) / bend : 0.0;
  Folded folded;
  folded.score = b / std::max(1.0, (to - from) / period);
  folded.phase = std::fmod((best + offset) / scale + period, period);
  return folded;
}

// The period that gathers the most strength, searched first over the middle
// 24 s and then over four times as much at each step, each time on a grid
// fine enough that the whole stretch drifts a quarter frame per step.
double RefinePeriod(const std::vector<float>& flux, double period) {
  const int n = static_cast<int>(flux.size());
  double range = 0.02 * period;
  for (int length = std::min(n, 2048);; length = std::min(n, length * 4)) {
    const int from = std::max(0, n / 2 - length / 2), to = std::min(n, from + length);
    const double step = 0.25 * period / (to - from);
    const int steps = static_cast<int>(std::ceil(range / step));
    double best = period, bestScore = -1;
    for (int s = -steps; s <= steps; ++s) {
      const double candidate = period + s * step;
      const double score = Fold(flux, from, to, candidate).score;
      if (score > bestScore) {
        bestScore = score;
        best = candidate;
      }
    }
    period = best;
    range = 3 * step;
    if (to - from == n) return period;
  }
}

std::string Fixed(double value, int decimals) {
  char text[64];
  if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;  // never "-0.000"
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// Attack times near each beat of the grid: per beat, the point within reach
// where the energy after it most exceeds the energy before it.
struct Attack {
  long beat;
  double time;
};

std::vector<Attack> FindAttacks(const AnalysisSignal& signal, double firstBeat, double period,
                                double reach) {
  const int block = std::max(1, static_cast<int>(std::lround(signal.rate * kAttackBlock)));
  const int window = std::max(1, static_cast<int>(std::lround(kAttackWindow / kAttackBlock)));
  const size_t blocks = signal.samples.size() / block;
  std::vector<double> energy(blocks + 1, 0.0);  // running sum
  for (size_t j = 0; j < blocks; ++j) {
    double e = 0;
    for (int i = 0; i < block; ++i) e += signal.samples[j * block + i] * signal.samples[j * block + i];
    energy[j + 1] = energy[j] + e;
  }
  const double floor = 1e-6 * energy[blocks] / std::max<size_t>(1, blocks) * window + 1e-20;
  const double blockTime = block / signal.rate;
  const double end = blocks * blockTime;
  std::vector<Attack> attacks;
  const long firstK = static_cast<long>(std::ceil((0 - firstBeat) / period));
  for (long k = firstK;; ++k) {
    const double t = firstBeat + k * period;
    if (t > end) break;
    const long from = std::max<long>(window, std::lround((t - reach) / blockTime));
    const long to = std::min<long>(static_cast<long>(blocks) - window, std::lround((t + reach) / blockTime));
    double bestRatio = 0;
    long best = -1;
    for (long j = from; j <= to; ++j) {
      const double after = energy[j + window] - energy[j], before = energy[j] - energy[j - window];
      const double ratio = (after + floor) / (before + floor);
      if (ratio > bestRatio) {
        bestRatio = ratio;
        best = j;
      }
    }
    if (best >= 0 && 10 * std::log10(bestRatio) >= kAttackDb) attacks.push_back({k, best * blockTime});
  }
  return attacks;
}

struct Line {
  double start = 0, period = 0;
};

// Least squares of time = start + beat * period over the attacks kept.
Line FitLine(const std::vector<Attack>& attacks, const std::vector<bool>& kept) {
  double n = 0, sk = 0, st = 0, skk = 0, skt = 0;
  for (size_t i = 0; i < attacks.size(); ++i) {
    if (!kept[i]) continue;
    const double k = static_cast<double>(attacks[i].beat), t = attacks[i].time;
    n += 1;
    sk += k;
    st += t;
    skk += k * k;
    skt += k * t;
  }
  Line line;
  const double det = n * skk - sk * sk;
  if (n < 2 || det <= 0) return line;
  line.period = (n * skt - sk * st) / det;
  line.start = (st - line.period * sk) / n;
  return line;
}

// Beats per bar (3 or 4) and the downbeat, from how the kick drum and bass
// accent the beats: one beat of the bar must stand out from all the others.
void FindBar(const OnsetStrength& onsets, const std::vector<Attack>& attacks, const std::vector<bool>& kept,
             long firstK, MusicBeat& beat) {
  double bestContrast = 1.25;
  for (int perBar : {4, 3}) {
    std::vector<double> sum(perBar, 0.0);
    std::vector<int> count(perBar, 0);
    for (size_t i = 0; i < attacks.size(); ++i) {
      if (!kept[i]) continue;
      const int slot = static_cast<int>(((attacks[i].beat - firstK) % perBar + perBar) % perBar);
      sum[slot] += StrengthNear(onsets.low, (attacks[i].time - onsets.firstTime) * onsets.frameRate);
      ++count[slot];
    }
    std::vector<double> mean(perBar);
    for (int s = 0; s < perBar; ++s) mean[s] = count[s] ? sum[s] / count[s] : 0.0;
    const int top = static_cast<int>(std::max_element(mean.begin(), mean.end()) - mean.begin());
    double second = 0;
    for (int s = 0; s < perBar; ++s)
      if (s != top) second = std::max(second, mean[s]);
    const double contrast = second > 0 ? mean[top] / second : 0.0;
    if (contrast > bestContrast) {
      bestContrast = contrast;
      beat.beatsPerBar = perBar;
      beat.downbeat = top;
    }
  }
}

MusicBeat NoBeat(const std::string& why) {
  MusicBeat beat;
  beat.octaveNote = why;
  return beat;
}

}  // namespace

MusicBeat AnalyzeBeat(const MusicPcm& pcm) {
  const AnalysisSignal signal = ReduceForAnalysis(pcm);
  double power = 0;
  for (float v : signal.samples) power += v * v;
  if (signal.samples.empty() || power / signal.samples.size() < 1e-8) return NoBeat("the music is silent");
  const OnsetStrength onsets = ComputeOnsetStrength(signal);
  double period = PeriodFromAutocorrelation(onsets.flux, onsets.frameRate);
  if (period <= 0) return NoBeat("nothing in it repeats between 60 and 200 BPM, or it is too short");
  period = RefinePeriod(onsets.flux, period);
  const int frames = static_cast<int>(onsets.flux.size());
  double phase = Fold(onsets.flux, 0, frames, period).phase;
  const double rate = onsets.frameRate;

  // The octave: the fastest level at which every pulse is accented alike.
  // Halves first, then thirds (a slow autocorrelation peak can be three beats).
  for (;;) {
    const double on = kAlike * MeanStrength(onsets.accent, phase, period, 0, 1, 0);
    const auto between = [&](double shift) { return MeanStrength(onsets.accent, phase, period, shift, 1, 0); };
    if (Tempo(period / 2, rate) <= kFastest + kRangeSlack && between(period / 2) >= on) {
      period /= 2;
    } else if (Tempo(period / 3, rate) <= kFastest + kRangeSlack && between(period / 3) >= on &&
               between(2 * period / 3) >= on) {
      period /= 3;
    } else {
      break;
    }
  }
  for (;;) {
    if (Tempo(period * 2, rate) < kSlowest - kRangeSlack) break;
    const double even = MeanStrength(onsets.accent, phase, period, 0, 2, 0);
    const double odd = MeanStrength(onsets.accent, phase, period, 0, 2, 1);
    if (std::min(even, odd) >= kAlike * std::max(even, odd)) break;
    if (odd > even) phase += period;
    period *= 2;
  }
  // What the two neighbouring levels had against them, said once the tempo is exact.
  const bool fasterInRange = Tempo(period / 2, rate) <= kFastest + kRangeSlack;
  const bool slowerInRange = Tempo(period * 2, rate) >= kSlowest - kRangeSlack;
  const double on = MeanStrength(onsets.accent, phase, period, 0, 1, 0);
  const double halfBeats = on > 0 ? MeanStrength(onsets.accent, phase, period, period / 2, 1, 0) / on : 0.0;
  const double even = MeanStrength(onsets.accent, phase, period, 0, 2, 0);
  const double odd = MeanStrength(onsets.accent, phase, period, 0, 2, 1);
  const double alternate = std::max(even, odd) > 0 ? std::min(even, odd) / std::max(even, odd) : 0.0;

  // The attacks at each beat, and the line through them.
  const double periodSeconds = period / rate;
  const double gridStart = onsets.firstTime + phase / rate;
  const std::vector<Attack> attacks =
      FindAttacks(signal, gridStart, periodSeconds, std::min(0.06, 0.25 * periodSeconds));
  std::vector<bool> kept(attacks.size(), true);
  Line line{gridStart, periodSeconds};
  double tolerance = 0.25 * periodSeconds;
  for (int round = 0; round < 6; ++round) {
    std::vector<double> off;
    for (size_t i = 0; i < attacks.size(); ++i)
      kept[i] = std::fabs(attacks[i].time - line.start - attacks[i].beat * line.period) <= tolerance;
    const Line fitted = FitLine(attacks, kept);
    if (fitted.period <= 0) break;
    line = fitted;
    for (size_t i = 0; i < attacks.size(); ++i)
      if (kept[i]) off.push_back(std::fabs(attacks[i].time - line.start - attacks[i].beat * line.period));
    std::nth_element(off.begin(), off.begin() + off.size() / 2, off.end());
    tolerance = std::max(kInlier, 3 * 1.4826 * off[off.size() / 2]);
  }
  int inliers = 0;
  long firstK = 0, lastK = 0;
  double squares = 0;
  for (size_t i = 0; i < attacks.size(); ++i) {
    const double off = attacks[i].time - line.start - attacks[i].beat * line.period;
    kept[i] = std::fabs(off) <= kInlier;
    if (!kept[i]) continue;
    if (inliers == 0) firstK = attacks[i].beat;
    lastK = attacks[i].beat;
    squares += off * off;
    ++inliers;
  }
  if (inliers < kLeastBeats) return NoBeat("too few beats carry an onset on one steady grid");
  MusicBeat beat;
  beat.confidence = static_cast<double>(inliers) / (lastK - firstK + 1);
  if (beat.confidence < kLeastConfidence)
    return NoBeat("only " + Fixed(100 * beat.confidence, 0) + "% of the beats carry an onset on the grid");
  beat.bpm = 60.0 / line.period;
  // The grid's first beat from the start on; one a little before the start
  // (a decoder's delay) is still the first.
  const long first = static_cast<long>(std::ceil((-0.025 - line.start) / line.period));
  beat.firstBeat = line.start + first * line.period;
  beat.beatsFrom = line.start + firstK * line.period;
  beat.beatsTo = line.start + lastK * line.period;
  beat.gridError = std::sqrt(squares / inliers);
  const std::string chosen = Fixed(beat.bpm, 2);
  beat.octaveNote = "chose " + chosen + " over " + Fixed(2 * beat.bpm, 2) + ": " +
                    (fasterInRange ? "the half-beats are weaker (" + Fixed(halfBeats, 2) + " of the beats' accent)"
                                   : "that is above " + Fixed(kFastest, 0) + " BPM");
  beat.octaveNote += "\nchose " + chosen + " over " + Fixed(beat.bpm / 2, 2) + ": " +
                     (slowerInRange ? "every other beat is as strong (" + Fixed(alternate, 2) + " of the stronger)"
                                    : "that is below " + Fixed(kSlowest, 0) + " BPM");
  FindBar(onsets, attacks, kept, first, beat);
  return beat;
}

std::string DescribeBeat(const MusicBeat& beat) {
  if (beat.bpm <= 0) return "no beat found\n" + (beat.octaveNote.empty() ? "" : "  " + beat.octaveNote + "\n");
  std::string text = "tempo " + Fixed(beat.bpm, 2) + " BPM, first beat at " + Fixed(beat.firstBeat, 3) + " s\n";
  text += "  confidence " + Fixed(beat.confidence, 2) + ": an onset on " + Fixed(100 * beat.confidence, 0) +
          "% of the beats from " + Fixed(beat.beatsFrom, 1) + " s to " + Fixed(beat.beatsTo, 1) + " s, " +
          Fixed(1000 * beat.gridError, 1) + " ms rms off the grid\n";
  size_t from = 0;
  while (from < beat.octaveNote.size()) {
    const size_t end = std::min(beat.octaveNote.find('\n', from), beat.octaveNote.size());
    text += "  " + beat.octaveNote.substr(from, end - from) + "\n";
    from = end + 1;
  }
  if (beat.beatsPerBar > 0)
    text += "  bar: " + std::to_string(beat.beatsPerBar) + " beats, the downbeat is beat " +
            std::to_string(beat.downbeat + 1) + " (at " +
            Fixed(beat.firstBeat + beat.downbeat * 60.0 / beat.bpm, 3) + " s)\n";
  else
    text += "  bar: not clear (no beat of 3 or 4 stands out in the kick and bass)\n";
  return text;
}
