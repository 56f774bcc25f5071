// The audio library the player loads at run time (solvane-audio.so), loaded
// here the same way, through the dynamic loader, and driven on SDL's dummy
// and disk audio drivers: opening output, telling streams from modules by
// their contents, files and memory, playing and pausing, and failing cleanly.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "AudioLibrary.h"

namespace {

namespace fs = std::filesystem;

// Every operation of the library, looked up by name.
struct Api {
  BASS_InitFn init = nullptr;
  BASS_FreeFn free = nullptr;
  BASS_StartFn start = nullptr;
  BASS_PauseFn pause = nullptr;
  BASS_StreamCreateFileFn streamCreateFile = nullptr;
  BASS_MusicLoadFn musicLoad = nullptr;
  BASS_StreamPlayFn streamPlay = nullptr;
  BASS_MusicPlayFn musicPlay = nullptr;
  BASS_ErrorGetCodeFn errorGetCode = nullptr;
  BASS_GetCPUFn getCpu = nullptr;
  BASS_SetVolumeFn setVolume = nullptr;
  BASS_ChannelIsActiveFn channelIsActive = nullptr;
  BASS_ChannelGetFlagsFn channelGetFlags = nullptr;
  BASS_ChannelSetAttributesFn channelSetAttributes = nullptr;
  BASS_ChannelGetAttributesFn channelGetAttributes = nullptr;
  BASS_ChannelGetPositionFn channelGetPosition = nullptr;
  BASS_ChannelGetLevelFn channelGetLevel = nullptr;
  BASS_ChannelSetSyncFn channelSetSync = nullptr;
  SolvaneAudio_OpenedFormatFn openedFormat = nullptr;
  SolvaneAudio_PlayingFn playing = nullptr;
  SolvaneAudio_PausedFn paused = nullptr;
  SolvaneAudio_FreeMusicFn freeMusic = nullptr;
  SolvaneAudio_SetPositionFn setPosition = nullptr;
  SolvaneAudio_GetPositionFn getPosition = nullptr;
};

// The library stays loaded for the whole run, so that leak reports can still
// name its code.
void* Library() {
  static void* handle = dlopen(AUDIO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  return handle;
}

template <typename F>
void Find(const char* name, F& function) {
  function = reinterpret_cast<F>(dlsym(Library(), name));
}

const Api& TheApi() {
  static const Api api = [] {
    Api a;
    Find("BASS_Init", a.init);
    Find("BASS_Free", a.free);
    Find("BASS_Start", a.start);
    Find("BASS_Pause", a.pause);
    Find("BASS_StreamCreateFile", a.streamCreateFile);
    Find("BASS_MusicLoad", a.musicLoad);
    Find("BASS_StreamPlay", a.streamPlay);
    Find("BASS_MusicPlay", a.musicPlay);
    Find("BASS_ErrorGetCode", a.errorGetCode);
    Find("BASS_GetCPU", a.getCpu);
    Find("BASS_SetVolume", a.setVolume);
    Find("BASS_ChannelIsActive", a.channelIsActive);
    Find("BASS_ChannelGetFlags", a.channelGetFlags);
    Find("BASS_ChannelSetAttributes", a.channelSetAttributes);
    Find("BASS_ChannelGetAttributes", a.channelGetAttributes);
    Find("BASS_ChannelGetPosition", a.channelGetPosition);
    Find("BASS_ChannelGetLevel", a.channelGetLevel);
    Find("BASS_ChannelSetSync", a.channelSetSync);
    Find("SolvaneAudio_OpenedFormat", a.openedFormat);
    Find("SolvaneAudio_Playing", a.playing);
    Find("SolvaneAudio_Paused", a.paused);
    Find("SolvaneAudio_FreeMusic", a.freeMusic);
    Find("SolvaneAudio_SetPosition", a.setPosition);
    Find("SolvaneAudio_GetPosition", a.getPosition);
    return a;
  }();
  return api;
}

const std::string kTone = std::string(AUDIO_TEST_DATA_DIR) + "/tone.mp3";  // 1 s of 440 Hz, mono

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A four-channel MOD: one looping square-wave sample played on the first row
// of its single pattern, which breaks off after 16 rows (about 2 s).
std::vector<std::uint8_t> TinyMod() {
  constexpr int kSampleBytes = 64;
  std::vector<std::uint8_t> mod(1084, 0);
  std::memcpy(mod.data(), "solvane test", 12);
  std::uint8_t* sample = &mod[20];
  std::memcpy(sample, "square", 6);
  sample[23] = kSampleBytes / 2;  // length in words, big-endian
  sample[25] = 64;                // volume
  sample[29] = kSampleBytes / 2;  // loop length in words: the whole sample
  mod[950] = 1;                   // song length: one pattern
  mod[951] = 127;
  std::memcpy(&mod[1080], "M.K.", 4);

  std::vector<std::uint8_t> pattern(64 * 4 * 4, 0);
  const auto cell = [&pattern](int row, int channel) { return &pattern[(row * 4 + channel) * 4]; };
  constexpr int kPeriod = 428;  // C-2
  std::uint8_t* note = cell(0, 0);
  note[0] = static_cast<std::uint8_t>(kPeriod >> 8);  // sample 1: high nibble 0
  note[1] = kPeriod & 0xFF;
  note[2] = 0x10;  // sample 1: low nibble, no effect
  cell(15, 1)[2] = 0x0D;  // pattern break
  mod.insert(mod.end(), pattern.begin(), pattern.end());

  for (int i = 0; i < kSampleBytes; ++i) mod.push_back(i < kSampleBytes / 2 ? 0x40 : 0xC0);
  return mod;
}

class AudioModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, Library()) << dlerror();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    dir = fs::temp_directory_path() / ("solvane-audio-test-" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    if (api.free) api.free();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  std::string Write(const char* name, const std::vector<std::uint8_t>& bytes) {
    WriteBytes(dir / name, bytes);
    return (dir / name).string();
  }

  const Api& api = TheApi();
  fs::path dir;
};

TEST_F(AudioModuleTest, EveryNameThePlayerLooksUpIsExported) {
  for (const char* name :
       {"BASS_ErrorGetCode", "BASS_Init", "BASS_Free", "BASS_GetCPU", "BASS_Start", "BASS_Pause",
        "BASS_SetVolume", "BASS_MusicLoad", "BASS_MusicPlay", "BASS_StreamCreateFile", "BASS_StreamPlay",
        "BASS_ChannelIsActive", "BASS_ChannelGetFlags", "BASS_ChannelSetAttributes",
        "BASS_ChannelGetAttributes", "BASS_ChannelGetPosition", "BASS_ChannelGetLevel",
        "BASS_ChannelSetSync", "SolvaneAudio_OpenedFormat", "SolvaneAudio_Playing",
        "SolvaneAudio_Paused", "SolvaneAudio_FreeMusic", "SolvaneAudio_SetPosition",
        "SolvaneAudio_GetPosition"})
    EXPECT_NE(nullptr, dlsym(Library(), name)) << name;
}

TEST_F(AudioModuleTest, MonoInitOpensOneChannelAtTheFrequencyAsked) {
  ASSERT_TRUE(api.init(-1, 44100, SOLVANE_AUDIO_INIT_MONO, nullptr));
  int frequency = 0, channels = 0;
  ASSERT_TRUE(api.openedFormat(&frequency, &channels));
  EXPECT_EQ(44100, frequency);
  EXPECT_EQ(1, channels);
}

TEST_F(AudioModuleTest, StereoInitOpensTwoChannels) {
  ASSERT_TRUE(api.init(-1, 22050, 0, nullptr));
  int frequency = 0, channels = 0;
  ASSERT_TRUE(api.openedFormat(&frequency, &channels));
  EXPECT_EQ(22050, frequency);
  EXPECT_EQ(2, channels);
}

TEST_F(AudioModuleTest, SecondInitReopensWithTheNewFormatAndDropsWhatWasLoaded) {
  ASSERT_TRUE(api.init(-1, 44100, SOLVANE_AUDIO_INIT_MONO, nullptr));
  const unsigned stream = api.streamCreateFile(0, kTone.c_str(), 0, 0, 0);
  ASSERT_NE(0u, stream);
  ASSERT_TRUE(api.init(-1, 48000, 0, nullptr));
  int frequency = 0, channels = 0;
  ASSERT_TRUE(api.openedFormat(&frequency, &channels));
  EXPECT_EQ(48000, frequency);
  EXPECT_EQ(2, channels);
  EXPECT_FALSE(api.streamPlay(stream, 0, 0));
  const unsigned again = api.streamCreateFile(0, kTone.c_str(), 0, 0, 0);
  ASSERT_NE(0u, again);
  EXPECT_NE(stream, again);
  EXPECT_TRUE(api.streamPlay(again, 0, 0));
}

TEST_F(AudioModuleTest, Mp3FilePlaysAsAStreamAndIsNoModule) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  EXPECT_EQ(0u, api.musicLoad(0, kTone.c_str(), 0, 0, 0));
  const unsigned stream = api.streamCreateFile(0, kTone.c_str(), 0, 0, 0);
  ASSERT_NE(0u, stream);
  EXPECT_FALSE(api.playing());
  EXPECT_FALSE(api.musicPlay(stream));
  EXPECT_TRUE(api.streamPlay(stream, 0, 0));
  EXPECT_TRUE(api.playing());
}

