// Seeking, pausing and the music clock of the audio library (solvane-audio.so),
// measured on what SDL's disk driver writes. The test music says where it is:
// a FLAC whose every frame holds its own index (left: the low 15 bits, right:
// the rest plus one, so silence reads as no frame at all), and an MP3 chirp
// whose pitch never repeats, compared with a decode of the same file from its
// start. Playback runs in real time, so waits poll with a deadline.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "AudioModuleApi.h"
#include "IndexMusic.h"

namespace {

namespace fs = std::filesystem;
using namespace audio_test;
using namespace index_music;
using Ms = std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

constexpr int kBufferFrames = 512;  // the library's mixing buffer
// SDL's disk driver writes through stdio: up to 8 KiB (2048 stereo frames)
// may sit in its buffer, not yet in the file.
constexpr int kFileBufferFrames = 2048;
constexpr double kToleranceMs = 30.0;

std::size_t FileBytes(const fs::path& path) {
  std::error_code error;
  const auto size = fs::file_size(path, error);
  return error ? 0 : static_cast<std::size_t>(size);
}

// Waits until the driver's file holds `bytes`; false when the deadline passes.
bool WaitForBytes(const fs::path& path, std::size_t bytes, Ms deadline = Ms(4000)) {
  const auto until = SteadyClock::now() + deadline;
  while (FileBytes(path) < bytes) {
    if (SteadyClock::now() > until) return false;
    std::this_thread::sleep_for(Ms(2));
  }
  return true;
}

// Reads the position every millisecond for `span`, and checks it the way the
// picture clock uses it: it never goes back, and between two reads it moves
// by the time that passed, give or take a few milliseconds.
struct Smoothness {
  int reads = 0;
  double largestLead = 0.0;  // the most the clock moved beyond the time between two reads
  bool monotonic = true;
  unsigned first = 0, last = 0;
};

Smoothness ReadClock(const Api& api, Ms span) {
  Smoothness result;
  unsigned before = 0;
  auto beforeTime = SteadyClock::now();
  const auto until = beforeTime + span;
  EXPECT_TRUE(api.getPosition(&before));
  result.first = before;
  while (SteadyClock::now() < until) {
    std::this_thread::sleep_for(Ms(1));
    unsigned now = 0;
    const auto nowTime = SteadyClock::now();
    if (!api.getPosition(&now)) {
      ADD_FAILURE() << "no position while playing";
      break;
    }
    ++result.reads;
    if (now < before) result.monotonic = false;
    const double passed = std::chrono::duration<double, std::milli>(nowTime - beforeTime).count();
    result.largestLead = std::max(result.largestLead, (static_cast<double>(now) - before) - passed);
    before = now;
    beforeTime = nowTime;
  }
  result.last = before;
  return result;
}

class AudioTransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, Library()) << dlerror();
    ASSERT_NE(nullptr, api.setPosition);
    ASSERT_NE(nullptr, api.getPosition);
    dir = fs::temp_directory_path() / ("solvane-transport-test-" + std::to_string(getpid()));
    fs::create_directories(dir);
    out = dir / "out.raw";
    UseDiskOutput(out);
  }
  void TearDown() override {
    api.free();
    UseDummyOutput();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  // Plays the index music in stereo output and waits for `ms` more of output.
  void PlayIndex(int ms) {
    ASSERT_TRUE(api.init(-1, kRate, 0, nullptr));
    const unsigned stream = api.streamCreateFile(0, kIndex.c_str(), 0, 0, 0);
    ASSERT_NE(0u, stream);
    ASSERT_TRUE(api.streamPlay(stream, 0, 0));
    // The music reaches the file first (what was written before it is silence).
    const auto until = SteadyClock::now() + Ms(4000);
    for (;;) {
      const std::vector<std::int16_t> samples = ReadSamples(out);
      if (samples.size() >= 2 && FrameIndex(samples, samples.size() / 2 - 1) >= 0) break;
      ASSERT_LT(SteadyClock::now(), until) << "no music in the output";
      std::this_thread::sleep_for(Ms(2));
    }
    ASSERT_TRUE(WaitForBytes(out, FileBytes(out) + static_cast<std::size_t>(ms) * kRate / 1000 * 4));
  }

  // Seeks to `ms` and returns how far from it the output went on, in ms:
  // the index of the first frame written after the jump, against the one asked for.
  double SeekAndMeasure(unsigned ms) {
    const std::size_t before = FileBytes(out) / 4;
    EXPECT_TRUE(api.setPosition(ms));
    unsigned position = 0;
    EXPECT_TRUE(api.getPosition(&position));
    EXPECT_NEAR(ms, position, kToleranceMs);
    EXPECT_TRUE(WaitForBytes(out, (before + 4 * kBufferFrames) * 4));
    const long landed = FirstIndexAfterJump(ReadSamples(out), before);
    EXPECT_GE(landed, 0) << "no jump in the output after the seek to " << ms;
    return FramesToMs(static_cast<double>(landed)) - ms;
  }

  const Api& api = TheApi();
  fs::path dir, out;
  // 3 s of stereo at 44.1 kHz, each frame its own index; FLAC, so it decodes
  // to exactly the samples written and seeks to the very frame.
  const std::string kIndex = std::string(AUDIO_TEST_DATA_DIR) + "/index.flac";
};

