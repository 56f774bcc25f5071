// solvane-render on the whole bundled demo at 50 frames per second, run as
// the program it is (its own process, the default data beside it, output in a
// scratch folder), timed by the wall clock from start to exit: --strip against
// the demo's own length (its real time), --frames as frames per second.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "SuiteSupport.h"
#include "TestSupport.h"

extern char** environ;

namespace {

// Wall seconds from start to exit, or -1 when it did not run or did not exit 0.
double RunRenderer(const std::vector<std::string>& args) {
  std::vector<std::string> all = {suite::RendererPath()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1.0;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1.0;
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
  return std::chrono::duration<double>(end - start).count();
}

// The bundled demo's length in whole seconds, as the renderer takes it; 0 when
// it does not set up.
int DemoSeconds() {
  suite::BundledDemo bundled;
  return bundled.Start(suite::ArchivePath(), "") ? bundled.Demo().endTime : 0;
}

void Suite_RenderStrip(benchmark::State& state) {
  const int seconds = DemoSeconds();
  TempDir out;
  for (auto _ : state) {
    const double wall = RunRenderer({"--strip", out.PathOf("strip.png")});
    if (wall < 0.0 || seconds == 0) {
      state.SkipWithError("solvane-render --strip failed");
      break;
    }
    state.SetIterationTime(wall);
  }
  state.counters["demo_seconds"] = seconds;
}

void Suite_RenderFrames(benchmark::State& state) {
  const int seconds = DemoSeconds();
  TempDir out;
  for (auto _ : state) {
    std::error_code ec;
    std::filesystem::remove_all(out.PathOf("frames"), ec);
    const double wall = RunRenderer({"--frames", out.PathOf("frames")});
    if (wall < 0.0 || seconds == 0) {
      state.SkipWithError("solvane-render --frames failed");
      break;
    }
    state.SetIterationTime(wall);
  }
  state.counters["frames"] = seconds * 50;
}

}  // namespace

BENCHMARK(Suite_RenderStrip)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);
BENCHMARK(Suite_RenderFrames)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