TEST_F(AudioModuleTest, Mp3FromMemoryIsCopiedAndPlays) {
  ASSERT_TRUE(api.init(-1, 44100, SOLVANE_AUDIO_INIT_MONO, nullptr));
  std::vector<std::uint8_t> tone = ReadBytes(kTone);
  ASSERT_GT(tone.size(), 1000u);
  const unsigned size = static_cast<unsigned>(tone.size());
  const unsigned stream = api.streamCreateFile(1, tone.data(), 0, size, 0);
  ASSERT_NE(0u, stream);
  EXPECT_EQ(0u, api.streamCreateFile(1, tone.data(), 0, 0, 0));  // no bytes
  EXPECT_EQ(0u, api.musicLoad(1, tone.data(), 0, size, 0));
  std::fill(tone.begin(), tone.end(), 0);  // the library kept its own copy
  tone.clear();
  tone.shrink_to_fit();
  EXPECT_TRUE(api.streamPlay(stream, 0, 0));
  EXPECT_TRUE(api.playing());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the decoder reads the copy
  EXPECT_TRUE(api.playing());
}

TEST_F(AudioModuleTest, OffsetAndLengthPickTheMp3OutOfALargerFileOrBuffer) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const std::vector<std::uint8_t> tone = ReadBytes(kTone);
  const std::string text = "This is no sound at all, only words. ";
  std::vector<std::uint8_t> packed;
  for (int i = 0; i < 10; ++i) packed.insert(packed.end(), text.begin(), text.end());
  const unsigned offset = static_cast<unsigned>(packed.size());
  const unsigned size = static_cast<unsigned>(tone.size());
  packed.insert(packed.end(), tone.begin(), tone.end());
  for (int i = 0; i < 3; ++i) packed.insert(packed.end(), text.begin(), text.end());
  const std::string path = Write("packed.dat", packed);

  EXPECT_EQ(0u, api.streamCreateFile(0, path.c_str(), 0, 0, 0));  // starts with words
  const unsigned fromFile = api.streamCreateFile(0, path.c_str(), offset, size, 0);
  ASSERT_NE(0u, fromFile);
  EXPECT_NE(0u, api.streamCreateFile(0, path.c_str(), offset, 0, 0));  // to the end of the file
  const unsigned fromMemory = api.streamCreateFile(1, packed.data(), offset, size, 0);
  ASSERT_NE(0u, fromMemory);
  EXPECT_EQ(0u, api.streamCreateFile(0, path.c_str(), static_cast<unsigned>(packed.size()), 0, 0));
  EXPECT_TRUE(api.streamPlay(fromFile, 0, 0));
  EXPECT_TRUE(api.streamPlay(fromMemory, 0, 0));
}

