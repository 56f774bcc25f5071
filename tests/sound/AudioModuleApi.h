// The audio library (solvane-audio.so) as its own tests reach it: loaded by
// path through the dynamic loader, as the player loads its copy, with every
// operation looked up by name; and the music files those tests write.
#pragma once

#include <dlfcn.h>
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "AudioLibrary.h"

namespace audio_test {

using Bytes = std::vector<std::uint8_t>;

// The library stays loaded for the whole run, so that leak reports can still
// name its code.
inline void* Library() {
  static void* handle = dlopen(AUDIO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  return handle;
}

// The names the lookups below did not find.
inline std::vector<std::string>& MissingNames() {
  static std::vector<std::string> names;
  return names;
}

template <typename F>
F Find(const char* name) {
  const auto function = reinterpret_cast<F>(dlsym(Library(), name));
  if (!function) MissingNames().push_back(name);
  return function;
}

#define SOLVANE_AUDIO_FIND(name) Find<name##Fn>(#name)

// Every operation the player looks up.
struct Api {
  BASS_InitFn init = SOLVANE_AUDIO_FIND(BASS_Init);
  BASS_FreeFn free = SOLVANE_AUDIO_FIND(BASS_Free);
  BASS_StartFn start = SOLVANE_AUDIO_FIND(BASS_Start);
  BASS_PauseFn pause = SOLVANE_AUDIO_FIND(BASS_Pause);
  BASS_StreamCreateFileFn streamCreateFile = SOLVANE_AUDIO_FIND(BASS_StreamCreateFile);
  BASS_MusicLoadFn musicLoad = SOLVANE_AUDIO_FIND(BASS_MusicLoad);
  BASS_StreamPlayFn streamPlay = SOLVANE_AUDIO_FIND(BASS_StreamPlay);
  BASS_MusicPlayFn musicPlay = SOLVANE_AUDIO_FIND(BASS_MusicPlay);
  BASS_ErrorGetCodeFn errorGetCode = SOLVANE_AUDIO_FIND(BASS_ErrorGetCode);
  BASS_GetCPUFn getCpu = SOLVANE_AUDIO_FIND(BASS_GetCPU);
  BASS_SetVolumeFn setVolume = SOLVANE_AUDIO_FIND(BASS_SetVolume);
  BASS_ChannelIsActiveFn channelIsActive = SOLVANE_AUDIO_FIND(BASS_ChannelIsActive);
  BASS_ChannelGetFlagsFn channelGetFlags = SOLVANE_AUDIO_FIND(BASS_ChannelGetFlags);
  BASS_ChannelSetAttributesFn channelSetAttributes = SOLVANE_AUDIO_FIND(BASS_ChannelSetAttributes);
  BASS_ChannelGetAttributesFn channelGetAttributes = SOLVANE_AUDIO_FIND(BASS_ChannelGetAttributes);
  BASS_ChannelGetPositionFn channelGetPosition = SOLVANE_AUDIO_FIND(BASS_ChannelGetPosition);
  BASS_ChannelGetLevelFn channelGetLevel = SOLVANE_AUDIO_FIND(BASS_ChannelGetLevel);
  BASS_ChannelSetSyncFn channelSetSync = SOLVANE_AUDIO_FIND(BASS_ChannelSetSync);
  SolvaneAudio_OpenedFormatFn openedFormat = SOLVANE_AUDIO_FIND(SolvaneAudio_OpenedFormat);
  SolvaneAudio_PlayingFn playing = SOLVANE_AUDIO_FIND(SolvaneAudio_Playing);
  SolvaneAudio_PausedFn paused = SOLVANE_AUDIO_FIND(SolvaneAudio_Paused);
  SolvaneAudio_FreeMusicFn freeMusic = SOLVANE_AUDIO_FIND(SolvaneAudio_FreeMusic);
  SolvaneAudio_SetPositionFn setPosition = SOLVANE_AUDIO_FIND(SolvaneAudio_SetPosition);
  SolvaneAudio_GetPositionFn getPosition = SOLVANE_AUDIO_FIND(SolvaneAudio_GetPosition);
};

#undef SOLVANE_AUDIO_FIND

inline const Api& TheApi() {
  static const Api api;
  return api;
}

inline Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// SDL's disk driver writes what the mixer makes to `file`, in real time.
inline void UseDiskOutput(const std::filesystem::path& file) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
}
inline void UseDummyOutput() {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  unsetenv("SDL_DISKAUDIOFILE");
}

// A four-channel MOD at speed 6, tempo 125 (120 ms a row): one looping
// square-wave sample played on the first row of its single pattern, which
// breaks off after `rows` rows (64: it plays whole, 7.68 s).
inline Bytes TinyMod(int rows) {
  constexpr int kSampleBytes = 64;
  Bytes mod(1084, 0);
  std::memcpy(mod.data(), "solvane test", 12);
  std::uint8_t* sample = &mod[20];
  std::memcpy(sample, "square", 6);
  sample[23] = kSampleBytes / 2;  // length in words, big-endian
  sample[25] = 64;                // volume
  sample[29] = kSampleBytes / 2;  // loop length in words: the whole sample
  mod[950] = 1;                   // song length: one pattern
  mod[951] = 127;
  std::memcpy(&mod[1080], "M.K.", 4);

  Bytes pattern(64 * 4 * 4, 0);
  const auto cell = [&pattern](int row, int channel) { return &pattern[(row * 4 + channel) * 4]; };
  constexpr int kPeriod = 428;  // C-2
  cell(0, 0)[0] = static_cast<std::uint8_t>(kPeriod >> 8);  // sample 1: high nibble 0
  cell(0, 0)[1] = kPeriod & 0xFF;
  cell(0, 0)[2] = 0x10;  // sample 1: low nibble, no effect
  if (rows < 64) cell(rows - 1, 1)[2] = 0x0D;  // pattern break
  mod.insert(mod.end(), pattern.begin(), pattern.end());

  for (int i = 0; i < kSampleBytes; ++i) mod.push_back(i < kSampleBytes / 2 ? 0x40 : 0xC0);
  return mod;
}

}  // namespace audio_test
