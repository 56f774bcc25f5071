#include "MusicDecode.h"

#include <filesystem>
#include <system_error>

#include "Platform.h"
#include "ProgramLocation.h"

namespace {

// SolvaneAudio_DecodeFile and the callback it hands the samples to, as the
// audio library declares them.
using PcmProc = void (*)(const short* samples, unsigned frames, unsigned frequency, unsigned channels,
                         void* user);
using DecodeFileFunction = int (*)(const char* path, unsigned flags, PcmProc proc, void* user);
constexpr unsigned kMonoFlag = 2;

void TakeSamples(const short* samples, unsigned frames, unsigned frequency, unsigned channels, void* user) {
  MusicPcm& pcm = *static_cast<MusicPcm*>(user);
  pcm.rate = static_cast<int>(frequency);
  pcm.mono.resize(frames);
  const float scale = 1.0f / (32768.0f * static_cast<float>(channels));
  if (channels == 1) {  // as asked for: the mixer has mixed the channels down already
    for (unsigned f = 0; f < frames; ++f) pcm.mono[f] = static_cast<float>(samples[f]) * scale;
    return;
  }
  for (unsigned f = 0; f < frames; ++f) {
    int sum = 0;
    for (unsigned c = 0; c < channels; ++c) sum += samples[static_cast<size_t>(f) * channels + c];
    pcm.mono[f] = static_cast<float>(sum) * scale;
  }
}

bool DecodeWith(const std::string& library, const std::string& path, MusicPcm& pcm, std::string& error) {
  const plat::LibraryHandle handle = plat::LoadRuntimeLibrary(library.c_str());
  const auto decode =
      handle ? reinterpret_cast<DecodeFileFunction>(plat::FindLibrarySymbol(handle, "SolvaneAudio_DecodeFile"))
             : nullptr;
  if (!decode) {
    error = "can't load the audio library " + library + " (or it cannot decode)";
    return false;
  }
  if (!decode(path.c_str(), kMonoFlag, TakeSamples, &pcm) || pcm.rate <= 0) {
    pcm = MusicPcm();
    error = path + ": not music the audio library can decode (MP3, Ogg Vorbis, WAV or FLAC)";
    return false;
  }
  return true;
}

}  // namespace

bool DecodeMusic(const std::string& path, MusicPcm& pcm, std::string& error, const std::string& audioLibrary) {
  pcm = MusicPcm();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = path + ": no such music file";
    return false;
  }
  // Loaded where it lies, as solvane-live loads it when the data has none.
  // The platform keeps loaded libraries; a tool that has not started it yet
  // (solvane-render before any rendering) gets it just for the decoding.
  const std::string library = audioLibrary.empty() ? ProgramDirectory() + SOLVANE_AUDIO_MODULE_FILE : audioLibrary;
  const bool started = !plat::Started() && plat::StartHeadless();
  const bool decoded = DecodeWith(library, path, pcm, error);
  if (started) plat::Shutdown();
  return decoded;
}