TEST_F(AudioModuleTest, ModNamedMp3IsNoStreamButPlaysAsAModule) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const std::vector<std::uint8_t> mod = TinyMod();
  const std::string path = Write("tiny.mp3", mod);
  EXPECT_EQ(0u, api.streamCreateFile(0, path.c_str(), 0, 0, 0));
  const unsigned music = api.musicLoad(0, path.c_str(), 0, 0, 0);
  ASSERT_NE(0u, music);
  EXPECT_FALSE(api.streamPlay(music, 0, 0));
  EXPECT_FALSE(api.playing());
  EXPECT_TRUE(api.musicPlay(music));
  EXPECT_TRUE(api.playing());

  EXPECT_EQ(0u, api.streamCreateFile(1, mod.data(), 0, static_cast<unsigned>(mod.size()), 0));
  const unsigned fromMemory = api.musicLoad(1, mod.data(), 0, static_cast<unsigned>(mod.size()), 0);
  ASSERT_NE(0u, fromMemory);
  EXPECT_NE(music, fromMemory);
  EXPECT_TRUE(api.musicPlay(fromMemory));
}

TEST_F(AudioModuleTest, FreeingOneMusicStopsItAndLeavesTheOthers) {
  EXPECT_FALSE(api.freeMusic(1));  // no output yet
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const unsigned first = api.streamCreateFile(0, kTone.c_str(), 0, 0, 0);
  const unsigned second = api.streamCreateFile(0, kTone.c_str(), 0, 0, 0);
  ASSERT_NE(0u, first);
  ASSERT_NE(0u, second);
  ASSERT_TRUE(api.streamPlay(first, 0, 0));
  EXPECT_TRUE(api.freeMusic(first));
  EXPECT_FALSE(api.playing());
  EXPECT_FALSE(api.freeMusic(first));
  EXPECT_FALSE(api.streamPlay(first, 0, 0));
  EXPECT_TRUE(api.streamPlay(second, 0, 0));
  EXPECT_FALSE(api.freeMusic(0));
}

