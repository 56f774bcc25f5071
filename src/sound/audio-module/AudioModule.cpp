// The audio library the player loads at run time, over SDL2_mixer. Every
// loaded stream or module is a Mix_Music over a copy of its bytes; playing one
// puts it on the mixer's single music channel. The format always comes from
// the contents (SDL_mixer's own loader would go by the file name's extension).
#include "AudioLibrary.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kDefaultFrequency = 44100;
constexpr int kBufferSamples = 2048;
constexpr int kDecoders = MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC | MIX_INIT_MOD;

enum class Kind { Stream, Module };

// One loaded stream or module. The decoder reads `bytes` while it plays, so
// they live exactly as long as `music`.
struct Music {
  Kind kind;
  std::vector<Uint8> bytes;
  Mix_Music* music = nullptr;

  explicit Music(Kind k) : kind(k) {}
  Music(const Music&) = delete;
  Music& operator=(const Music&) = delete;
  ~Music() {
    if (music) Mix_FreeMusic(music);
  }
};

class Output {
 public:
  ~Output() {
    // Unloaded (or the process ends) with output still open: stop the audio
    // thread before the code it runs goes away.
    std::lock_guard<std::mutex> lock(mutex_);
    CloseLocked();
  }

  int Init(int device, unsigned frequency, unsigned flags) {
    std::lock_guard<std::mutex> lock(mutex_);
    CloseLocked();
    if (frequency > static_cast<unsigned>(INT_MAX)) return 0;
    const int rate = frequency == 0 ? kDefaultFrequency : static_cast<int>(frequency);
    const int channels = (flags & SOLVANE_AUDIO_INIT_MONO) ? 1 : 2;

    // SDL would otherwise turn SIGINT and SIGTERM into a quit event, and the
    // program reads no SDL events: the signals must keep their own meaning.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    std::string deviceName;
    if (device >= 1 && device <= SDL_GetNumAudioDevices(0)) {
      const char* name = SDL_GetAudioDeviceName(device - 1, 0);
      if (name) deviceName = name;
    }
    // Decoders whose libraries are missing are simply not offered.
    Mix_Init(kDecoders);
    // No format changes allowed: SDL converts to the device when it must, so
    // the mixer always runs at the format asked for.
    if (Mix_OpenAudioDevice(rate, AUDIO_S16SYS, channels, kBufferSamples,
                            deviceName.empty() ? nullptr : deviceName.c_str(), 0) != 0) {
      Mix_Quit();
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return 0;
    }
    open_ = true;
    return 1;
  }

  int Free() {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool wasOpen = open_;
    CloseLocked();
    return wasOpen ? 1 : 0;
  }

