// The tempo and beat the author tools find in music: synthetic pieces made
// here with known tempo and offset, the bundled soundtrack decoded through the
// audio library (120 BPM, a beat at 0), and what is no music or no beat.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <regex>
#include <string>

#include "BeatAnalysis.h"
#include "MusicDecode.h"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// A deterministic noise source, so every run hears the same piece.
struct Noise {
  std::uint32_t state = 12345;
  float Next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
  }
};

void AddAt(std::vector<float>& out, double start, double seconds, const auto& sound) {
  const long from = std::lround(start * kRate);
  const long count = std::lround(seconds * kRate);
  for (long i = 0; i < count && from + i < static_cast<long>(out.size()); ++i)
    if (from + i >= 0) out[from + i] += sound(i / static_cast<double>(kRate));
}

enum class Kind { Clicks, Band };

struct Piece {
  const char* name;
  Kind kind;
  double bpm;
  double offset;  // the first beat
};

// Clicks: a short 1.5 kHz blip on every beat. Band: kick on 1 and 3 (the
// first louder), snare on 2 and 4, closed hats on the eighths, and a bass
// line of soft-attack notes on the beats and the last off-beat of the bar.
MusicPcm Make(const Piece& piece, double seconds) {
  MusicPcm pcm;
  pcm.rate = kRate;
  pcm.mono.assign(static_cast<size_t>(seconds * kRate), 0.0f);
  Noise noise;
  // A hiss 30 dB down, so no attack rises out of digital silence.
  for (float& v : pcm.mono) v = 0.02f * noise.Next();
  const double beat = 60.0 / piece.bpm;
  for (int k = 0; piece.offset + k * beat < seconds; ++k) {
    const double t = piece.offset + k * beat;
    if (piece.kind == Kind::Clicks) {
      AddAt(pcm.mono, t, 0.02, [](double s) { return 0.5 * std::sin(2 * kPi * 1500 * s) * std::exp(-s / 0.004); });
      continue;
    }
    const int inBar = k % 4;
    if (inBar % 2 == 0) {
      const double amp = inBar == 0 ? 0.8 : 0.5;
      AddAt(pcm.mono, t, 0.3, [amp](double s) {
        const double phase = 2 * kPi * (45 * s + (150 - 45) * 0.03 * (1 - std::exp(-s / 0.03)));
        return amp * std::sin(phase) * std::exp(-s / 0.12);
      });
    } else {
      AddAt(pcm.mono, t, 0.2, [&noise](double s) {
        return (0.35 * noise.Next() + 0.2 * std::sin(2 * kPi * 190 * s)) * std::exp(-s / 0.05);
      });
    }
    for (double hat : {t, t + beat / 2}) {
      float last = 0;
      AddAt(pcm.mono, hat, 0.05, [&noise, &last](double s) {
        const float n = noise.Next(), high = n - last;
        last = n;
        return 0.08 * high * std::exp(-s / 0.012);
      });
    }
    const double note = 55.0 * std::pow(2.0, (k / 4 % 4 == 3 ? 5 : k / 4 % 2 == 1 ? 3 : 0) / 12.0);
    for (double start : inBar == 3 ? std::vector<double>{t, t + beat / 2} : std::vector<double>{t})
      AddAt(pcm.mono, start, beat * 0.45, [note](double s) {
        return 0.25 * std::min(1.0, s / 0.01) * std::sin(2 * kPi * note * s) * std::exp(-s / 0.3);
      });
  }
  return pcm;
}

TEST(BeatAnalysisTest, FindsTempoWithinAFifthOfABpmAndTheFirstBeatWithinFiveMilliseconds) {
  const Piece pieces[] = {
      {"slow clicks", Kind::Clicks, 70, 0.137},    {"fast clicks", Kind::Clicks, 180, 0.213},
      {"slow band", Kind::Band, 70, 0.291},        {"band", Kind::Band, 123.45, 0.137},
      {"mid band", Kind::Band, 96, 0.402},         {"fast band", Kind::Band, 180, 0.059},
  };
  for (const Piece& piece : pieces) {
    SCOPED_TRACE(piece.name);
    const MusicBeat beat = AnalyzeBeat(Make(piece, 30.0));
    EXPECT_NEAR(beat.bpm, piece.bpm, 0.2);
    EXPECT_NEAR(beat.firstBeat, piece.offset, 0.005);
    EXPECT_GT(beat.confidence, 0.9);
    if (piece.kind == Kind::Band) {
      EXPECT_EQ(beat.beatsPerBar, 4);
      EXPECT_EQ(beat.downbeat, 0);
    }
  }
}