// The FLAC decoder leaks when metadata fails to read, so only a whole chain
// led by one stream information block is decoded, and other blocks are skipped
// as padding (a malformed comment then does no harm).
TEST_F(AudioModuleTest, FlacLoadsOnlyWithAWholeMetadataChain) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const std::vector<std::uint8_t> flac = ReadBytes(std::string(AUDIO_TEST_DATA_DIR) + "/tone.flac");
  ASSERT_GT(flac.size(), 64u);
  const auto load = [this](const std::vector<std::uint8_t>& bytes) {
    return api.streamCreateFile(1, bytes.data(), 0, static_cast<unsigned>(bytes.size()), 0);
  };
  const unsigned whole = load(flac);
  ASSERT_NE(0u, whole);
  EXPECT_TRUE(api.streamPlay(whole, 0, 0));

  // The comment block follows the 34-byte stream information at byte 42; its
  // count of comments sits after the 4-byte vendor length and "ffmpeg".
  ASSERT_EQ(0x04, flac[42] & 0x7F);
  std::vector<std::uint8_t> badComment = flac;
  badComment[56] = badComment[57] = badComment[58] = badComment[59] = 0x7F;
  EXPECT_NE(0u, load(badComment));

  const std::vector<std::uint8_t> cutChain(flac.begin(), flac.begin() + 50);
  EXPECT_EQ(0u, load(cutChain));
  std::vector<std::uint8_t> pastTheEnd = flac;
  pastTheEnd[43] = 0x7F;  // the comment block's length reaches past the file
  EXPECT_EQ(0u, load(pastTheEnd));
  std::vector<std::uint8_t> rateZero = flac;
  rateZero[18] = rateZero[19] = 0;
  rateZero[20] &= 0x0F;
  EXPECT_EQ(0u, load(rateZero));
  std::vector<std::uint8_t> commentFirst = flac;
  commentFirst[4] = 0x04;
  EXPECT_EQ(0u, load(commentFirst));
}

