// The music player over the audio library the program loads at run time: the
// library file ("bass.dll") is read from the demo's data, written to a new
// temporary file, loaded and looked up by name, once per program. A missing or
// broken library only means silence.
#pragma once

#include "Platform.h"
#include "VSoundBase.h"

class KolData;

class VSoundBass : public VSoundBase {
 public:
  // The first player of the program loads the library; later ones reuse it.
  VSoundBass();

  int Play(bool fromMemory) override;
  void Pause() override;
  void Resume() override;
  int Stop() override;

  unsigned stream = 0;
  unsigned music = 0;
  int frequency = 44100;
};

// Where the library comes from: set by the demo before the first Init.
void SetAudioLibrarySource(KolData* source, const char* name);
// Whether the library is loaded and its called operations were all found.
bool AudioLibraryLoaded();
// Tests only: the loaded library, to look up what it tells tests.
plat::LibraryHandle AudioLibraryForTest();
// Tests only: forget the library (it is unloaded with the platform) and the count.
void ResetAudioLibraryForTest();
