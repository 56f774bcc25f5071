// solvane-render --analyze-music on five minutes of stereo MP3, decode
// included, run as the program it is (its own process) and timed by the wall
// clock from start to exit, with the processor time it took; the baseline is
// ffmpeg decoding the same file to raw samples and nothing else, in the same
// run. The file is the bundled soundtrack looped to five minutes by ffmpeg,
// made once in a scratch folder. Target: under a second.
//
//   music_analysis_bench            the table; exit 1 when the target is missed
//   music_analysis_bench FILE       the same for another file
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kRuns = 5;
constexpr double kTargetSeconds = 1.0;

struct Run {
  double wall = -1, cpu = -1;  // seconds; wall -1 when it did not exit 0
};

// Runs argv with its output to outputPath (or nowhere).
Run Spawn(std::vector<std::string> args, const std::string& outputPath = "/dev/null") {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  Run run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
  run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return run;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path scratch = std::filesystem::temp_directory_path() / "solvane-music-bench";
  std::filesystem::create_directories(scratch);
  std::string music = argc > 1 ? argv[1] : (scratch / "five-minutes.mp3").string();
  if (argc <= 1 && !std::filesystem::exists(music) &&
      Spawn({"ffmpeg", "-v", "error", "-y", "-stream_loop", "-1", "-i", BUNDLED_MUSIC_PATH, "-t", "300", "-ac", "2",
             "-c:a", "libmp3lame", "-b:a", "192k", music})
              .wall < 0) {
    std::fprintf(stderr, "music_analysis_bench: ffmpeg could not make %s\n", music.c_str());
    return 1;
  }
  const std::string said = (scratch / "analysis.txt").string();
  std::vector<double> walls, cpus, decodes;
  for (int i = 0; i < kRuns; ++i) {
    const Run analysis = Spawn({SOLVANE_RENDER_PATH, "--analyze-music", music}, said);
    const Run decode = Spawn({"ffmpeg", "-v", "error", "-i", music, "-f", "s16le", "-ac", "1", "-y", "/dev/null"});
    if (analysis.wall < 0 || decode.wall < 0) {
      std::fprintf(stderr, "music_analysis_bench: solvane-render or ffmpeg failed on %s\n", music.c_str());
      return 1;
    }
    walls.push_back(analysis.wall);
    cpus.push_back(analysis.cpu);
    decodes.push_back(decode.wall);
  }
  std::FILE* answer = std::fopen(said.c_str(), "r");
  char line[256] = "";
  if (answer) {
    if (!std::fgets(line, sizeof line, answer)) line[0] = 0;
    line[std::strcspn(line, "\n")] = 0;
    std::fclose(answer);
  }
  const double wall = Median(walls), cpu = Median(cpus), decode = Median(decodes);
  std::printf("| Figure | Measured | Baseline (same run) | Ratio | Target | Met? |\n");
  std::printf("|---|---|---|---|---|---|\n");
  std::printf("| solvane-render --analyze-music, 5 min stereo MP3 | %.3f s (%.3f s CPU) | %.3f s (ffmpeg decode only) "
              "| %.2fx | < %.1f s | %s |\n",
              wall, cpu, decode, wall / decode, kTargetSeconds, wall < kTargetSeconds ? "yes" : "NO");
  std::printf("(median of %d runs on %s; it said: %s)\n", kRuns, music.c_str(), line);
  return wall < kTargetSeconds ? 0 : 1;
}