TEST_F(AudioModuleTest, TextAndMissingFilesLoadAsNeither) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  std::vector<std::uint8_t> text;
  const std::string line = "Not music: a line of plain text, repeated to a couple of kilobytes.\n";
  while (text.size() < 2500) text.insert(text.end(), line.begin(), line.end());
  const std::string path = Write("notes.mp3", text);
  EXPECT_EQ(0u, api.streamCreateFile(0, path.c_str(), 0, 0, 0));
  EXPECT_EQ(0u, api.musicLoad(0, path.c_str(), 0, 0, 0));
  EXPECT_EQ(0u, api.streamCreateFile(1, text.data(), 0, static_cast<unsigned>(text.size()), 0));
  EXPECT_EQ(0u, api.musicLoad(1, text.data(), 0, static_cast<unsigned>(text.size()), 0));
  // A MIDI file is music the mixer knows, but neither a stream nor a module here.
  const std::vector<std::uint8_t> midi = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                                          'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0};
  EXPECT_EQ(0u, api.streamCreateFile(1, midi.data(), 0, static_cast<unsigned>(midi.size()), 0));
  EXPECT_EQ(0u, api.musicLoad(1, midi.data(), 0, static_cast<unsigned>(midi.size()), 0));
  const std::string missing = (dir / "missing.mp3").string();
  EXPECT_EQ(0u, api.streamCreateFile(0, missing.c_str(), 0, 0, 0));
  EXPECT_EQ(0u, api.musicLoad(0, missing.c_str(), 0, 0, 0));
  EXPECT_EQ(0u, api.streamCreateFile(0, nullptr, 0, 0, 0));
  EXPECT_FALSE(api.streamPlay(12345, 0, 0));
  EXPECT_FALSE(api.musicPlay(12345));
  EXPECT_FALSE(api.playing());
}

TEST_F(AudioModuleTest, AWavFileWithAModuleSignatureIsNoModule) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  // A 48-byte WAV file whose format chunk claims a length of -8, with "SCRM"
  // where an S3M file names itself. The tracker library's own WAV reader
  // would go round that chunk for ever; it must not be handed the bytes.
  std::vector<std::uint8_t> wav = {'R', 'I', 'F', 'F', 0x44, 3, 0, 0, 'W', 'A', 'V', 'E',
                                   'f', 'm', 't', ' ', 0xF8, 0xFF, 0xFF, 0xFF, 1, 0, 1, 0,
                                   0x40, 0x50, 0, 0, 0, 0x3F, 0, 0, 2, 0, 16, 0,
                                   'd', 'a', 't', 'a', 0x20, 3, 0, 0xCA, 'S', 'C', 'R', 'M'};
  EXPECT_EQ(0u, api.musicLoad(1, wav.data(), 0, static_cast<unsigned>(wav.size()), 0));
}

TEST_F(AudioModuleTest, PauseAndStartHoldAndResumeTheMusic) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const unsigned stream = api.streamCreateFile(0, kTone.c_str(), 0, 0, 0);
  ASSERT_TRUE(api.streamPlay(stream, 0, 0));
  EXPECT_TRUE(api.start());
  EXPECT_FALSE(api.paused());
  EXPECT_TRUE(api.pause());
  EXPECT_TRUE(api.paused());
  EXPECT_TRUE(api.playing());
  EXPECT_TRUE(api.start());
  EXPECT_FALSE(api.paused());
}

