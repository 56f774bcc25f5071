// A stand-in for the audio library, loaded by the player as its "bass.dll" in
// tests: it records every call with its arguments and answers what the test
// asks for, so the player's side of the contract can be checked exactly.
// Built twice: with the transport operations (FAKE_AUDIO_TRANSPORT) and
// without them, as libraries were before seeking.

#include "FakeAudioControl.h"

namespace {
FakeAudioControl gControl;

void Record(const char* name, long a = 0, long b = 0, long c = 0, long d = 0, long e = 0) {
  FakeAudioCall& call = gControl.calls[gControl.count++ % kFakeAudioMaxCalls];
  std::snprintf(call.name, sizeof call.name, "%s", name);
  call.args[0] = a;
  call.args[1] = b;
  call.args[2] = c;
  call.args[3] = d;
  call.args[4] = e;
}
}  // namespace

extern "C" {
__attribute__((visibility("default"))) FakeAudioControl* FakeAudio_Control() { return &gControl; }

__attribute__((visibility("default"))) int BASS_Init(int device, unsigned frequency, unsigned flags,
                                                     void* window) {
  Record("Init", device, frequency, flags, window != nullptr);
  return gControl.initResult;
}
__attribute__((visibility("default"))) int BASS_Free() {
  Record("Free");
  return 1;
}
__attribute__((visibility("default"))) int BASS_Start() {
  Record("Start");
  return gControl.startResult;
}
__attribute__((visibility("default"))) int BASS_Pause() {
  Record("Pause");
  return gControl.pauseResult;
}
__attribute__((visibility("default"))) unsigned BASS_StreamCreateFile(int memory, const void* file,
                                                                      unsigned offset,
                                                                      unsigned length,
                                                                      unsigned flags) {
  // What the player passed as the source, to check it is the file or the bytes.
  std::snprintf(gControl.source, sizeof gControl.source, "%s",
                memory ? "<memory>" : static_cast<const char*>(file));
  Record("StreamCreateFile", memory, offset, length, flags);
  return gControl.streamHandle;
}
__attribute__((visibility("default"))) unsigned BASS_MusicLoad(int memory, const void*, unsigned offset,
                                                               unsigned length, unsigned flags) {
  Record("MusicLoad", memory, offset, length, flags);
  return gControl.musicHandle;
}
__attribute__((visibility("default"))) int BASS_StreamPlay(unsigned handle, int flush, unsigned flags) {
  Record("StreamPlay", handle, flush, flags);
  return gControl.playResult;
}
__attribute__((visibility("default"))) int BASS_MusicPlay(unsigned handle) {
  Record("MusicPlay", handle);
  return gControl.playResult;
}

#ifdef FAKE_AUDIO_TRANSPORT
__attribute__((visibility("default"))) int SolvaneAudio_SetPosition(unsigned milliseconds) {
  Record("SetPosition", static_cast<long>(milliseconds));
  if (gControl.setPositionResult) gControl.position = milliseconds;
  return gControl.setPositionResult;
}
__attribute__((visibility("default"))) int SolvaneAudio_GetPosition(unsigned* milliseconds) {
  if (gControl.getPositionResult && milliseconds) *milliseconds = gControl.position;
  return gControl.getPositionResult;
}
#endif
}
