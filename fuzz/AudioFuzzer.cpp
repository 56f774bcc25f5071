// The audio library's loaders over bytes in memory: the input goes to
// BASS_StreamCreateFile and BASS_MusicLoad with memory = 1, on output opened
// once with SDL's dummy driver. What loads is freed again at once, so memory
// stays flat and the output never has to close in between (closing waits for
// SDL's audio thread, which would leave the run idle most of the time).
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "AudioLibrary.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (BASS_Init(-1, 44100, 0, nullptr) == 0) {
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
  if (stream) FUZZ_CHECK(SolvaneAudio_FreeMusic(stream));
  if (module) FUZZ_CHECK(SolvaneAudio_FreeMusic(module));
  return 0;
}
