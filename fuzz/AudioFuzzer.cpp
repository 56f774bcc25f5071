// The audio library's loaders over bytes in memory: the input goes to
// BASS_StreamCreateFile and BASS_MusicLoad with memory = 1, on output opened
// once with SDL's dummy driver. The library frees loaded music only when the
// output closes (BASS_Free), and closing waits for SDL's audio thread (about
// 0.1 s), so the handles are released in batches: once kHeldHandles loads have
// succeeded, the output is closed and opened again. SDL itself stays
// initialised throughout, since the harness holds its own reference to the
// audio subsystem.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "AudioLibrary.h"
#include "FuzzSupport.h"

namespace {

constexpr int kHeldHandles = 16;
int gHeld = 0;

bool OpenOutput() { return BASS_Init(-1, 44100, 0, nullptr) != 0; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 || !OpenOutput()) {
    std::fprintf(stderr, "fuzz-audio: no audio output with the dummy driver: %s\n", SDL_GetError());
    std::exit(1);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  const unsigned length = static_cast<unsigned>(size);
  const unsigned stream = BASS_StreamCreateFile(1, data, 0, length, 0);
  const unsigned module = BASS_MusicLoad(1, data, 0, length, 0);
  if (FuzzEcho()) std::printf("fuzz-audio: stream %u, module %u\n", stream, module);
  gHeld += (stream != 0) + (module != 0);
  if (gHeld >= kHeldHandles) {
    gHeld = 0;
    BASS_Free();
    FUZZ_CHECK(OpenOutput());
  }
  return 0;
}
