// The audio library the player loads at run time, over SDL2_mixer. A stream
// from a file is decoded from the file as it plays, through a reader that
// serves the few bytes the checks below rewrite; a stream from memory, and
// module music (the tracker library takes it whole), play from a copy of
// their bytes. The format always comes from the contents (SDL_mixer's own
// loader would go by the file name's extension). Nothing thrown inside may
// leave through the C interface, and no allocation's size comes from a file
// unchecked.
#include "AudioLibrary.h"

#include <SDL.h>
#include <SDL_mixer.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kDefaultFrequency = 44100;
// Closing the device waits for the buffer in flight and then two more for
// the output to drain, so the buffer is what Escape costs: 512 samples (12 ms
// at 44.1 kHz) end the program within 50 ms of the key.
constexpr int kBufferSamples = 512;
constexpr int kDecoders = MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC | MIX_INIT_MOD;

enum class Kind { Stream, Module };

// Module music read from a file is held whole, up to this size: the largest
// tracker modules are tens of megabytes.
constexpr Uint64 kMaxModuleBytes = 64u << 20;
// A FLAC file's metadata blocks beyond the stream information, at most. An
// encoder writes a handful; each is remembered while the file plays.
constexpr size_t kMaxFlacBlocks = 1024;

// One byte of a file served other than it is on disk.
struct Patch {
  Uint64 at;
  Uint8 value;
};

// The bytes a loader checks before a decoder sees them: a copy in memory, or
// `size` bytes of an open file from `start` on, read where they lie.
class Source {
 public:
  Source(const Uint8* bytes, Uint64 size) : bytes_(bytes), size_(size) {}
  Source(SDL_RWops* file, Sint64 start, Uint64 size) : file_(file), start_(start), size_(size) {}

  Uint64 Size() const { return size_; }