  int Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return 0;
    Mix_ResumeMusic();
    return 1;
  }

  int Pause() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return 0;
    Mix_PauseMusic();
    return 1;
  }

  unsigned Load(Kind kind, int memory, const void* file, unsigned offset, unsigned length) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return 0;
    auto loaded = std::make_unique<Music>(kind);
    if (!ReadSource(memory, file, offset, length, loaded->bytes)) return 0;
    loaded->music = kind == Kind::Stream ? DecodeStream(loaded->bytes) : DecodeModule(loaded->bytes);
    if (!loaded->music) return 0;
    const unsigned handle = NewHandleLocked();
    musics_[handle] = std::move(loaded);
    return handle;
  }

  int Play(unsigned handle, Kind kind) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return 0;
    const auto found = musics_.find(handle);
    if (found == musics_.end() || found->second->kind != kind) return 0;
    return Mix_PlayMusic(found->second->music, 0) == 0 ? 1 : 0;
  }

  int FreeMusic(unsigned handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return 0;
    const auto found = musics_.find(handle);
    if (found == musics_.end()) return 0;
    musics_.erase(found);  // Mix_FreeMusic halts it first when it is the one playing
    return 1;
  }

  int OpenedFormat(int* frequency, int* channels) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return 0;
    int rate = 0, count = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&rate, &format, &count)) return 0;
    if (frequency) *frequency = rate;
    if (channels) *channels = count;
    return 1;
  }

  int Playing() {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_ && Mix_PlayingMusic() ? 1 : 0;
  }

  int Paused() {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_ && Mix_PausedMusic() ? 1 : 0;
  }

 private:
  void CloseLocked() {
    if (!open_) return;
    Mix_HaltMusic();
    musics_.clear();
    Mix_CloseAudio();
    Mix_Quit();
    if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    open_ = false;
  }

  unsigned NewHandleLocked() {
    // Handles are not reused while their music is loaded; 0 is never one.
    do {
      ++lastHandle_;
    } while (lastHandle_ == 0 || musics_.count(lastHandle_));
    return lastHandle_;
  }

  // Copies the source's bytes: memory from `file + offset`, or a file's bytes
  // from `offset` on (to its end when `length` is 0 or reaches past it).
  static bool ReadSource(int memory, const void* file, unsigned offset, unsigned length,
                         std::vector<Uint8>& bytes) {
    if (!file) return false;
    if (memory) {
      if (length == 0) return false;
      const Uint8* start = static_cast<const Uint8*>(file) + offset;
      bytes.assign(start, start + length);
      return true;
    }
    SDL_RWops* rw = SDL_RWFromFile(static_cast<const char*>(file), "rb");
    if (!rw) return false;
    const Sint64 size = SDL_RWsize(rw);
    bool ok = size > 0 && static_cast<Sint64>(offset) < size &&
              SDL_RWseek(rw, offset, RW_SEEK_SET) == static_cast<Sint64>(offset);
    if (ok) {
      const Sint64 available = size - offset;
      const Sint64 wanted = length == 0 ? available : std::min<Sint64>(length, available);
      bytes.resize(static_cast<size_t>(wanted));
      size_t done = 0;
      while (done < bytes.size()) {
        const size_t got = SDL_RWread(rw, bytes.data() + done, 1, bytes.size() - done);
        if (got == 0) break;
        done += got;
      }
      ok = done == bytes.size();
    }
    SDL_RWclose(rw);
    return ok;
  }

  // SDL_mixer hands a WAV or AIFF file's header values to SDL as they are, and
  // SDL trusts them: it keeps the channel count in one byte and divides by that
  // byte (a count of 0, 256, 1024, ... ends the process with a division by
  // zero), and it sizes its resampler from the sample rate in int arithmetic (a
  // rate of 0 or of hundreds of megahertz fails halfway and leaks what it had
  // set up). Such files are refused before the decoder sees them; every format
  // chunk in the file counts, wherever it sits, so no chunk layout can slip one
  // past.
  static constexpr Uint32 kMaxSampleRate = 1u << 20;  // far above any real recording

  static bool HasHeaderSdlCannotTake(const std::vector<Uint8>& bytes) {
    const auto at = [&bytes](size_t position, const char* tag) {
      return std::memcmp(bytes.data() + position, tag, 4) == 0;
    };
    if (bytes.size() < 12) return false;
    const bool wave = at(0, "RIFF"), aiff = at(0, "FORM");
    for (size_t i = 12; (wave || aiff) && i + 12 <= bytes.size(); ++i) {
      if (wave && at(i, "fmt ")) {
        if (bytes[i + 10] == 0) return true;  // the channel count, little-endian
        if (i + 16 <= bytes.size()) {
          const Uint32 rate = bytes[i + 12] | bytes[i + 13] << 8 | bytes[i + 14] << 16 |
                              static_cast<Uint32>(bytes[i + 15]) << 24;
          if (rate == 0 || rate > kMaxSampleRate) return true;
        }
      }
      if (aiff && at(i, "COMM")) {
        if (bytes[i + 9] == 0) return true;  // the channel count, big-endian
        if (i + 18 <= bytes.size()) {
          // The rate is an 80-bit float: a sign bit and a 15-bit exponent (bias
          // 16383) come first, so 1 to kMaxSampleRate means 16383 to 16402.
          const int exponent = (bytes[i + 16] & 0x7F) << 8 | bytes[i + 17];
          if ((bytes[i + 16] & 0x80) || exponent < 16383 || exponent >= 16383 + 20) return true;
        }
      }
    }
    return false;
  }

  // SDL_mixer's FLAC decoder sets up its converter when it meets the stream
  // information block, and forgets it when the metadata after that block
  // then fails to read (a block reaching past the end, a malformed comment,
  // picture or cue sheet) or when a second such block replaces the first:
  // each load of such a file leaks the converter, as does a sample rate of 0.
  // Playing needs nothing but the stream information, so a FLAC file is
  // decoded only when it starts with one such block of the standard size and
  // a non-zero rate and its metadata chain is whole (every block within the
  // file, the last one marked); every other block is then turned into
  // padding, which the decoder skips unread. Returns false for a file to
  // refuse; anything that is not FLAC passes unchanged.
  static bool PrepareFlacMetadata(std::vector<Uint8>& bytes) {
    if (bytes.size() < 4 || std::memcmp(bytes.data(), "fLaC", 4) != 0) return true;
    constexpr int kStreamInfo = 0, kPadding = 1, kInvalid = 127;
    constexpr size_t kStreamInfoLength = 34;
    std::vector<size_t> others;
    for (size_t at = 4;;) {
      if (at + 4 > bytes.size()) return false;
      const bool last = (bytes[at] & 0x80) != 0;
      const int type = bytes[at] & 0x7F;
      const size_t length =
          static_cast<size_t>(bytes[at + 1]) << 16 | bytes[at + 2] << 8 | bytes[at + 3];
      if (type == kInvalid || length > bytes.size() - at - 4) return false;
      if (at == 4) {
        if (type != kStreamInfo || length != kStreamInfoLength) return false;
        const Uint32 rate = bytes[at + 14] << 12 | bytes[at + 15] << 4 | bytes[at + 16] >> 4;
        if (rate == 0) return false;
      } else {
        others.push_back(at);
      }
      at += 4 + length;
      if (last) break;
    }
    for (size_t at : others) bytes[at] = static_cast<Uint8>((bytes[at] & 0x80) | kPadding);
    return true;
  }

  static Mix_Music* Decode(std::vector<Uint8>& bytes, Mix_MusicType type) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return nullptr;
    if (type != MUS_MOD && (HasHeaderSdlCannotTake(bytes) || !PrepareFlacMetadata(bytes)))
      return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!rw) return nullptr;
    return Mix_LoadMUSType_RW(rw, type, 1);  // closes `rw` when it fails or the music is freed
  }

  // The mixer's own detection takes any bytes it does not recognise for a
  // tracker module and hands them to the tracker library, which spends more
  // on that refusal than a decoder spends on a real header. So only bytes that
  // start the way the mixer recognises a stream (WAV or AIFF, Ogg, FLAC, MP3)
  // are decoded; anything else it would detect as a module or as MIDI, which
  // are refused here in any case.
  static bool StartsLikeStream(const std::vector<Uint8>& bytes) {
    const auto at = [&bytes](size_t position, const char* tag, size_t n) {
      return bytes.size() >= position + n && std::memcmp(bytes.data() + position, tag, n) == 0;
    };
    if ((at(0, "RIFF", 4) && at(8, "WAVE", 4)) || at(0, "FORM", 4)) return true;
    if (at(0, "OggS", 4) || at(0, "fLaC", 4) || at(0, "ID3", 3)) return true;
    // An MPEG audio frame header.
    return bytes.size() >= 2 && bytes[0] == 0xFF && (bytes[1] & 0xE6) == 0xE2;
  }

  static Mix_Music* DecodeStream(std::vector<Uint8>& bytes) {
    if (!StartsLikeStream(bytes)) return nullptr;
    Mix_Music* music = Decode(bytes, MUS_NONE);
    if (!music) return nullptr;
    switch (Mix_GetMusicType(music)) {
      case MUS_MP3:
      case MUS_OGG:
      case MUS_WAV:
      case MUS_FLAC:
        return music;
      default:  // a module, MIDI or Opus
        Mix_FreeMusic(music);
        return nullptr;
    }
  }

  static Mix_Music* DecodeModule(std::vector<Uint8>& bytes) {
    // The tracker library takes many things for a module; only the four
    // formats with a signature count. They go to it directly, since a
    // module's title may happen to look like another format's header.
    if (!HasModuleSignature(bytes)) return nullptr;
    // The tracker library tries its own WAV reader before it gets to MOD
    // files (and to S3M files it refuses), and that reader can follow a
    // format chunk's length back onto the same chunk for ever. A WAV file is
    // no module, and streams reach SDL's WAV decoder by the stream path.
    if (bytes.size() >= 16 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
        std::memcmp(bytes.data() + 8, "WAVEfmt ", 8) == 0)
      return nullptr;
    Mix_Music* music = Decode(bytes, MUS_MOD);
    if (music && Mix_GetMusicType(music) != MUS_MOD) {
      Mix_FreeMusic(music);
      music = nullptr;
    }
    return music;
  }

  static bool HasModuleSignature(const std::vector<Uint8>& bytes) {
    const auto at = [&bytes](size_t position, const char* text) {
      const size_t n = std::strlen(text);
      return bytes.size() >= position + n && std::memcmp(bytes.data() + position, text, n) == 0;
    };
    if (at(0, "Extended Module: ") || at(44, "SCRM") || at(0, "IMPM")) return true;  // XM, S3M, IT
    // A MOD names its channel count (or tracker) at byte 1080.
    if (bytes.size() < 1084) return false;
    const char* tag = reinterpret_cast<const char*>(bytes.data()) + 1080;
    static const char* const kTags[] = {"M.K.", "M!K!", "M&K!", "N.T.", "FLT4", "FLT8", "EXO4", "EXO8",
                                        "CD61", "CD81", "OKTA", "OCTA", "FA04", "FA06", "FA08"};
    for (const char* known : kTags)
      if (std::memcmp(tag, known, 4) == 0) return true;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (digit(tag[0]) && std::memcmp(tag + 1, "CHN", 3) == 0) return true;  // 6CHN
    if (digit(tag[0]) && digit(tag[1]) && (std::memcmp(tag + 2, "CH", 2) == 0 || std::memcmp(tag + 2, "CN", 2) == 0))
      return true;  // 16CH, 32CN
    if (std::memcmp(tag, "TDZ", 3) == 0 && digit(tag[3])) return true;
    return false;
  }

  std::mutex mutex_;
  bool open_ = false;
  unsigned lastHandle_ = 0;
  std::map<unsigned, std::unique_ptr<Music>> musics_;
};

