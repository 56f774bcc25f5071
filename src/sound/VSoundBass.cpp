#include "VSoundBass.h"

#include <climits>
#include <cstdio>
#include <string>

#include "KolData.h"
#include "KolLog.h"
#include "Platform.h"

namespace {

// The library's operations, by the names it exports.
using InitFunction = int (*)(int device, unsigned frequency, unsigned flags, void* window);
using VoidFunction = int (*)();
using CreateFunction = unsigned (*)(int memory, const void* file, unsigned offset, unsigned length,
                                    unsigned flags);
using StreamPlayFunction = int (*)(unsigned handle, int flush, unsigned flags);
using MusicPlayFunction = int (*)(unsigned handle);
using SetPositionFunction = int (*)(unsigned milliseconds);
using GetPositionFunction = int (*)(unsigned* milliseconds);

constexpr int kMonoFlag = 2;  // the library's mono output flag
constexpr unsigned kMusicRamp = 1;

struct AudioLibrary {
  KolData* source = nullptr;
  std::string fileName;
  std::string fallbackFile;
  bool loaded = false;
  plat::LibraryHandle handle = nullptr;
  int players = 0;  // VSoundBass objects ever constructed
  InitFunction init = nullptr;
  VoidFunction free = nullptr, start = nullptr, pause = nullptr;
  CreateFunction musicLoad = nullptr, streamCreateFile = nullptr;
  StreamPlayFunction streamPlay = nullptr;
  MusicPlayFunction musicPlay = nullptr;
  // Later additions, absent from older libraries.
  SetPositionFunction setPosition = nullptr;
  GetPositionFunction getPosition = nullptr;
};

AudioLibrary& Library() {
  static AudioLibrary library;
  return library;
}

template <typename F>
bool Find(plat::LibraryHandle handle, const char* name, F& function) {
  function = reinterpret_cast<F>(plat::FindLibrarySymbol(handle, name));
  return function != nullptr;
}

// Looks up the library's operations. A library without one of those the
// player calls is as good as none; the transport operations came later, so a
// library without them still plays, only without seeking or a music clock.
bool LookUpOperations(AudioLibrary& library, plat::LibraryHandle handle) {
  // Looked up in the library's order; the ones the player never calls need not be there.
  for (const char* name : {"BASS_ErrorGetCode", "BASS_Init", "BASS_Free", "BASS_GetCPU",
                           "BASS_Start", "BASS_Pause", "BASS_SetVolume", "BASS_MusicLoad",
                           "BASS_MusicPlay", "BASS_StreamCreateFile", "BASS_StreamPlay",
                           "BASS_ChannelIsActive", "BASS_ChannelGetFlags",
                           "BASS_ChannelSetAttributes", "BASS_ChannelGetAttributes",
                           "BASS_ChannelGetPosition", "BASS_ChannelGetLevel",
                           "BASS_ChannelSetSync"})
    plat::FindLibrarySymbol(handle, name);
  const bool complete =
      Find(handle, "BASS_Init", library.init) && Find(handle, "BASS_Free", library.free) &&
      Find(handle, "BASS_Start", library.start) && Find(handle, "BASS_Pause", library.pause) &&
      Find(handle, "BASS_MusicLoad", library.musicLoad) &&
      Find(handle, "BASS_MusicPlay", library.musicPlay) &&
      Find(handle, "BASS_StreamCreateFile", library.streamCreateFile) &&
      Find(handle, "BASS_StreamPlay", library.streamPlay);
  if (!complete) return false;
  // Both or neither: a position without a way to seek (or the reverse) is no clock.
  if (!Find(handle, "SolvaneAudio_SetPosition", library.setPosition) ||
      !Find(handle, "SolvaneAudio_GetPosition", library.getPosition)) {
    library.setPosition = nullptr;
    library.getPosition = nullptr;
  }
  return true;
}

// The library from a file of its own, for a tool whose data has none: loaded
// where it lies, through the same checks of the file as a copy from the data.
bool LoadFallbackLibrary(AudioLibrary& library) {
  KolLog& log = TheLog();
  // A bare name would send the loader searching its paths instead.
  const std::string path =
      library.fallbackFile.find('/') == std::string::npos ? "./" + library.fallbackFile
                                                          : library.fallbackFile;
  const plat::LibraryHandle handle = plat::LoadRuntimeLibrary(path.c_str());
  if (!handle || !LookUpOperations(library, handle)) {
    log.PrintLine("Can't load audio library [%s]", path.c_str());
    return false;
  }
  log.PrintLine("Audio library [%s]", path.c_str());
  library.handle = handle;
  return true;
}

// Reads the library from the data, writes it to a new temporary file, loads
// it and looks up its operations. The temporary copy goes as soon as it is
// loaded (or fails to load): nothing piles up in the temporary directory.
// Data without the library falls back to the file set for that, if any.
bool LoadLibrary(AudioLibrary& library) {
  KolLog& log = TheLog();
  KolBuffer bytes;
  const int size =
      library.source ? library.source->Load(library.fileName.c_str(), bytes) : -1;
  // An archive says 1 with no bytes when a member will not open.
  if (size <= 0 || !bytes) {
    if (!library.fallbackFile.empty()) return LoadFallbackLibrary(library);
    log.Print("Can't find BASS.DLL\n");
    return false;
  }
  const std::string path =
      plat::WriteNewTempFile(plat::TempDirectory(), "bas", bytes.get(), static_cast<size_t>(size));
  bytes.reset();
  if (path.empty()) {
    log.Print("Can't write BASS.DLL\n");
    return false;
  }
  const plat::LibraryHandle handle = plat::LoadRuntimeLibrary(path.c_str());
  plat::RemoveFile(path);
  if (!handle || !LookUpOperations(library, handle)) {
    log.Print("Can't load BASS.DLL\n");
    return false;
  }
  library.handle = handle;
  return true;
}

// A FIFO or device in place of the music file would hang the library's open,
// and a folder is no music: either is said once and taken as missing music.
bool IsNoRegularFile(const char* path) {
  bool notRegular = false;
  std::FILE* file = path ? plat::OpenRegularFile(path, "rb", &notRegular) : nullptr;
  if (file) std::fclose(file);
  if (notRegular) TheLog().PrintLine("Music file [%s] is not a regular file", path);
  return notRegular;
}

}  // namespace

