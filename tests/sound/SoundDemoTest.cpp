// The whole demo with its music on the headless backend, through the real
// audio library packed into the data as "bass.dll" and SDL's disk audio
// driver: the sound mode reaches the output format, the music is heard (the
// driver's file holds non-silent samples), and Finish stops it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "HeadlessControl.h"
#include "KolLog.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "TestSupport.h"
#include "VDemo.h"
#include "VSound.h"
#include "VWindowSurface.h"

namespace {

bool HasSound(const std::string& path) {
  return ReadFile(path).find_first_not_of('\0') != std::string::npos;
}

// What the library says of its output: rate and channels, or 0 when closed.
std::pair<int, int> OpenedFormat() {
  using Query = int (*)(int*, int*);
  auto query = reinterpret_cast<Query>(
      plat::FindLibrarySymbol(AudioLibraryForTest(), "SolvaneAudio_OpenedFormat"));
  int rate = 0, channels = 0;
  if (!query || !query(&rate, &channels)) return {0, 0};
  return {rate, channels};
}

TEST(SoundDemoTest, TheChosenSoundModePlaysTheMusicUntilFinish) {
  TempDir dir;
  const std::string output = dir.PathOf("audio.raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
  dir.Write("data/Script/Demo.txt", "0 - 2 Bar ;");
  dir.Write("data/Script/Effect/Bar.txt", "Alpha = One; Add = Zero; EndEffect: Fade = One; Size = One;");
  dir.Write("data/Script/Float/One.txt", "0 : 1 ;");
  dir.Write("data/Script/Float/Zero.txt", "0 : 0 ;");
  dir.Write("data/bass.dll", ReadFile(AUDIO_MODULE_PATH));
  dir.Write("demo.mp3", ReadFile(TONE_MP3_PATH));

  struct Case { int mode; int channels; };
  for (const Case& c : {Case{kSoundStereo, 2}, Case{kSoundMono, 1}}) {
    LogCapture capture;
    ResetDemoDataSourcesForTest();
    ResetSurfaceInputForTest();
    plat::SetProgramPathForTest(dir.PathOf("demo"));
    ResetProgramLocationForTest();
    ASSERT_TRUE(plat::StartHeadless());
    plat::headless::TheHeadless().tickStep = 1;
    std::filesystem::remove(output);

    // While the first frame is shown the music plays: its samples reach the
    // driver's file (waited for, with a deadline, as the driver plays in real time).
    std::pair<int, int> format;
    bool heard = false;
    plat::headless::TheHeadless().onFrame = [&](const plat::headless::Frame&) {
      if (format.first) return;
      format = OpenedFormat();
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!(heard = HasSound(output)) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    {
      VDemo demo;
      demo.displayMode = kDisplayWindowed;
      demo.soundMode = c.mode;
      demo.Run();
      EXPECT_EQ(2, demo.endTime);
    }
    EXPECT_EQ(44100, format.first) << c.mode;
    EXPECT_EQ(c.channels, format.second) << c.mode;
    EXPECT_TRUE(heard) << c.mode;
    // Finish stopped the music and closed the output.
    EXPECT_EQ(nullptr, TheSound().player);
    EXPECT_EQ(0, OpenedFormat().first);
    EXPECT_EQ(0, capture.Records()) << capture.Text();
    EXPECT_EQ(std::string::npos, capture.Text().find("BASS.DLL")) << capture.Text();
    plat::Shutdown();
    ResetAudioLibraryForTest();
  }
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");
}

}  // namespace