TEST_F(AudioTransportTest, ASeekLandsOnTheFrameAskedForForwardAndBack) {
  PlayIndex(150);
  for (unsigned target : {1800u, 400u, 2345u}) {
    EXPECT_NEAR(0.0, SeekAndMeasure(target), kToleranceMs) << "the seek to " << target << " ms";
  }
}

// The clock reads the output's position, not the decoder's: what the driver
// has written ends at most one buffer (and a little scheduling) beyond it,
// and lags it by no more than the driver's file buffering.
TEST_F(AudioTransportTest, TheClockRisesSmoothlyAndFollowsWhatIsWritten) {
  PlayIndex(100);
  ASSERT_TRUE(api.setPosition(1000));
  const Smoothness s = ReadClock(api, Ms(600));
  EXPECT_TRUE(s.monotonic);
  EXPECT_LE(s.largestLead, 3.0);
  EXPECT_GT(s.reads, 100);
  // 600 ms of music went by, less the first buffer after the seek at most.
  EXPECT_NEAR(600.0, static_cast<double>(s.last - s.first), FramesToMs(kBufferFrames) + 20.0);

  for (int i = 0; i < 5; ++i) {
    // The clock read on both sides of reading the file: the driver may write
    // a buffer while a slow (sanitized) build reads, so what was written is
    // compared with the clock of its own moment, not an older one.
    unsigned before = 0, after = 0;
    ASSERT_TRUE(api.getPosition(&before));
    const std::vector<std::int16_t> samples = ReadSamples(out);
    ASSERT_TRUE(api.getPosition(&after));
    ASSERT_GE(samples.size(), 2u);
    const long written = FrameIndex(samples, samples.size() / 2 - 1);
    ASSERT_GE(written, 0);
    const double end = FramesToMs(static_cast<double>(written));  // ahead of the clock by
    EXPECT_GE(end - before, -FramesToMs(kFileBufferFrames));
    EXPECT_LE(end - after, 2 * FramesToMs(kBufferFrames) + 5.0);
    std::this_thread::sleep_for(Ms(37));
  }
}