TEST_F(AudioModuleTest, WithoutOutputEverythingFailsCleanly) {
  EXPECT_FALSE(api.free());
  EXPECT_FALSE(api.free());
  EXPECT_FALSE(api.start());
  EXPECT_FALSE(api.pause());
  EXPECT_EQ(0u, api.streamCreateFile(0, kTone.c_str(), 0, 0, 0));
  EXPECT_EQ(0u, api.musicLoad(0, kTone.c_str(), 0, 0, 0));
  EXPECT_FALSE(api.streamPlay(1, 0, 0));
  EXPECT_FALSE(api.musicPlay(1));
  int frequency = -1, channels = -1;
  EXPECT_FALSE(api.openedFormat(&frequency, &channels));
  EXPECT_EQ(-1, frequency);
  EXPECT_FALSE(api.playing());

  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  EXPECT_TRUE(api.free());
  EXPECT_FALSE(api.free());
  EXPECT_FALSE(api.start());
}

TEST_F(AudioModuleTest, InitWithAnUnknownDriverFailsAndLeavesNothingOpen) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_FALSE(api.init(-1, 44100, 0, nullptr));
  EXPECT_FALSE(api.openedFormat(nullptr, nullptr));
  EXPECT_FALSE(api.start());
  EXPECT_EQ(0u, api.streamCreateFile(0, kTone.c_str(), 0, 0, 0));
  EXPECT_FALSE(api.free());

  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  EXPECT_NE(0u, api.streamCreateFile(0, kTone.c_str(), 0, 0, 0));
}

TEST_F(AudioModuleTest, OtherOperationsDoNothing) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const unsigned stream = api.streamCreateFile(0, kTone.c_str(), 0, 0, 0);
  EXPECT_EQ(0, api.errorGetCode());
  EXPECT_EQ(0.0f, api.getCpu());
  EXPECT_TRUE(api.setVolume(50));
  EXPECT_FALSE(api.channelIsActive(stream));
  EXPECT_EQ(0u, api.channelGetFlags(stream));
  EXPECT_FALSE(api.channelSetAttributes(stream, 44100, 100, 0));
  unsigned frequency = 7, volume = 8;
  int pan = 9;
  EXPECT_FALSE(api.channelGetAttributes(stream, &frequency, &volume, &pan));
  EXPECT_EQ(7u, frequency);
  EXPECT_EQ(8u, volume);
  EXPECT_EQ(9, pan);
  EXPECT_FALSE(api.channelGetAttributes(stream, nullptr, nullptr, nullptr));
  EXPECT_EQ(0u, api.channelGetPosition(stream));
  EXPECT_EQ(0u, api.channelGetLevel(stream));
  EXPECT_EQ(0u, api.channelSetSync(stream, 0, 0, nullptr, nullptr));
}

// The disk driver writes what the mixer produces to a file, in real time.
// Returns the loudest 16-bit sample written within `wait`, once `bytes` are there.
int LoudestWritten(const fs::path& file, std::size_t bytes, std::chrono::milliseconds wait) {
  const auto until = std::chrono::steady_clock::now() + wait;
  std::vector<std::uint8_t> written;
  while (std::chrono::steady_clock::now() < until) {
    written = ReadBytes(file);
    if (written.size() >= bytes) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  int loudest = 0;
  for (std::size_t i = 0; i + 1 < written.size(); i += 2) {
    const auto sample = static_cast<std::int16_t>(written[i] | (written[i + 1] << 8));
    loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
  }
  return loudest;
}

TEST_F(AudioModuleTest, DiskDriverReceivesTheToneAndTheModule) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  const fs::path toneOut = dir / "tone.raw";
  setenv("SDL_DISKAUDIOFILE", toneOut.c_str(), 1);
  ASSERT_TRUE(api.init(-1, 22050, SOLVANE_AUDIO_INIT_MONO, nullptr));
  ASSERT_TRUE(api.streamPlay(api.streamCreateFile(0, kTone.c_str(), 0, 0, 0), 0, 0));
  // Half a second of 16-bit mono; the tone peaks at half the full scale.
  EXPECT_GT(LoudestWritten(toneOut, 22050, std::chrono::seconds(5)), 8000);
  ASSERT_TRUE(api.free());

  const fs::path modOut = dir / "mod.raw";
  setenv("SDL_DISKAUDIOFILE", modOut.c_str(), 1);
  ASSERT_TRUE(api.init(-1, 22050, SOLVANE_AUDIO_INIT_MONO, nullptr));
  const std::string mod = Write("tiny.mod", TinyMod());
  ASSERT_TRUE(api.musicPlay(api.musicLoad(0, mod.c_str(), 0, 0, 0)));
  EXPECT_GT(LoudestWritten(modOut, 22050, std::chrono::seconds(5)), 1000);
  ASSERT_TRUE(api.free());
  unsetenv("SDL_DISKAUDIOFILE");
}