Output theOutput;

}  // namespace

extern "C" {

int BASS_Init(int device, unsigned frequency, unsigned flags, void* window) {
  return theOutput.Init(device, frequency, flags);
}

int BASS_Free(void) { return theOutput.Free(); }

int BASS_Start(void) { return theOutput.Start(); }

int BASS_Pause(void) { return theOutput.Pause(); }

unsigned BASS_StreamCreateFile(int memory, const void* file, unsigned offset, unsigned length, unsigned flags) {
  return theOutput.Load(Kind::Stream, memory, file, offset, length);
}

unsigned BASS_MusicLoad(int memory, const void* file, unsigned offset, unsigned length, unsigned flags) {
  return theOutput.Load(Kind::Module, memory, file, offset, length);
}

int BASS_StreamPlay(unsigned handle, int flush, unsigned flags) { return theOutput.Play(handle, Kind::Stream); }

int BASS_MusicPlay(unsigned handle) { return theOutput.Play(handle, Kind::Module); }

int BASS_ErrorGetCode(void) { return 0; }

float BASS_GetCPU(void) { return 0.0f; }

int BASS_SetVolume(unsigned volume) { return 1; }

int BASS_ChannelIsActive(unsigned handle) { return 0; }

unsigned BASS_ChannelGetFlags(unsigned handle) { return 0; }

int BASS_ChannelSetAttributes(unsigned handle, int frequency, int volume, int pan) { return 0; }

int BASS_ChannelGetAttributes(unsigned handle, unsigned* frequency, unsigned* volume, int* pan) { return 0; }

unsigned BASS_ChannelGetPosition(unsigned handle) { return 0; }

unsigned BASS_ChannelGetLevel(unsigned handle) { return 0; }

unsigned BASS_ChannelSetSync(unsigned handle, unsigned type, unsigned param, SolvaneAudioSyncProc proc,
                             void* user) {
  return 0;
}

int SolvaneAudio_OpenedFormat(int* frequency, int* channels) { return theOutput.OpenedFormat(frequency, channels); }

int SolvaneAudio_Playing(void) { return theOutput.Playing(); }

int SolvaneAudio_Paused(void) { return theOutput.Paused(); }

int SolvaneAudio_FreeMusic(unsigned handle) { return theOutput.FreeMusic(handle); }

}  // extern "C"