// The pause lets the buffer already made go out, then the clock stands still
// and only silence is written; a seek while paused moves the clock and leaves
// the music paused; the resume goes on from exactly there.
TEST_F(AudioTransportTest, PauseHoldsTheClockASeekWhilePausedStaysPausedResumeGoesOn) {
  PlayIndex(200);
  ASSERT_TRUE(api.pause());
  unsigned held = 0;
  {
    // At most one buffer goes out after the pause.
    const auto until = SteadyClock::now() + Ms(1000);
    unsigned previous = 1;
    auto since = SteadyClock::now();
    while (SteadyClock::now() < until) {
      ASSERT_TRUE(api.getPosition(&held));
      if (held != previous) {
        previous = held;
        since = SteadyClock::now();
      } else if (SteadyClock::now() - since > Ms(2 * 47)) {
        break;
      }
      std::this_thread::sleep_for(Ms(1));
    }
    ASSERT_EQ(previous, held) << "the clock did not stop";
  }
  const std::size_t silentFrom = FileBytes(out) / 4;
  ASSERT_TRUE(WaitForBytes(out, (silentFrom + 3 * kBufferFrames) * 4));
  unsigned still = 0;
  ASSERT_TRUE(api.getPosition(&still));
  EXPECT_EQ(held, still);
  {
    // Only silence since; where the music stopped is where the clock stands.
    const std::vector<std::int16_t> samples = ReadSamples(out);
    long lastIndex = -1;
    for (std::size_t f = 0; 2 * f + 1 < samples.size(); ++f) {
      if (FrameIndex(samples, f) >= 0) lastIndex = FrameIndex(samples, f);
      ASSERT_TRUE(f < silentFrom || FrameIndex(samples, f) == -1) << "music while paused, frame " << f;
    }
    EXPECT_NEAR(FramesToMs(static_cast<double>(lastIndex + 1)), held, 1.0);
  }

  ASSERT_TRUE(api.setPosition(1500));
  EXPECT_TRUE(api.paused());
  unsigned moved = 0;
  ASSERT_TRUE(api.getPosition(&moved));
  EXPECT_EQ(1500u, moved);
  const std::size_t stillSilentFrom = FileBytes(out) / 4;
  ASSERT_TRUE(WaitForBytes(out, (stillSilentFrom + 2 * kBufferFrames) * 4));
  ASSERT_TRUE(api.getPosition(&moved));
  EXPECT_EQ(1500u, moved);
  EXPECT_TRUE(api.paused());

  const std::size_t resumedFrom = FileBytes(out) / 4;
  ASSERT_TRUE(api.start());
  EXPECT_FALSE(api.paused());
  unsigned resumed = 0;
  ASSERT_TRUE(api.getPosition(&resumed));
  EXPECT_GE(resumed, 1500u);
  EXPECT_LE(resumed, 1500u + kToleranceMs);
  ASSERT_TRUE(WaitForBytes(out, (resumedFrom + 4 * kBufferFrames) * 4));
  const std::vector<std::int16_t> samples = ReadSamples(out);
  long first = -1;
  for (std::size_t f = resumedFrom; 2 * f + 1 < samples.size() && first < 0; ++f)
    first = FrameIndex(samples, f);
  EXPECT_NEAR(1500.0, FramesToMs(static_cast<double>(first)), kToleranceMs);
}

TEST_F(AudioTransportTest, ASeekAtOrPastTheEndEndsTheMusic) {
  PlayIndex(50);
  EXPECT_TRUE(api.setPosition(3000));
  EXPECT_FALSE(api.playing());
  unsigned position = 77;
  EXPECT_FALSE(api.getPosition(&position));
  EXPECT_EQ(77u, position);
  EXPECT_FALSE(api.setPosition(0));  // nothing plays any more
}

TEST_F(AudioTransportTest, WithoutMusicOrOutputThereIsNoPosition) {
  unsigned position = 5;
  EXPECT_FALSE(api.getPosition(&position));
  EXPECT_FALSE(api.setPosition(100));
  ASSERT_TRUE(api.init(-1, kRate, 0, nullptr));
  EXPECT_FALSE(api.getPosition(&position));
  EXPECT_FALSE(api.setPosition(100));
  EXPECT_EQ(5u, position);
  const unsigned stream = api.streamCreateFile(
      0, (std::string(AUDIO_TEST_DATA_DIR) + "/tone.mp3").c_str(), 0, 0, 0);
  ASSERT_TRUE(api.streamPlay(stream, 0, 0));
  EXPECT_FALSE(api.getPosition(nullptr));
  EXPECT_TRUE(api.getPosition(&position));
  EXPECT_LT(position, 200u);
}

// An MP3 starts late by its encoder's delay unless the decoder trims it, so
// the output after a seek is compared with the same file decoded from its
// start, not with the clock: the lag at which the two match best is the
// seek's error.
class Mp3Seek : public AudioTransportTest {
 protected:
  const std::string chirp = std::string(AUDIO_TEST_DATA_DIR) + "/chirp.mp3";  // 3 s, mono, 44.1 kHz

  // Output written as mono; the first buffer that is not silent is the
  // music's first (music starts on a buffer's first frame).
  static std::size_t MusicStart(const std::vector<std::int16_t>& samples, std::size_t from) {
    for (std::size_t b = from - from % kBufferFrames; b + kBufferFrames <= samples.size(); b += kBufferFrames)
      for (std::size_t i = b; i < b + kBufferFrames; ++i)
        if (samples[i] != 0) return b;
    return samples.size();
  }

  // The mean square difference of `window` samples of a from `at` and of b
  // from `bAt`, relative to b's power.
  static double Mismatch(const std::vector<std::int16_t>& a, std::size_t at,
                         const std::vector<std::int16_t>& b, std::size_t bAt, std::size_t window) {
    double difference = 0.0, power = 1e-9;
    for (std::size_t i = 0; i < window; ++i) {
      const double d = static_cast<double>(a[at + i]) - b[bAt + i];
      difference += d * d;
      power += static_cast<double>(b[bAt + i]) * b[bAt + i];
    }
    return difference / power;
  }
};

