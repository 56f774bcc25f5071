// Peak memory of the audio library playing music from a file: the bundled
// 1.1 MB music, then a 200 MB MP3 made here by repeating its frames. Each is
// loaded and played for a second on SDL's dummy driver in a process of its
// own, whose peak resident size (VmHWM) is the figure. A stream is read from
// its file as it plays, so the large file may cost at most 30 MB more.
//
//   audio_memory_bench            both measures, the table, exit 1 if missed
//   audio_memory_bench FILE       one measure: prints FILE's peak in kB
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "AudioLibrary.h"

namespace {

constexpr long kLargeBytes = 200L * 1024 * 1024;
constexpr long kAllowedExtraKb = 30L * 1024;

long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.compare(0, 6, "VmHWM:") == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// Loads and plays the file for a second; prints the peak, or fails.
int MeasureOne(const char* path) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  void* library = dlopen(AUDIO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  if (!library) return std::fprintf(stderr, "%s\n", dlerror()), 1;
  const auto init = reinterpret_cast<BASS_InitFn>(dlsym(library, "BASS_Init"));
  const auto create =
      reinterpret_cast<BASS_StreamCreateFileFn>(dlsym(library, "BASS_StreamCreateFile"));
  const auto play = reinterpret_cast<BASS_StreamPlayFn>(dlsym(library, "BASS_StreamPlay"));
  const auto playing =
      reinterpret_cast<SolvaneAudio_PlayingFn>(dlsym(library, "SolvaneAudio_Playing"));
  const auto free = reinterpret_cast<BASS_FreeFn>(dlsym(library, "BASS_Free"));
  if (!init || !create || !play || !playing || !free) return 1;
  if (!init(-1, 44100, 0, nullptr)) return std::fprintf(stderr, "no output\n"), 1;
  const unsigned stream = create(0, path, 0, 0, 0);
  if (!stream || !play(stream, 0, 0)) return std::fprintf(stderr, "%s does not play\n", path), 1;
  // The dummy driver pulls samples in real time.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const bool stillPlaying = playing() != 0;
  const long peak = PeakResidentKb();
  free();
  if (!stillPlaying) return std::fprintf(stderr, "%s stopped early\n", path), 1;
  std::printf("%ld\n", peak);
  return 0;
}

// Runs this program on one file and reads the peak it prints.
long MeasureInChild(const std::string& path) {
  int out[2];
  if (pipe(out) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl("/proc/self/exe", "audio_memory_bench", path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string text;
  char buffer[64];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::atol(text.c_str());
}

// The bundled MP3's frames, without its tags, repeated past 200 MB.
bool WriteLargeMp3(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::string frames{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (frames.size() > 10 && frames.compare(0, 3, "ID3") == 0) {
    const auto byte = [&frames](int i) { return static_cast<long>(frames[i] & 0x7F); };
    frames.erase(0, 10 + (byte(6) << 21 | byte(7) << 14 | byte(8) << 7 | byte(9)));
  }
  if (frames.size() > 128 && frames.compare(frames.size() - 128, 3, "TAG") == 0)
    frames.resize(frames.size() - 128);
  if (frames.empty()) return false;
  std::ofstream out(to, std::ios::binary);
  for (long written = 0; written < kLargeBytes; written += static_cast<long>(frames.size()))
    out.write(frames.data(), static_cast<std::streamsize>(frames.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2) return MeasureOne(argv[1]);
  const char* tmp = std::getenv("TMPDIR");
  std::string directory = std::string(tmp && *tmp ? tmp : "/tmp") + "/solvane-audio-bench-XXXXXX";
  if (!mkdtemp(&directory[0])) return std::perror("mkdtemp"), 1;
  const std::string large = directory + "/large.mp3";
  const bool made = WriteLargeMp3(BUNDLED_MUSIC_PATH, large);
  const long bundled = MeasureInChild(BUNDLED_MUSIC_PATH);
  const long big = made ? MeasureInChild(large) : -1;
  std::remove(large.c_str());
  rmdir(directory.c_str());
  if (bundled < 0 || big < 0) return std::fprintf(stderr, "a measure failed\n"), 1;
  const long extra = big - bundled;
  std::printf("%-32s %10s\n", "music file", "peak RSS");
  std::printf("%-32s %7ld kB\n", "bundled solvane.mp3 (1.1 MB)", bundled);
  std::printf("%-32s %7ld kB\n", "repeated frames (200 MB)", big);
  std::printf("%-32s %7ld kB  (target < %ld kB): %s\n", "difference", extra, kAllowedExtraKb,
              extra < kAllowedExtraKb ? "met" : "MISSED");
  return extra < kAllowedExtraKb ? 0 : 1;
}
