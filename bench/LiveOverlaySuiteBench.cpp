// solvane-live's frame with the Tab timeline drawn over the music (waveform
// and spectrogram of a three-minute song), at 640x480 on the headless
// backend: one pass of the session's loop a frame, the bundled demo's frame,
// the overlay and the present. Once over the whole demo (the strip drawn
// once, then copied) and once zoomed in, where the view scrolls with the time
// and the strip's new columns are drawn each frame. The suite sets each
// against the same loop without the overlay and against 50 frames a second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "HeadlessControl.h"
#include "KolLog.h"
#include "LiveSession.h"
#include "Platform.h"
#include "SuiteSupport.h"

namespace {

// Three minutes at 44.1 kHz: noise under a kick on every beat at 120 BPM,
// made here so the figure does not depend on a decoder.
bool SyntheticSong(const std::string&, MusicPcm& pcm, MusicBeat& beat, std::string&) {
  pcm.rate = 44100;
  pcm.mono.resize(static_cast<size_t>(pcm.rate) * 180);
  std::uint32_t noise = 12345;
  for (size_t i = 0; i < pcm.mono.size(); ++i) {
    noise = noise * 1664525u + 1013904223u;
    const double sinceBeat = static_cast<double>(i % 22050) / pcm.rate;
    const double kick = std::exp(-sinceBeat * 30.0) * std::sin(2.0 * 3.14159265 * 60.0 * sinceBeat);
    pcm.mono[i] = static_cast<float>(0.2 * (noise / 4294967296.0 - 0.5) + 0.7 * kick);
  }
  beat.bpm = 120.0;
  return true;
}

void LiveFrames(benchmark::State& state, bool timeline, int zoomIn) {
  suite::FreshProcess();
  std::FILE* quiet = std::fopen("/dev/null", "w");
  const std::string song = suite::BuildDirectory() + "/bench/overlay-song.txt";
  if (std::FILE* f = std::fopen(song.c_str(), "w")) {
    std::fputs("not audio: the bench's analyzer makes the song\n", f);
    std::fclose(f);
  }
  LiveOptions options;
  options.dataPath = suite::ArchivePath();
  options.musicPath = song;
  auto& headless = plat::headless::TheHeadless();
  headless.tickStep = 0;
  {
    LiveSession session(options, suite::BuildDirectory() + "/");
    session.SetOutput(quiet ? quiet : stdout, quiet ? quiet : stderr);
    session.SetMusicAnalyzer(SyntheticSong);
    if (session.Start() != 0 || !session.Demo()) {
      state.SkipWithError("the bundled demo did not start");
    } else {
      TheLog().SetEcho(false);
      session.WaitForMusic();
      if (timeline) session.KeyDown(plat::kKeyTab);
      for (int i = 0; i < zoomIn; ++i) session.KeyDown(plat::kKeyPlus);
      session.Step();
      for (auto _ : state) {
        headless.tick += 21;  // a frame is due every pass
        const auto start = std::chrono::steady_clock::now();
        session.Step();
        const auto end = std::chrono::steady_clock::now();
        // Round the demo again, so every second of it is measured alike.
        if (session.TimeMs() >= session.Demo()->endTime * 1000 - 100) session.KeyDown(plat::kKeyHome);
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
      }
      session.Finish();
    }
  }
  if (quiet) std::fclose(quiet);
}

void Suite_LiveFramePlain(benchmark::State& state) { LiveFrames(state, false, 0); }
void Suite_LiveFrameTimelineWhole(benchmark::State& state) { LiveFrames(state, true, 0); }
void Suite_LiveFrameTimelineZoomed(benchmark::State& state) { LiveFrames(state, true, 3); }

}  // namespace

BENCHMARK(Suite_LiveFramePlain)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Suite_LiveFrameTimelineWhole)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Suite_LiveFrameTimelineZoomed)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(3);
