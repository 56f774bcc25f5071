// The music player over the audio library the program loads at run time: the
// library file ("bass.dll") is read from the demo's data, written to a new
// temporary file, loaded and looked up by name, once per program. A missing or
// broken library only means silence. A library with the transport operations
// also seeks, and gives the position of the music as it is heard.
#pragma once

#include <string>

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
  // Moves the music that plays or is paused (paused stays paused). 1 when the
  // library has no transport, nothing plays, or the library refuses.
  int Seek(int milliseconds) override;
  // With a music clock: milliseconds of the music as heard (it stands still
  // while paused, and at the last value heard once the music has ended).
  // Without one: milliseconds since playing started, from the tick count.
  int GetPosition() override;
  // Whether the library has the transport operations (seek and music clock).
  bool HasMusicClock() override;
  // The music's position as heard, while it plays or is paused; false once it
  // has ended (or when the library has no music clock).
  bool MusicPosition(int& milliseconds);

  unsigned stream = 0;
  unsigned music = 0;
  int frequency = 44100;
};

// Where the library comes from: set by the demo before the first Init.
void SetAudioLibrarySource(KolData* source, const char* name);
// The library file to load when the source has no such member (a tool brings
// its own build of the library); it is loaded where it lies, through the same
// checks. Empty (the default) means none: the data's library or silence.
void SetAudioLibraryFallbackFile(const std::string& path);
// Whether the library is loaded and its called operations were all found.
bool AudioLibraryLoaded();
// Tests only: the loaded library, to look up what it tells tests.
plat::LibraryHandle AudioLibraryForTest();
// Tests only: forget the library (it is unloaded with the platform) and the count.
void ResetAudioLibraryForTest();
