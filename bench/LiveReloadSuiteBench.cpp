// solvane-live's reload of the bundled demo, from the archive and from the
// data directory: the whole set-up run again into a new demo (data source,
// scripts, images, textures, particle rings) and the swap at the same time,
// on the headless backend with the session already showing the demo. The
// suite sets it against the same data's bytes read (Suite_ReadArchive,
// Suite_ReadDirectory) and against the target of 20 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "KolLog.h"
#include "LiveSession.h"
#include "SuiteSupport.h"

namespace {

void LiveReload(benchmark::State& state, const std::string& data) {
  suite::FreshProcess();
  std::FILE* quiet = std::fopen("/dev/null", "w");
  LiveOptions options;
  options.dataPath = data;
  options.musicPath = suite::BuildDirectory() + "/no-music-for-the-bench.mp3";
  {
    LiveSession session(options, suite::BuildDirectory() + "/");
    session.SetOutput(quiet ? quiet : stdout, quiet ? quiet : stderr);
    if (session.Start() != 0 || !session.Demo()) {
      state.SkipWithError("the bundled demo did not start");
    } else {
      TheLog().SetEcho(false);
      for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = session.Reload();
        const auto end = std::chrono::steady_clock::now();
        if (!ok) {
          state.SkipWithError("the bundled demo did not reload");
          break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
      }
      session.Finish();
    }
  }
  if (quiet) std::fclose(quiet);
}

void Suite_LiveReloadFromArchive(benchmark::State& state) {
  LiveReload(state, suite::ArchivePath());
}

void Suite_LiveReloadFromDirectory(benchmark::State& state) {
  LiveReload(state, suite::DataDirectory());
}

}  // namespace

BENCHMARK(Suite_LiveReloadFromArchive)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Suite_LiveReloadFromDirectory)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(3);
