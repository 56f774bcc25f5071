// The program's sound front: with sound off it only keeps time; with sound on
// it owns one music player (VSoundBass) from Init to Stop. One for the whole
// program (TheSound); the demo starts it after set-up and stops it at the end.
#pragma once

#include <memory>

#include "VSoundBass.h"

class VSound : public VSoundBase {
 public:
  VSound() = default;
  ~VSound() override;

  int Init(int flags) override;
  int Play(bool fromMemory) override;
  void Pause() override;
  void Resume() override;
  int Stop() override;
  int GetPosition() override;
  // Through the player with sound on; the tick clock alone with sound off.
  int Seek(int milliseconds) override;
  bool HasMusicClock() override;
  // The music's heard position while it plays or is paused; false otherwise.
  bool MusicPosition(int& milliseconds) { return player && player->MusicPosition(milliseconds); }

  // Plays music held in memory; the VSound takes the bytes (new[]) and frees them on Stop.
  int PlayMemory(unsigned char* data, int size);
  int PlayFile(const char* name, int size);

  std::unique_ptr<VSoundBass> player;
};

VSound& TheSound();
