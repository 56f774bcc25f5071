// A stand-in for the audio library, loaded by the player as its "bass.dll" in
// tests: it records every call with its arguments and answers what the test
// asks for, so the player's side of the contract can be checked exactly.
// Built twice: with the transport operations (FAKE_AUDIO_TRANSPORT) and
// without them, as libraries were before seeking; and once more as a library
// that saves a settings file in HOME when it starts (FAKE_AUDIO_WRITES), the
// release checks' example of a demo that writes.

#include <cstdlib>
#include <string>

#include "FakeAudioControl.h"

#define FAKE_EXPORT __attribute__((visibility("default")))

namespace {
FakeAudioControl gControl;

void Record(const char* name, long a = 0, long b = 0, long c = 0, long d = 0, long e = 0) {
  FakeAudioCall& call = gControl.calls[gControl.count++ % kFakeAudioMaxCalls];
  std::snprintf(call.name, sizeof call.name, "%s", name);
  const long args[5] = {a, b, c, d, e};
  for (int i = 0; i < 5; ++i) call.args[i] = args[i];
}

// Records the call and answers `result`.
template <typename T>
T Answer(T result, const char* name, long a = 0, long b = 0, long c = 0, long d = 0) {
  Record(name, a, b, c, d);
  return result;
}
}  // namespace

extern "C" {
FAKE_EXPORT FakeAudioControl* FakeAudio_Control() { return &gControl; }

FAKE_EXPORT int BASS_Init(int device, unsigned frequency, unsigned flags, void* window) {
#ifdef FAKE_AUDIO_WRITES
  if (const char* home = std::getenv("HOME")) {
    const std::string path = std::string(home) + "/.audio-settings";
    if (std::FILE* file = std::fopen(path.c_str(), "w")) std::fclose(file);
  }
#endif
  return Answer(gControl.initResult, "Init", device, frequency, flags, window != nullptr);
}
FAKE_EXPORT int BASS_Free() { return Answer(1, "Free"); }
FAKE_EXPORT int BASS_Start() { return Answer(gControl.startResult, "Start"); }
FAKE_EXPORT int BASS_Pause() { return Answer(gControl.pauseResult, "Pause"); }
FAKE_EXPORT unsigned BASS_StreamCreateFile(int memory, const void* file, unsigned offset,
                                           unsigned length, unsigned flags) {
  // What the player passed as the source, to check it is the file or the bytes.
  std::snprintf(gControl.source, sizeof gControl.source, "%s",
                memory ? "<memory>" : static_cast<const char*>(file));
  return Answer(gControl.streamHandle, "StreamCreateFile", memory, offset, length, flags);
}
FAKE_EXPORT unsigned BASS_MusicLoad(int memory, const void*, unsigned offset, unsigned length,
                                    unsigned flags) {
  return Answer(gControl.musicHandle, "MusicLoad", memory, offset, length, flags);
}
FAKE_EXPORT int BASS_StreamPlay(unsigned handle, int flush, unsigned flags) {
  return Answer(gControl.playResult, "StreamPlay", handle, flush, flags);
}
FAKE_EXPORT int BASS_MusicPlay(unsigned handle) {
  return Answer(gControl.playResult, "MusicPlay", handle);
}

#ifdef FAKE_AUDIO_TRANSPORT
FAKE_EXPORT int SolvaneAudio_SetPosition(unsigned milliseconds) {
  Record("SetPosition", static_cast<long>(milliseconds));
  if (gControl.setPositionResult) gControl.position = milliseconds;
  return gControl.setPositionResult;
}
FAKE_EXPORT int SolvaneAudio_GetPosition(unsigned* milliseconds) {
  if (gControl.getPositionResult && milliseconds) *milliseconds = gControl.position;
  return gControl.getPositionResult;
}
#endif
}
