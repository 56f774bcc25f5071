// The cost of one frame of a demo through the web module's calls, made as the
// page makes them (sv_set_data, sv_start, sv_frame each animation frame). The
// same program is built natively and for wasm32-wasi, where Node runs it, so
// the two times compare the engine's code in both, not two harnesses.
//
//   web-frame-bench DEMO.dat
//
// Prints "web-frame-bench: N frames, X us a frame".
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "WebModule.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: web-frame-bench DEMO.dat\n", stderr);
    return 2;
  }
  // The archive's bytes, as the page fetches them.
  std::vector<unsigned char> data;
  if (std::FILE* file = std::fopen(argv[1], "rb")) {
    unsigned char chunk[65536];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
      data.insert(data.end(), chunk, chunk + got);
    std::fclose(file);
  }
  unsigned char* bytes = sv_alloc(static_cast<int>(data.size()));
  if (data.empty() || !bytes) {
    std::fprintf(stderr, "web-frame-bench: cannot read %s\n", argv[1]);
    return 1;
  }
  std::memcpy(bytes, data.data(), data.size());
  if (sv_set_data(bytes, static_cast<int>(data.size())) != 0 || sv_start(2, 1) != 0) return 1;

  // Every frame of the demo, one per 21 ms of its clock; only the calls that
  // drew a frame are timed.
  using Clock = std::chrono::steady_clock;
  Clock::duration spent{};
  int frames = 0;
  for (double ms = 0;; ms += 21) {
    const Clock::time_point start = Clock::now();
    const int result = sv_frame(ms);
    const Clock::duration took = Clock::now() - start;
    if (result < 0) break;
    if (result == 1) {
      spent += took;
      ++frames;
    }
  }
  const double micros = std::chrono::duration<double, std::micro>(spent).count();
  std::printf("web-frame-bench: %d frames, %.1f us a frame\n", frames, frames ? micros / frames : 0.0);
  return frames > 0 ? 0 : 1;
}
