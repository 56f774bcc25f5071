#include "VSound.h"

#include <new>

VSound& TheSound() {
  static VSound sound;
  return sound;
}

VSound::~VSound() { VSound::Stop(); }

int VSound::Init(int flags) {
  soundFlags = flags;
  if (player) return player->Init(flags);
  if (!(flags & kSoundFlagOn)) return 0;
  player.reset(new (std::nothrow) VSoundBass());
  if (!player) return 1;
  return player->Init(flags);
}

int VSound::Play(bool fromMemory) {
  if (!(soundFlags & kSoundFlagOn)) return VSoundBase::Play(fromMemory);
  if (!player) return 1;
  player->memoryData = memoryData;
  player->fileName = fileName;
  player->length = length;
  player->soundFlags = soundFlags;
  return player->Play(fromMemory);
}

void VSound::Pause() {
  if (player) player->Pause();
}

void VSound::Resume() {
  if (player) player->Resume();
}

int VSound::Stop() {
  if (player) {
    player->Stop();
    player.reset();
  }
  delete[] memoryData;
  memoryData = nullptr;
  return 0;
}

int VSound::GetPosition() {
  if (!(soundFlags & kSoundFlagOn)) return VSoundBase::GetPosition();
  return player ? player->GetPosition() : 0;
}

int VSound::Seek(int milliseconds) {
  if (!(soundFlags & kSoundFlagOn)) return VSoundBase::Seek(milliseconds);
  return player ? player->Seek(milliseconds) : 1;
}

bool VSound::HasMusicClock() { return player && player->HasMusicClock(); }

int VSound::PlayMemory(unsigned char* data, int size) {
  if (memoryData != data) delete[] memoryData;
  memoryData = data;
  length = size;
  return Play(true);
}

int VSound::PlayFile(const char* name, int size) {
  fileName = name;
  length = size;
  return Play(false);
}