TEST_F(Mp3Seek, TheOutputAfterASeekMatchesTheDecodeFromTheStartAtThatTime) {
  constexpr unsigned kTarget = 1000;
  constexpr std::size_t kWindow = 8192;
  constexpr long kSearch = kRate / 10;  // 100 ms each way

  // The decode from the start, as the output gets it.
  ASSERT_TRUE(api.init(-1, kRate, SOLVANE_AUDIO_INIT_MONO, nullptr));
  ASSERT_TRUE(WaitForBytes(out, 2));
  const std::size_t playedAt = FileBytes(out) / 2;
  ASSERT_TRUE(api.streamPlay(api.streamCreateFile(0, chirp.c_str(), 0, 0, 0), 0, 0));
  const std::size_t needed = kTarget * kRate / 1000 + kWindow + kSearch + 2 * kBufferFrames;
  ASSERT_TRUE(WaitForBytes(out, (playedAt + needed + 2 * kBufferFrames) * 2));
  const std::vector<std::int16_t> reference = ReadSamples(out);
  const std::size_t start = MusicStart(reference, playedAt);
  ASSERT_LT(start + needed, reference.size());
  ASSERT_TRUE(api.free());

  // The same file again, moved to the target a little after it starts.
  const fs::path seekOut = dir / "seek.raw";
  UseDiskOutput(seekOut);
  ASSERT_TRUE(api.init(-1, kRate, SOLVANE_AUDIO_INIT_MONO, nullptr));
  ASSERT_TRUE(api.streamPlay(api.streamCreateFile(0, chirp.c_str(), 0, 0, 0), 0, 0));
  ASSERT_TRUE(WaitForBytes(seekOut, FileBytes(seekOut) + 4 * kBufferFrames * 2));
  const std::size_t before = FileBytes(seekOut) / 2;
  ASSERT_TRUE(api.setPosition(kTarget));
  unsigned position = 0;
  ASSERT_TRUE(api.getPosition(&position));
  EXPECT_NEAR(kTarget, position, kToleranceMs);
  const std::size_t after = FileBytes(seekOut) / 2;
  ASSERT_TRUE(WaitForBytes(seekOut, (after + 2 * kBufferFrames + kWindow) * 2));
  const std::vector<std::int16_t> sought = ReadSamples(seekOut);

  // The jump is on a buffer's start, between what was written before the
  // seek and a few buffers after what was written when it returned (those
  // already mixed and waiting in the driver). The right start matches; the
  // others are the music before the seek or silence.
  double best = 1e9;
  long bestLag = 0;
  const std::size_t wanted = start + kTarget * kRate / 1000;
  for (std::size_t jump = before - before % kBufferFrames; jump <= after + 4 * kBufferFrames;
       jump += kBufferFrames) {
    if (jump + kWindow > sought.size()) break;
    for (long lag = -kSearch; lag <= kSearch; ++lag) {
      const double mismatch = Mismatch(sought, jump, reference, wanted + lag, kWindow);
      if (mismatch < best) {
        best = mismatch;
        bestLag = lag;
      }
    }
  }
  EXPECT_LT(best, 0.05) << "residual, of the signal's power";
  EXPECT_NEAR(0.0, FramesToMs(static_cast<double>(bestLag)), kToleranceMs);
}

// The tracker library seeks to a row: the module goes on from near the time
// asked for, and the clock with it.
TEST_F(AudioTransportTest, AModuleSeeksToTheRowNearTheTime) {
  // 64 rows of 120 ms, 7.68 s in all.
  const std::string path = (dir / "seek.mod").string();
  WriteBytes(path, TinyMod(64));
  ASSERT_TRUE(api.init(-1, kRate, 0, nullptr));
  ASSERT_TRUE(api.musicPlay(api.musicLoad(0, path.c_str(), 0, 0, 0)));
  ASSERT_TRUE(WaitForBytes(out, FileBytes(out) + 2 * kBufferFrames * 4));
  ASSERT_TRUE(api.setPosition(3000));
  unsigned position = 0;
  ASSERT_TRUE(api.getPosition(&position));
  EXPECT_NEAR(3000.0, position, 120.0);  // a row
  EXPECT_TRUE(api.playing());
  const Smoothness s = ReadClock(api, Ms(200));
  EXPECT_TRUE(s.monotonic);
  EXPECT_GT(s.last, s.first);
  EXPECT_TRUE(api.setPosition(8000));  // past its end
  EXPECT_FALSE(api.playing());
}

}  // namespace