// SDL turns SIGINT and SIGTERM into a quit event when it installs its own
// handlers (it does so only where the disposition is the default one), and
// nothing in the program reads SDL's events for that: the demo could then not
// be stopped. Opening output leaves both as they were.
bool HasDefaultDisposition(int number) {
  struct sigaction action;
  return sigaction(number, nullptr, &action) == 0 && action.sa_handler == SIG_DFL;
}

TEST_F(AudioModuleTest, OpeningOutputLeavesTheTerminationSignalsAlone) {
  for (int number : {SIGTERM, SIGINT}) {
    const auto previous = ::signal(number, SIG_DFL);
    ASSERT_TRUE(api.init(-1, 44100, 0, nullptr)) << number;
    EXPECT_TRUE(HasDefaultDisposition(number)) << number;
    ASSERT_TRUE(api.free());
    ::signal(number, previous);
  }
}

// What is in place of a music file need not be one: a folder, a FIFO (whose
// open would wait for a writer) or a file far larger than any music. None of
// them may hang the caller or throw through the library's C interface.
TEST_F(AudioModuleTest, AFolderOrFifoNamedLikeMusicLoadsAsNeitherAtOnce) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const std::string folder = (dir / "x.mp3").string();
  ASSERT_TRUE(fs::create_directory(folder));
  EXPECT_EQ(0u, api.streamCreateFile(0, folder.c_str(), 0, 0, 0));
  EXPECT_EQ(0u, api.musicLoad(0, folder.c_str(), 0, 0, 0));
  const std::string fifo = (dir / "fifo.mp3").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  EXPECT_EQ(0u, api.streamCreateFile(0, fifo.c_str(), 0, 0, 0));
  EXPECT_EQ(0u, api.musicLoad(0, fifo.c_str(), 0, 0, 0));
  EXPECT_TRUE(api.streamPlay(api.streamCreateFile(0, kTone.c_str(), 0, 0, 0), 0, 0));
}

long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.compare(0, 6, "VmHWM:") == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// The tone, then a hole to 3 GB: as a stream it is read as it plays, as a
// module it is too large to take whole; neither copies its size into memory.
TEST_F(AudioModuleTest, AHugeFileIsNeverReadWhole) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const std::string path = Write("huge.mp3", ReadBytes(kTone));
  {
    const int fd = open(path.c_str(), O_WRONLY);
    ASSERT_LE(0, fd);
    ASSERT_EQ(0, ftruncate(fd, 3LL << 30));
    close(fd);
  }
  const long before = PeakResidentKb();
  const unsigned stream = api.streamCreateFile(0, path.c_str(), 0, 0, 0);
  if (stream) {
    EXPECT_TRUE(api.streamPlay(stream, 0, 0));
  }
  EXPECT_EQ(0u, api.musicLoad(0, path.c_str(), 0, 0, 0));
  // Far below the file's size; this is no measure of the memory a stream
  // takes (bench/ has that), only of its not being a copy.
  EXPECT_LT(PeakResidentKb() - before, 256L * 1024);
}