  // Copies up to n bytes from `at` on; returns how many it could.
  size_t Read(Uint64 at, void* into, size_t n) const {
    if (at >= size_) return 0;
    n = static_cast<size_t>(std::min<Uint64>(n, size_ - at));
    if (bytes_) {
      std::memcpy(into, bytes_ + at, n);
      return n;
    }
    const Sint64 position = start_ + static_cast<Sint64>(at);
    if (SDL_RWseek(file_, position, RW_SEEK_SET) != position) return 0;
    size_t done = 0;
    while (done < n) {
      const size_t got = SDL_RWread(file_, static_cast<Uint8*>(into) + done, 1, n - done);
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  bool Has(Uint64 at, const char* tag, size_t n) const {
    Uint8 found[32];
    return n <= sizeof found && Read(at, found, n) == n && std::memcmp(found, tag, n) == 0;
  }

 private:
  const Uint8* bytes_ = nullptr;
  SDL_RWops* file_ = nullptr;
  Sint64 start_ = 0;
  Uint64 size_ = 0;
};

// A stream's file as its decoder reads it: a window of the file, with the
// patched bytes served in place of those on disk. Closing it closes the file.
class FileWindow {
 public:
  // Takes `file`, whatever the result; null when nothing could be set up.
  static SDL_RWops* Open(SDL_RWops* file, Sint64 start, Sint64 size, std::vector<Patch> patches) {
    std::unique_ptr<FileWindow> window(new (std::nothrow) FileWindow);
    SDL_RWops* rw = window ? SDL_AllocRW() : nullptr;
    if (!rw) {
      SDL_RWclose(file);
      return nullptr;
    }
    window->file_ = file;
    window->start_ = start;
    window->size_ = size;
    window->patches_ = std::move(patches);
    rw->type = SDL_RWOPS_UNKNOWN;
    rw->size = Size;
    rw->seek = Seek;
    rw->read = Read;
    rw->write = Write;
    rw->close = Close;
    rw->hidden.unknown.data1 = window.release();  // deleted by Close
    return rw;
  }

 private:
  static FileWindow& Of(SDL_RWops* rw) {
    return *static_cast<FileWindow*>(rw->hidden.unknown.data1);
  }

  static Sint64 SDLCALL Size(SDL_RWops* rw) { return Of(rw).size_; }

  static Sint64 SDLCALL Seek(SDL_RWops* rw, Sint64 offset, int whence) {
    FileWindow& window = Of(rw);
    Sint64 base = 0;
    if (whence == RW_SEEK_CUR) base = window.position_;
    else if (whence == RW_SEEK_END) base = window.size_;
    else if (whence != RW_SEEK_SET) return SDL_SetError("Unknown value for 'whence'");
    // Clamped to the window, as SDL's memory reader does.
    if (offset < -base) offset = -base;
    if (offset > window.size_ - base) offset = window.size_ - base;
    window.position_ = base + offset;
    return window.position_;
  }

  static size_t SDLCALL Read(SDL_RWops* rw, void* into, size_t size, size_t count) {
    FileWindow& window = Of(rw);
    if (size == 0 || count == 0) return 0;
    const Uint64 left = static_cast<Uint64>(window.size_ - window.position_);
    // Whole objects only, as SDL's memory reader gives them.
    const Uint64 objects = std::min<Uint64>(count, left / size);
    if (objects == 0) return 0;
    const size_t wanted = static_cast<size_t>(objects * size);
    const Sint64 position = window.start_ + window.position_;
    if (SDL_RWseek(window.file_, position, RW_SEEK_SET) != position) return 0;
    Uint8* const bytes = static_cast<Uint8*>(into);
    size_t done = 0;
    while (done < wanted) {
      const size_t got = SDL_RWread(window.file_, bytes + done, 1, wanted - done);
      if (got == 0) break;
      done += got;
    }
    done -= done % size;
    const Uint64 from = static_cast<Uint64>(window.position_);
    for (const Patch& patch : window.patches_)
      if (patch.at >= from && patch.at - from < done) bytes[patch.at - from] = patch.value;
    window.position_ += static_cast<Sint64>(done);
    return done / size;
  }

  static size_t SDLCALL Write(SDL_RWops*, const void*, size_t, size_t) {
    SDL_SetError("A music file is read only");
    return 0;
  }

  static int SDLCALL Close(SDL_RWops* rw) {
    std::unique_ptr<FileWindow> window(&Of(rw));
    const int result = SDL_RWclose(window->file_);
    SDL_FreeRW(rw);
    return result;
  }

  SDL_RWops* file_ = nullptr;
  Sint64 start_ = 0, size_ = 0, position_ = 0;
  std::vector<Patch> patches_;
};

// Opens a music file for reading only when it is a regular file. Opening a
// FIFO would wait for a writer, and a device may block for ever, so the open
// is non-blocking until the type is known.
SDL_RWops* OpenRegularFile(const char* path) {
#ifndef _WIN32
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat status;
  const int flags = fcntl(fd, F_GETFL);
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
      fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    close(fd);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "rb");
  if (!file) {
    close(fd);
    return nullptr;
  }
  SDL_RWops* rw = SDL_RWFromFP(file, SDL_TRUE);
  if (!rw) std::fclose(file);
  return rw;
#else
  return SDL_RWFromFile(path, "rb");
#endif
}

// One loaded stream or module. A decoder that plays from memory reads
// `bytes`, so they live exactly as long as `music`; one that plays from a
// file owns its reader, which Mix_FreeMusic closes.
struct Music {
  Kind kind;
  std::unique_ptr<Uint8[]> bytes;
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
    int opened = 0, count = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&opened, &format, &count);
    rate_ = opened > 0 ? opened : rate;
    frameBytes_ = 2 * (count > 0 ? count : channels);
    current_ = nullptr;
    ResetClock(0.0);
    Mix_SetPostMix(CountMixed, this);
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
    if (!open_ || !file) return 0;
    std::unique_ptr<Music> loaded(new (std::nothrow) Music(kind));
    if (!loaded) return 0;
    if (memory) {
      if (length == 0) return 0;
      loaded->music = LoadCopy(*loaded, static_cast<const Uint8*>(file) + offset, length);
    } else {
      loaded->music = LoadFile(*loaded, static_cast<const char*>(file), offset, length);
    }
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
    // Halted first, the old music is no longer counted when the clock goes
    // back to 0; the new one is counted from its first buffer on.
    Mix_HaltMusic();
    current_ = nullptr;
    ResetClock(0.0);
    if (Mix_PlayMusic(found->second->music, 0) != 0) return 0;
    current_ = found->second.get();
    return 1;
  }

  // Seeks the music that plays or is paused. The music is held still around
  // the jump (the mixer's callbacks then count none of it), so the clock is
  // moved in step with the decoder, never a buffer early or late.
  int SetPosition(unsigned milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_ || !current_ || !Mix_PlayingMusic()) return 0;
    const bool paused = Mix_PausedMusic() != 0;
    if (!paused) Mix_PauseMusic();
    const double duration = Mix_MusicDuration(current_->music);
    if (duration > 0.0 && milliseconds >= duration * 1000.0) {
      // At or past the end: the music ends as if it had played to there.
      Mix_HaltMusic();
      current_ = nullptr;
      ResetClock(0.0);
      return 1;
    }
    if (Mix_SetMusicPosition(milliseconds / 1000.0) != 0) {
      if (!paused) Mix_ResumeMusic();
      return 0;
    }
    // The tracker library lands on a row, not on the very millisecond; where
    // it can say where, the clock starts from there.
    double landed = milliseconds;
    if (current_->kind == Kind::Module) {
      const double at = Mix_GetMusicPosition(current_->music);
      if (at >= 0.0) landed = at * 1000.0;
    }
    ResetClock(landed);
    if (!paused) Mix_ResumeMusic();
    return 1;
  }

  // The position of the samples the mixer is handing to the device now: the
  // start of its newest buffer of music, plus the time since that buffer was
  // made, never beyond the buffer's end. The decoder's read-ahead does not
  // count, and a paused buffer adds nothing.
  int GetPosition(unsigned* milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_ || !milliseconds || !current_ || !Mix_PlayingMusic()) return 0;
    std::lock_guard<std::mutex> clock(clockMutex_);
    const double since = std::chrono::duration<double>(Clock::now() - bufferTime_).count();
    const double into = std::min<double>(bufferFrames_, std::max(0.0, since) * rate_);
    const double at = anchorMs_ + (static_cast<double>(bufferStart_) + into) * 1000.0 / rate_;
    *milliseconds = at >= static_cast<double>(UINT_MAX) ? UINT_MAX : static_cast<unsigned>(at);
    return 1;
  }

  int FreeMusic(unsigned handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return 0;
    const auto found = musics_.find(handle);
    if (found == musics_.end()) return 0;
    if (found->second.get() == current_) current_ = nullptr;
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

  // Decodes a whole stream file into one chunk in the mixer's format: the
  // output's while it is open, else a mixer opened just for this on the
  // dummy driver at the file's own rate, so no sample is resampled.
  int DecodeFile(const char* path, unsigned flags, SolvaneAudioPcmProc proc, void* user) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!path || !proc) return 0;
    SDL_RWops* file = OpenRegularFile(path);
    if (!file) return 0;
    const Sint64 size = SDL_RWsize(file);
    const Source source(file, 0, size > 0 ? static_cast<Uint64>(size) : 0);
    std::vector<Patch> patches;
    if (size <= 0 || !StreamPassesChecks(source, patches)) {
      SDL_RWclose(file);
      return 0;
    }
    const int rate = FileSampleRate(source);
    SDL_RWops* rw = FileWindow::Open(file, 0, size, std::move(patches));
    if (!rw) return 0;
    // A mixer already open, by this library or by another copy of it in the
    // process (the player loads its own copy from the demo's data), is used
    // as it is: opening it again in another format would close it under the
    // music that plays.
    int openRate = 0, openChannels = 0;
    Uint16 openFormat = 0;
    const bool borrowed = open_ || Mix_QuerySpec(&openRate, &openFormat, &openChannels) != 0;
    if (!borrowed && !OpenForDecoding(rate, (flags & SOLVANE_AUDIO_INIT_MONO) ? 1 : 2)) {
      SDL_RWclose(rw);
      return 0;
    }
    int decoded = 0;
    if (Mix_Chunk* chunk = Mix_LoadWAV_RW(rw, 1)) {
      int frequency = 0, channels = 0;
      Uint16 format = 0;
      Mix_QuerySpec(&frequency, &format, &channels);
      if (format == AUDIO_S16SYS && frequency > 0 && channels > 0) {
        proc(reinterpret_cast<const short*>(chunk->abuf),
             chunk->alen / (2u * static_cast<unsigned>(channels)), static_cast<unsigned>(frequency),
             static_cast<unsigned>(channels), user);
        decoded = 1;
      }
      Mix_FreeChunk(chunk);
    }
    if (!borrowed) {
      Mix_CloseAudio();
      Mix_Quit();
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    return decoded;
  }

 private:
  using Clock = std::chrono::steady_clock;

  void CloseLocked() {
    if (!open_) return;
    Mix_SetPostMix(nullptr, nullptr);
    Mix_HaltMusic();
    current_ = nullptr;
    musics_.clear();
    Mix_CloseAudio();
    Mix_Quit();
    if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    open_ = false;
  }

  // Starts the clock again at `milliseconds`, with nothing mixed since.
  void ResetClock(double milliseconds) {
    std::lock_guard<std::mutex> clock(clockMutex_);
    anchorMs_ = milliseconds;
    mixedFrames_ = bufferStart_ = 0;
    bufferFrames_ = 0;
    bufferTime_ = Clock::now();
  }

  // Runs on the audio thread after every buffer the mixer makes, with the
  // device locked: the music's state it reads is the state the buffer was
  // mixed with. Only the clock's own lock is taken here, and nothing that
  // holds it calls into the mixer, so the two locks never wait on each other.
  static void SDLCALL CountMixed(void* output, Uint8*, int bytes) {
    static_cast<Output*>(output)->CountMixedBuffer(bytes);
  }

  void CountMixedBuffer(int bytes) {
    // A paused buffer carries none of the music. Neither does the one in
    // which it ended, and then there is no position to give anyway.
    const bool music = Mix_PlayingMusic() && !Mix_PausedMusic();
    const Uint64 frames = music && frameBytes_ > 0 ? static_cast<Uint64>(bytes / frameBytes_) : 0;
    std::lock_guard<std::mutex> clock(clockMutex_);
    bufferStart_ = mixedFrames_;
    bufferFrames_ = frames;
    mixedFrames_ += frames;
    bufferTime_ = Clock::now();
  }

  unsigned NewHandleLocked() {
    // Handles are not reused while their music is loaded; 0 is never one.
    do {
      ++lastHandle_;
    } while (lastHandle_ == 0 || musics_.count(lastHandle_));
    return lastHandle_;
  }

  // Decodes a copy of `length` bytes from `start`.
  static Mix_Music* LoadCopy(Music& into, const Uint8* start, Uint64 length) {
    // SDL's memory reader counts in int.
    if (length == 0 || length > static_cast<Uint64>(INT_MAX)) return nullptr;
    into.bytes.reset(new (std::nothrow) Uint8[length]);
    if (!into.bytes) return nullptr;
    std::memcpy(into.bytes.get(), start, length);
    return DecodeHeld(into, length);
  }

  // Decodes the `length` bytes `into` holds.
  static Mix_Music* DecodeHeld(Music& into, Uint64 length) {
    const Source source(into.bytes.get(), length);
    std::vector<Patch> patches;
    if (into.kind == Kind::Stream ? !StreamPassesChecks(source, patches) : !IsModule(source))
      return nullptr;
    for (const Patch& patch : patches) into.bytes[patch.at] = patch.value;
    SDL_RWops* rw = SDL_RWFromConstMem(into.bytes.get(), static_cast<int>(length));
    if (!rw) return nullptr;
    return into.kind == Kind::Stream ? DecodeStream(rw) : DecodeModule(rw);
  }

  // Decodes a file's bytes from `offset` on (to its end when `length` is 0
  // or reaches past it): a stream from the file itself, a module from a copy.
  static Mix_Music* LoadFile(Music& into, const char* path, unsigned offset, unsigned length) {
    SDL_RWops* file = OpenRegularFile(path);
    if (!file) return nullptr;
    const Sint64 size = SDL_RWsize(file);
    if (size <= 0 || static_cast<Sint64>(offset) >= size) {
      SDL_RWclose(file);
      return nullptr;
    }
    const Sint64 available = size - offset;
    const Sint64 wanted = length == 0 ? available : std::min<Sint64>(length, available);
    if (into.kind == Kind::Module) {
      // The tracker library needs a module whole.
      bool read = false;
      if (static_cast<Uint64>(wanted) <= kMaxModuleBytes) {
        into.bytes.reset(new (std::nothrow) Uint8[static_cast<size_t>(wanted)]);
        const Source source(file, offset, static_cast<Uint64>(wanted));
        read = into.bytes && source.Read(0, into.bytes.get(), static_cast<size_t>(wanted)) ==
                                 static_cast<size_t>(wanted);
      }
      SDL_RWclose(file);
      return read ? DecodeHeld(into, static_cast<Uint64>(wanted)) : nullptr;
    }
    const Source source(file, offset, static_cast<Uint64>(wanted));
    std::vector<Patch> patches;
    if (!StreamPassesChecks(source, patches)) {
      SDL_RWclose(file);
      return nullptr;
    }
    SDL_RWops* rw = FileWindow::Open(file, offset, wanted, std::move(patches));
    return rw ? DecodeStream(rw) : nullptr;
  }

  static bool StreamPassesChecks(const Source& source, std::vector<Patch>& patches) {
    return StartsLikeStream(source) && !HasHeaderSdlCannotTake(source) &&
           PrepareFlacMetadata(source, patches);
  }

  // SDL_mixer hands a WAV or AIFF file's header values to SDL as they are, and
  // SDL trusts them: it keeps the channel count in one byte and divides by that
  // byte (a count of 0, 256, 1024, ... ends the process with a division by
  // zero), and it sizes its resampler from the sample rate in int arithmetic (a
  // rate of 0 or of hundreds of megahertz fails halfway and leaks what it had
  // set up). Such files are refused before the decoder sees them; every format
  // chunk in the file counts, wherever it sits, so no chunk layout can slip one
  // past. A file is read in pieces, each with the bytes of a chunk header that
  // starts at its end.
  static constexpr Uint32 kMaxSampleRate = 1u << 20;  // far above any real recording
  static constexpr size_t kPiece = 64 * 1024, kChunkHeaderReach = 18;

  static bool HasHeaderSdlCannotTake(const Source& source) {
    const Uint64 size = source.Size();
    if (size < 12) return false;
    const bool wave = source.Has(0, "RIFF", 4), aiff = source.Has(0, "FORM", 4);
    if (!wave && !aiff) return false;
    std::unique_ptr<Uint8[]> piece(new (std::nothrow) Uint8[kPiece + kChunkHeaderReach]);
    if (!piece) return true;  // unchecked is refused
    for (Uint64 from = 12; from + 12 <= size; from += kPiece) {
      const size_t expected =
          static_cast<size_t>(std::min<Uint64>(kPiece + kChunkHeaderReach, size - from));
      if (source.Read(from, piece.get(), expected) != expected) return true;
      // `left` is the bytes from position i to the end of the file, or more
      // than a chunk header needs.
      for (size_t k = 0; k < kPiece && k + 12 <= expected; ++k) {
        const Uint8* p = piece.get() + k;
        const size_t left = expected - k;
        if (wave && std::memcmp(p, "fmt ", 4) == 0) {
          if (p[10] == 0) return true;  // the channel count, little-endian
          if (left >= 16) {
            const Uint32 rate = p[12] | p[13] << 8 | p[14] << 16 | static_cast<Uint32>(p[15]) << 24;
            if (rate == 0 || rate > kMaxSampleRate) return true;
          }
        }
        if (aiff && std::memcmp(p, "COMM", 4) == 0) {
          if (p[9] == 0) return true;  // the channel count, big-endian
          if (left >= 18) {
            // The rate is an 80-bit float: a sign bit and a 15-bit exponent (bias
            // 16383) come first, so 1 to kMaxSampleRate means 16383 to 16402.
            const int exponent = (p[16] & 0x7F) << 8 | p[17];
            if ((p[16] & 0x80) || exponent < 16383 || exponent >= 16383 + 20) return true;
          }
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
  // padding, which the decoder skips unread: `patches` gets each block's
  // rewritten first byte. Returns false for a file to refuse; anything that
  // is not FLAC passes unchanged.
  static bool PrepareFlacMetadata(const Source& source, std::vector<Patch>& patches) {
    patches.clear();
    if (!source.Has(0, "fLaC", 4)) return true;
    constexpr int kStreamInfo = 0, kPadding = 1, kInvalid = 127;
    constexpr Uint64 kStreamInfoLength = 34;
    const Uint64 size = source.Size();
    for (Uint64 at = 4;;) {
      Uint8 header[4];
      if (source.Read(at, header, 4) != 4) return false;
      const bool last = (header[0] & 0x80) != 0;
      const int type = header[0] & 0x7F;
      const Uint64 length = static_cast<Uint64>(header[1]) << 16 | header[2] << 8 | header[3];
      if (type == kInvalid || length > size - at - 4) return false;
      if (at == 4) {
        Uint8 rateBytes[3];
        if (type != kStreamInfo || length != kStreamInfoLength ||
            source.Read(at + 14, rateBytes, 3) != 3)
          return false;
        const Uint32 rate = rateBytes[0] << 12 | rateBytes[1] << 4 | rateBytes[2] >> 4;
        if (rate == 0) return false;
      } else {
        if (patches.size() == kMaxFlacBlocks) return false;
        patches.push_back({at, static_cast<Uint8>((header[0] & 0x80) | kPadding)});
      }
      at += 4 + length;
      if (last) break;
    }
    return true;
  }

  // The mixer's own detection takes any bytes it does not recognise for a
  // tracker module and hands them to the tracker library, which spends more
  // on that refusal than a decoder spends on a real header. So only bytes that
  // start the way the mixer recognises a stream (WAV or AIFF, Ogg, FLAC, MP3)
  // are decoded; anything else it would detect as a module or as MIDI, which
  // are refused here in any case.
  static bool StartsLikeStream(const Source& source) {
    if ((source.Has(0, "RIFF", 4) && source.Has(8, "WAVE", 4)) || source.Has(0, "FORM", 4))
      return true;
    if (source.Has(0, "OggS", 4) || source.Has(0, "fLaC", 4) || source.Has(0, "ID3", 3))
      return true;
    // An MPEG audio frame header.
    Uint8 start[2];
    return source.Read(0, start, 2) == 2 && start[0] == 0xFF && (start[1] & 0xE6) == 0xE2;
  }

  // Both decoders close `rw` when they fail, or else when the music is freed.
  static Mix_Music* DecodeStream(SDL_RWops* rw) {
    Mix_Music* music = Mix_LoadMUSType_RW(rw, MUS_NONE, 1);
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

  static Mix_Music* DecodeModule(SDL_RWops* rw) {
    Mix_Music* music = Mix_LoadMUSType_RW(rw, MUS_MOD, 1);
    if (music && Mix_GetMusicType(music) != MUS_MOD) {
      Mix_FreeMusic(music);
      music = nullptr;
    }
    return music;
  }

  static bool IsModule(const Source& source) {
    // The tracker library takes many things for a module; only the four
    // formats with a signature count. They go to it directly, since a
    // module's title may happen to look like another format's header.
    if (!HasModuleSignature(source)) return false;
    // The tracker library tries its own WAV reader before it gets to MOD
    // files (and to S3M files it refuses), and that reader can follow a
    // format chunk's length back onto the same chunk for ever. A WAV file is
    // no module, and streams reach SDL's WAV decoder by the stream path.
    return !(source.Has(0, "RIFF", 4) && source.Has(8, "WAVEfmt ", 8));
  }

  static bool HasModuleSignature(const Source& source) {
    const auto at = [&source](Uint64 position, const char* text) {
      return source.Has(position, text, std::strlen(text));
    };
    if (at(0, "Extended Module: ") || at(44, "SCRM") || at(0, "IMPM")) return true;  // XM, S3M, IT
    // A MOD names its channel count (or tracker) at byte 1080.
    char tag[4];
    if (source.Read(1080, tag, 4) != 4) return false;
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

  // A mixer that only decodes: the dummy driver plays nothing, whatever
  // SDL_AUDIODRIVER says; the choice is forgotten again at once.
  static bool OpenForDecoding(int rate, int channels) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    const bool sdl = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!sdl) return false;
    Mix_Init(kDecoders);
    if (Mix_OpenAudioDevice(rate, AUDIO_S16SYS, channels, kBufferSamples, nullptr, 0) != 0) {
      Mix_Quit();
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
    return true;
  }

  // The sample rate a stream's header gives (MPEG audio, WAV, FLAC, Ogg
  // Vorbis), or the default one when it gives none that is plausible.
  static int FileSampleRate(const Source& source) {
    Uint8 b[64];
    Uint32 rate = 0;
    const auto le32 = [](const Uint8* p) {
      return static_cast<Uint32>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<Uint32>(p[3]) << 24;
    };
    if (source.Has(0, "RIFF", 4)) {
      for (Uint64 at = 12; at + 16 <= source.Size() && source.Read(at, b, 16) == 16;) {
        if (std::memcmp(b, "fmt ", 4) == 0) {
          rate = le32(b + 12);
          break;
        }
        at += 8 + static_cast<Uint64>(le32(b + 4)) + (le32(b + 4) & 1);
      }
    } else if (source.Has(0, "fLaC", 4)) {
      if (source.Read(18, b, 3) == 3) rate = b[0] << 12 | b[1] << 4 | b[2] >> 4;
    } else if (source.Has(0, "OggS", 4)) {
      // The first page holds the identification header alone.
      const size_t segments = source.Read(26, b, 1) == 1 ? b[0] : 0;
      if (source.Read(27 + segments, b, 16) == 16 && std::memcmp(b, "\x01vorbis", 7) == 0)
        rate = le32(b + 12);
    } else {
      // MPEG audio: the first frame header after an ID3v2 tag.
      Uint64 at = 0;
      if (source.Read(0, b, 10) == 10 && std::memcmp(b, "ID3", 3) == 0)
        at = 10 + (static_cast<Uint64>(b[6] & 0x7F) << 21 | (b[7] & 0x7F) << 14 | (b[8] & 0x7F) << 7 |
                   (b[9] & 0x7F)) + ((b[5] & 0x10) ? 10 : 0);
      static const Uint32 kMpeg1[3] = {44100, 48000, 32000};
      for (Uint64 end = at + 65536; at < end && rate == 0; at += sizeof b - 3) {
        const size_t got = source.Read(at, b, sizeof b);
        if (got < 4) break;
        for (size_t i = 0; i + 3 < got && rate == 0; ++i) {
          const int version = (b[i + 1] >> 3) & 3, layer = (b[i + 1] >> 1) & 3;
          const int index = (b[i + 2] >> 2) & 3, bitrate = b[i + 2] >> 4;
          if (b[i] != 0xFF || (b[i + 1] & 0xE0) != 0xE0 || version == 1 || layer == 0 || index == 3 ||
              bitrate == 15)
            continue;
          rate = kMpeg1[index] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
        }
      }
    }
    return rate >= 8000 && rate <= 192000 ? static_cast<int>(rate) : kDefaultFrequency;
  }

  std::mutex mutex_;
  bool open_ = false;
  unsigned lastHandle_ = 0;
  std::map<unsigned, std::unique_ptr<Music>> musics_;
  Music* current_ = nullptr;  // the music last started, until it is halted or freed
  int rate_ = kDefaultFrequency;
  int frameBytes_ = 4;

  // The music clock: the position the last start or seek set, and the
  // frames of music mixed since, the newest buffer's on their own.
  std::mutex clockMutex_;
  double anchorMs_ = 0.0;
  Uint64 mixedFrames_ = 0;
  Uint64 bufferStart_ = 0;
  Uint64 bufferFrames_ = 0;
  Clock::time_point bufferTime_;
};

Output theOutput;

// Nothing may be thrown through the C interface: an operation that meets
// an exception (a lock that fails, an allocation) returns its failure value.
template <typename Result, typename Operation>
Result Guarded(Result failure, Operation operation) {
  try {
    return operation();
  } catch (...) {
    return failure;
  }
}

}  // namespace

extern "C" {

int SOLVANE_AUDIO_CALL BASS_Init(int device, unsigned frequency, unsigned flags, void* window) {
  return Guarded(0, [&] { return theOutput.Init(device, frequency, flags); });
}

int SOLVANE_AUDIO_CALL BASS_Free(void) { return Guarded(0, [] { return theOutput.Free(); }); }

int SOLVANE_AUDIO_CALL BASS_Start(void) { return Guarded(0, [] { return theOutput.Start(); }); }

int SOLVANE_AUDIO_CALL BASS_Pause(void) { return Guarded(0, [] { return theOutput.Pause(); }); }

unsigned SOLVANE_AUDIO_CALL BASS_StreamCreateFile(int memory, const void* file, unsigned offset, unsigned length,
                               unsigned flags) {
  return Guarded(0u, [&] { return theOutput.Load(Kind::Stream, memory, file, offset, length); });
}

unsigned SOLVANE_AUDIO_CALL BASS_MusicLoad(int memory, const void* file, unsigned offset, unsigned length,
                        unsigned flags) {
  return Guarded(0u, [&] { return theOutput.Load(Kind::Module, memory, file, offset, length); });
}

int SOLVANE_AUDIO_CALL BASS_StreamPlay(unsigned handle, int flush, unsigned flags) {
  return Guarded(0, [&] { return theOutput.Play(handle, Kind::Stream); });
}

int SOLVANE_AUDIO_CALL BASS_MusicPlay(unsigned handle) {
  return Guarded(0, [&] { return theOutput.Play(handle, Kind::Module); });
}

int SOLVANE_AUDIO_CALL BASS_ErrorGetCode(void) { return 0; }

float SOLVANE_AUDIO_CALL BASS_GetCPU(void) { return 0.0f; }

int SOLVANE_AUDIO_CALL BASS_SetVolume(unsigned volume) { return 1; }

int SOLVANE_AUDIO_CALL BASS_ChannelIsActive(unsigned handle) { return 0; }

unsigned SOLVANE_AUDIO_CALL BASS_ChannelGetFlags(unsigned handle) { return 0; }

int SOLVANE_AUDIO_CALL BASS_ChannelSetAttributes(unsigned handle, int frequency, int volume, int pan) { return 0; }

int SOLVANE_AUDIO_CALL BASS_ChannelGetAttributes(unsigned handle, unsigned* frequency, unsigned* volume, int* pan) { return 0; }

unsigned SOLVANE_AUDIO_CALL BASS_ChannelGetPosition(unsigned handle) { return 0; }

unsigned SOLVANE_AUDIO_CALL BASS_ChannelGetLevel(unsigned handle) { return 0; }

unsigned SOLVANE_AUDIO_CALL BASS_ChannelSetSync(unsigned handle, unsigned type, unsigned param, SolvaneAudioSyncProc proc,
                             void* user) {
  return 0;
}

int SOLVANE_AUDIO_CALL SolvaneAudio_OpenedFormat(int* frequency, int* channels) {
  return Guarded(0, [&] { return theOutput.OpenedFormat(frequency, channels); });
}

int SOLVANE_AUDIO_CALL SolvaneAudio_Playing(void) { return Guarded(0, [] { return theOutput.Playing(); }); }

int SOLVANE_AUDIO_CALL SolvaneAudio_Paused(void) { return Guarded(0, [] { return theOutput.Paused(); }); }

int SOLVANE_AUDIO_CALL SolvaneAudio_FreeMusic(unsigned handle) {
  return Guarded(0, [&] { return theOutput.FreeMusic(handle); });
}

int SOLVANE_AUDIO_CALL SolvaneAudio_SetPosition(unsigned milliseconds) {
  return Guarded(0, [&] { return theOutput.SetPosition(milliseconds); });
}

int SOLVANE_AUDIO_CALL SolvaneAudio_GetPosition(unsigned* milliseconds) {
  return Guarded(0, [&] { return theOutput.GetPosition(milliseconds); });
}

int SOLVANE_AUDIO_CALL SolvaneAudio_DecodeFile(const char* path, unsigned flags, SolvaneAudioPcmProc proc,
                                               void* user) {
  const int decoded = Guarded(0, [&] { return theOutput.DecodeFile(path, flags, proc, user); });
  // An author tool decodes on a thread of its own, which SDL did not start
  // and so never cleans up after: the error text SDL keeps per thread would
  // outlive it. Dropping it here is harmless on any thread (SDL makes it
  // again when it next needs it).
  SDL_TLSCleanup();
  return decoded;
}

}  // extern "C"
