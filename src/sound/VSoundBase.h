// The silent player: it only keeps time from the tick count. The base of the
// music player (VSoundBass) and of the program's sound front (VSound); the
// demo's own timing never comes from here.
#pragma once

// Sound flags.
constexpr int kSoundFlag11025 = 1;
constexpr int kSoundFlag22050 = 2;
constexpr int kSoundFlag44100 = 4;
constexpr int kSoundFlagOn = 8;
constexpr int kSoundFlagStereo = 32;

class VSoundBase {
 public:
  enum State { kStopped = 0, kInitialised = 1, kPaused = 2, kPlaying = 3 };

  VSoundBase() = default;
  virtual ~VSoundBase() { VSoundBase::Stop(); }
  VSoundBase(const VSoundBase&) = delete;
  VSoundBase& operator=(const VSoundBase&) = delete;

  // Results: 0 success, 1 failure.
  virtual int Init(int flags);
  virtual int Play(bool fromMemory);
  virtual void Pause();
  virtual void Resume();
  virtual int Stop();
  // Milliseconds since playing started.
  virtual int GetPosition();
  // Moves the position to `milliseconds` (0 success, 1 failure). Here only
  // the tick clock moves: GetPosition then goes on from there.
  virtual int Seek(int milliseconds);
  // Whether GetPosition comes from the music itself rather than the tick count.
  virtual bool HasMusicClock() { return false; }

  int soundFlags = 0;
  int position = 0;
  int startTick = 0;
  unsigned char* memoryData = nullptr;  // owned by the VSound that holds it
  const char* fileName = nullptr;       // not owned
  int length = 0;                       // bytes; 0 means to the end of the file
  int state = kStopped;
};