void SetAudioLibrarySource(KolData* source, const char* name) {
  Library().source = source;
  Library().fileName = name ? name : "";
}

void SetAudioLibraryFallbackFile(const std::string& path) { Library().fallbackFile = path; }

bool AudioLibraryLoaded() { return Library().loaded; }

plat::LibraryHandle AudioLibraryForTest() { return Library().handle; }

void ResetAudioLibraryForTest() { Library() = AudioLibrary{}; }

VSoundBass::VSoundBass() {
  AudioLibrary& library = Library();
  if (library.players++ == 0) library.loaded = LoadLibrary(library);
}

int VSoundBass::Play(bool fromMemory) {
  AudioLibrary& library = Library();
  if (!library.loaded) return 1;
  if (!fromMemory && IsNoRegularFile(fileName)) return 1;
  // The frequency flags are tested in order, the last one set winning.
  frequency = 44100;
  if (soundFlags & kSoundFlag11025) frequency = 11025;
  if (soundFlags & kSoundFlag22050) frequency = 22050;
  if (soundFlags & kSoundFlag44100) frequency = 44100;
  const int device = (soundFlags & kSoundFlagOn) ? -1 : -2;
  const unsigned initFlags = (soundFlags & kSoundFlagStereo) ? 0 : kMonoFlag;
  if (!library.init(device, static_cast<unsigned>(frequency), initFlags, plat::ForegroundWindow()))
    return 1;
  stream = 0;
  music = 0;
  const void* source = fromMemory ? static_cast<const void*>(memoryData)
                                  : static_cast<const void*>(fileName);
  const unsigned size = static_cast<unsigned>(length);
  stream = library.streamCreateFile(fromMemory, source, 0, size, 0);
  if (!stream) {
    music = library.musicLoad(fromMemory, source, 0, size, kMusicRamp);
    if (!music) return 1;
  }
  if (!library.start()) return 1;
  if (!(stream ? library.streamPlay(stream, 0, 0) : library.musicPlay(music))) return 1;
  return VSoundBase::Play(fromMemory);
}

void VSoundBass::Pause() {
  if (state == kPlaying) state = kPaused;
  if (Library().loaded && !Library().pause()) TheLog().ReportStatus(kModuleSound, "VSound");
}

void VSoundBass::Resume() {
  if (state == kPaused) state = kPlaying;
  if (Library().loaded && !Library().start()) TheLog().ReportStatus(kModuleSound, "VSound");
}

int VSoundBass::Stop() {
  if (!Library().loaded) return 1;
  if (soundFlags & kSoundFlagOn) Library().free();
  soundFlags = 0;
  return 0;
}

bool VSoundBass::HasMusicClock() {
  const AudioLibrary& library = Library();
  return library.loaded && library.setPosition && library.getPosition;
}

int VSoundBass::Seek(int milliseconds) {
  if (!HasMusicClock() || milliseconds < 0 || (state != kPlaying && state != kPaused)) return 1;
  if (!Library().setPosition(static_cast<unsigned>(milliseconds))) return 1;
  // The tick clock follows, for whoever reads it once the music has ended.
  return VSoundBase::Seek(milliseconds);
}

bool VSoundBass::MusicPosition(int& milliseconds) {
  unsigned heard = 0;
  if (!HasMusicClock() || (state != kPlaying && state != kPaused) || !Library().getPosition(&heard))
    return false;
  milliseconds = heard > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(heard);
  return true;
}

int VSoundBass::GetPosition() {
  if (!HasMusicClock()) return VSoundBase::GetPosition();
  // Once the music has ended the clock stays where it was last heard.
  MusicPosition(position);
  return position;
}