// A stream plays from its file: the bytes reach the output although the file
// is gone from its folder by then.
TEST_F(AudioModuleTest, AStreamedFilePlaysEvenOnceItIsDeleted) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  const fs::path out = dir / "tone.raw";
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  ASSERT_TRUE(api.init(-1, 22050, SOLVANE_AUDIO_INIT_MONO, nullptr));
  const std::string path = Write("tone.mp3", ReadBytes(kTone));
  const unsigned stream = api.streamCreateFile(0, path.c_str(), 0, 0, 0);
  ASSERT_NE(0u, stream);
  ASSERT_TRUE(fs::remove(path));
  ASSERT_TRUE(api.streamPlay(stream, 0, 0));
  EXPECT_TRUE(api.playing());
  EXPECT_GT(LoudestWritten(out, 22050, std::chrono::seconds(5)), 8000);
  ASSERT_TRUE(api.free());
  unsetenv("SDL_DISKAUDIOFILE");
}

// The FLAC checks hold for a file as for memory; a file whose comment would
// fail to read is decoded with its metadata blocks skipped as padding.
TEST_F(AudioModuleTest, AFlacFileIsCheckedAndDecodedWithItsMetadataSkipped) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  const fs::path out = dir / "flac.raw";
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  ASSERT_TRUE(api.init(-1, 22050, SOLVANE_AUDIO_INIT_MONO, nullptr));
  const std::vector<std::uint8_t> flac = ReadBytes(std::string(AUDIO_TEST_DATA_DIR) + "/tone.flac");
  ASSERT_GT(flac.size(), 64u);
  const auto load = [this](const std::vector<std::uint8_t>& bytes) {
    const std::string path = Write("tone.flac", bytes);
    return api.streamCreateFile(0, path.c_str(), 0, 0, 0);
  };
  std::vector<std::uint8_t> badComment = flac;
  badComment[56] = badComment[57] = badComment[58] = badComment[59] = 0x7F;
  const unsigned stream = load(badComment);
  ASSERT_NE(0u, stream);
  // The file itself is left as it was.
  EXPECT_EQ(badComment, ReadBytes(dir / "tone.flac"));
  ASSERT_TRUE(api.streamPlay(stream, 0, 0));
  EXPECT_GT(LoudestWritten(out, 22050, std::chrono::seconds(5)), 1000);
  ASSERT_TRUE(api.free());
  unsetenv("SDL_DISKAUDIOFILE");

  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  EXPECT_EQ(0u, load(std::vector<std::uint8_t>(flac.begin(), flac.begin() + 50)));
  std::vector<std::uint8_t> pastTheEnd = flac;
  pastTheEnd[43] = 0x7F;
  EXPECT_EQ(0u, load(pastTheEnd));
  std::vector<std::uint8_t> rateZero = flac;
  rateZero[18] = rateZero[19] = 0;
  rateZero[20] &= 0x0F;
  EXPECT_EQ(0u, load(rateZero));
}

// A WAV file's format chunk is checked wherever it sits in the file, also
// where a file is read in pieces and the chunk straddles two of them.
TEST_F(AudioModuleTest, AWavFileWithNoChannelsIsRefusedWhereverItsFormatChunkSits) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const std::vector<std::uint8_t> format = {'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 0, 0,
                                            0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};
  for (std::size_t at : {12u, 4000u, 65536u - 24, 65536u - 11, 65536u - 6, 65536u - 2,
                         65536u, 131072u - 9, 200000u}) {
    std::vector<std::uint8_t> wav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    wav.resize(at, 'j');
    wav.insert(wav.end(), format.begin(), format.end());
    const std::vector<std::uint8_t> data = {'d', 'a', 't', 'a', 0, 16, 0, 0};
    wav.insert(wav.end(), data.begin(), data.end());
    wav.resize(wav.size() + 4096, 0);
    const std::string path = Write("silent.wav", wav);
    EXPECT_EQ(0u, api.streamCreateFile(0, path.c_str(), 0, 0, 0)) << at;
    const unsigned size = static_cast<unsigned>(wav.size());
    EXPECT_EQ(0u, api.streamCreateFile(1, wav.data(), 0, size, 0)) << at;
  }
}

}  // namespace