// A 16-bit WAV file of frames stereo frames: left i, right -i / 2.
void WriteWav(const std::string& path, int rate, int frames) {
  std::ofstream out(path, std::ios::binary);
  const auto put = [&out](std::uint32_t value, int bytes) {
    for (int b = 0; b < bytes; ++b) out.put(static_cast<char>(value >> (8 * b)));
  };
  out << "RIFF";
  put(36 + frames * 4, 4);
  out << "WAVEfmt ";
  put(16, 4), put(1, 2), put(2, 2), put(rate, 4), put(rate * 4, 4), put(4, 2), put(16, 2);
  out << "data";
  put(frames * 4, 4);
  for (int i = 0; i < frames; ++i) put(static_cast<std::uint16_t>(i), 2), put(static_cast<std::uint16_t>(-i / 2), 2);
}

TEST(BeatAnalysisTest, BundledSoundtrackIs120BpmWithABeatAtTheStart) {
  MusicPcm pcm;
  std::string error;
  // The audio library decodes at the file's own rate and the two channels
  // come out as their mean.
  const std::string wav = ::testing::TempDir() + "ramp.wav";
  WriteWav(wav, 22050, 4000);
  ASSERT_TRUE(DecodeMusic(wav, pcm, error, AUDIO_MODULE)) << error;
  EXPECT_EQ(pcm.rate, 22050);
  ASSERT_EQ(pcm.mono.size(), 4000u);
  EXPECT_FLOAT_EQ(pcm.mono[3000], (3000 - 1500) / 65536.0f);

  ASSERT_TRUE(DecodeMusic(BUNDLED_MUSIC, pcm, error, AUDIO_MODULE)) << error;
  EXPECT_EQ(pcm.rate, 44100);
  EXPECT_NEAR(pcm.mono.size() / 44100.0, 52.0, 0.1);
  const MusicBeat beat = AnalyzeBeat(pcm);
  EXPECT_NEAR(beat.bpm, 120.0, 0.2);
  EXPECT_NEAR(beat.firstBeat, 0.0, 0.005);
  const std::string text = DescribeBeat(beat);
  EXPECT_TRUE(std::regex_search(text, std::regex("^tempo 120\\.00 BPM, first beat at -?0\\.00\\d s\n"))) << text;
  EXPECT_NE(text.find("\n  chose 120.00 over 60.00: "), std::string::npos) << text;
}

TEST(BeatAnalysisTest, NoMusicAndNoBeatAreSaidSo) {
  MusicPcm pcm;
  std::string error;
  EXPECT_FALSE(DecodeMusic("no-such-music.mp3", pcm, error, AUDIO_MODULE));
  EXPECT_EQ(error, "no-such-music.mp3: no such music file");
  const std::string text = ::testing::TempDir() + "not-music.mp3";
  std::ofstream(text) << "just some words, no sound";
  EXPECT_FALSE(DecodeMusic(text, pcm, error, AUDIO_MODULE));
  EXPECT_EQ(error, text + ": not music the audio library can decode (MP3, Ogg Vorbis, WAV or FLAC)");
  EXPECT_EQ(pcm.rate, 0);

  MusicPcm silence{kRate, std::vector<float>(10 * kRate, 0.0f)};
  MusicPcm noise{kRate, std::vector<float>(10 * kRate)};
  Noise source;
  for (float& v : noise.mono) v = 0.3f * source.Next();
  for (const MusicPcm* music : {&silence, &noise}) {
    const MusicBeat beat = AnalyzeBeat(*music);
    EXPECT_EQ(beat.bpm, 0.0);
    EXPECT_EQ(DescribeBeat(beat).rfind("no beat found\n  ", 0), 0u) << DescribeBeat(beat);
  }
}

}  // namespace
