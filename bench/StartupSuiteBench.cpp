// Start-up of the bundled demo, from the archive and from the data directory:
// VDemo::Setup (data source opened, surface, scripts, images, textures,
// particle rings) and the first RenderFrame on the headless backend. The
// process state is put back as at program start before each repetition, and
// only the set-up and the frame are timed. The yardstick is reading the same
// data's bytes: the whole archive file, or every file under data/ (the set-up
// itself reads less: not the audio library, with the sound off).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DemoModes.h"
#include "KolLog.h"
#include "SuiteSupport.h"
#include "VDemo.h"

namespace {

void Startup(benchmark::State& state, const std::string& archive, const std::string& directory) {
  for (auto _ : state) {
    suite::FreshProcess();
    auto demo = std::make_unique<VDemo>();
    demo->displayMode = kDisplayWindowed;
    demo->soundMode = kSoundNone;
    demo->SetDataLocation(archive, directory);
    const auto start = std::chrono::steady_clock::now();
    demo->Setup();
    demo->RenderFrame();
    const auto end = std::chrono::steady_clock::now();
    if (demo->abandoned || TheLog().RecordCount() != 0 || demo->framesRendered != 1) {
      state.SkipWithError("the bundled demo did not set up");
      break;
    }
    demo.reset();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}

void Suite_StartupFromArchive(benchmark::State& state) {
  Startup(state, suite::ArchivePath(), "");
}

void Suite_StartupFromDirectory(benchmark::State& state) {
  Startup(state, "", suite::DataDirectory());
}

long long ReadWhole(const std::filesystem::path& path, std::vector<char>& buffer) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return -1;
  long long total = 0;
  for (;;) {
    const size_t n = std::fread(buffer.data(), 1, buffer.size(), file);
    total += static_cast<long long>(n);
    if (n < buffer.size()) break;
  }
  std::fclose(file);
  return total;
}

void Suite_ReadArchive(benchmark::State& state) {
  std::vector<char> buffer(1 << 20);
  long long bytes = 0;
  for (auto _ : state) {
    bytes = ReadWhole(suite::ArchivePath(), buffer);
    if (bytes < 0) {
      state.SkipWithError("no solvane.dat");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void Suite_ReadDirectory(benchmark::State& state) {
  std::vector<char> buffer(1 << 20);
  long long bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(suite::DataDirectory(), ec)) {
      if (!entry.is_regular_file(ec)) continue;
      const long long n = ReadWhole(entry.path(), buffer);
      if (n > 0) bytes += n;
    }
    if (bytes == 0) {
      state.SkipWithError("no data directory");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

}  // namespace

BENCHMARK(Suite_StartupFromArchive)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Suite_ReadArchive)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Suite_StartupFromDirectory)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Suite_ReadDirectory)->Unit(benchmark::kMillisecond)->Repetitions(3);
