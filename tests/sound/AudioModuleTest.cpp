// The audio library the player loads at run time (solvane-audio.so), loaded
// here the same way, through the dynamic loader, and driven on SDL's dummy
// and disk audio drivers: opening output, telling streams from modules by
// their contents, files and memory, playing and pausing, and failing cleanly.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "AudioModuleApi.h"

namespace {

namespace fs = std::filesystem;
using namespace audio_test;

const std::string kData = AUDIO_TEST_DATA_DIR;
const std::string kTone = kData + "/tone.mp3";  // 1 s of 440 Hz, mono

class AudioModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, Library()) << dlerror();
    UseDummyOutput();
    dir = fs::temp_directory_path() / ("solvane-audio-test-" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    if (api.free) api.free();
    UseDummyOutput();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  std::string Write(const std::string& name, const Bytes& bytes) {
    WriteBytes(dir / name, bytes);
    return (dir / name).string();
  }
  // Loaders of a file by path, and of bytes in memory.
  unsigned StreamAt(const std::string& path) { return api.streamCreateFile(0, path.c_str(), 0, 0, 0); }
  unsigned ModuleAt(const std::string& path) { return api.musicLoad(0, path.c_str(), 0, 0, 0); }
  unsigned StreamOf(const Bytes& b) {
    return api.streamCreateFile(1, b.data(), 0, static_cast<unsigned>(b.size()), 0);
  }
  unsigned ModuleOf(const Bytes& b) {
    return api.musicLoad(1, b.data(), 0, static_cast<unsigned>(b.size()), 0);
  }
  std::pair<int, int> Format() {
    int frequency = 0, channels = 0;
    EXPECT_TRUE(api.openedFormat(&frequency, &channels));
    return {frequency, channels};
  }

  const Api& api = TheApi();
  fs::path dir;
};

TEST_F(AudioModuleTest, EveryNameThePlayerLooksUpIsExported) {
  EXPECT_EQ(std::vector<std::string>(), MissingNames());
}

TEST_F(AudioModuleTest, InitOpensTheFormatAskedAndASecondInitDropsWhatWasLoaded) {
  ASSERT_TRUE(api.init(-1, 44100, SOLVANE_AUDIO_INIT_MONO, nullptr));
  EXPECT_EQ(std::make_pair(44100, 1), Format());
  const unsigned stream = StreamAt(kTone);
  ASSERT_NE(0u, stream);
  ASSERT_TRUE(api.init(-1, 22050, 0, nullptr));
  EXPECT_EQ(std::make_pair(22050, 2), Format());
  EXPECT_FALSE(api.streamPlay(stream, 0, 0));
  const unsigned again = StreamAt(kTone);
  ASSERT_NE(0u, again);
  EXPECT_NE(stream, again);
  EXPECT_TRUE(api.streamPlay(again, 0, 0));
}

TEST_F(AudioModuleTest, Mp3FilePlaysAsAStreamAndIsNoModule) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  EXPECT_EQ(0u, ModuleAt(kTone));
  const unsigned stream = StreamAt(kTone);
  ASSERT_NE(0u, stream);
  EXPECT_FALSE(api.playing());
  EXPECT_FALSE(api.musicPlay(stream));
  EXPECT_TRUE(api.streamPlay(stream, 0, 0));
  EXPECT_TRUE(api.playing());
}

TEST_F(AudioModuleTest, Mp3FromMemoryIsCopiedAndPlays) {
  ASSERT_TRUE(api.init(-1, 44100, SOLVANE_AUDIO_INIT_MONO, nullptr));
  Bytes tone = ReadBytes(kTone);
  ASSERT_GT(tone.size(), 1000u);
  const unsigned stream = StreamOf(tone);
  ASSERT_NE(0u, stream);
  EXPECT_EQ(0u, api.streamCreateFile(1, tone.data(), 0, 0, 0));  // no bytes
  EXPECT_EQ(0u, ModuleOf(tone));
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
  const Bytes tone = ReadBytes(kTone);
  const std::string text = "This is no sound at all, only words. ";
  Bytes packed;
  for (int i = 0; i < 10; ++i) packed.insert(packed.end(), text.begin(), text.end());
  const unsigned offset = static_cast<unsigned>(packed.size());
  const unsigned size = static_cast<unsigned>(tone.size());
  packed.insert(packed.end(), tone.begin(), tone.end());
  for (int i = 0; i < 3; ++i) packed.insert(packed.end(), text.begin(), text.end());
  const std::string path = Write("packed.dat", packed);

  EXPECT_EQ(0u, StreamAt(path));  // starts with words
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
  const Bytes mod = TinyMod(16);
  const std::string path = Write("tiny.mp3", mod);
  EXPECT_EQ(0u, StreamAt(path));
  const unsigned music = ModuleAt(path);
  ASSERT_NE(0u, music);
  EXPECT_FALSE(api.streamPlay(music, 0, 0));
  EXPECT_FALSE(api.playing());
  EXPECT_TRUE(api.musicPlay(music));
  EXPECT_TRUE(api.playing());

  EXPECT_EQ(0u, StreamOf(mod));
  const unsigned fromMemory = ModuleOf(mod);
  ASSERT_NE(0u, fromMemory);
  EXPECT_NE(music, fromMemory);
  EXPECT_TRUE(api.musicPlay(fromMemory));
}

TEST_F(AudioModuleTest, FreeingOneMusicStopsItAndLeavesTheOthers) {
  EXPECT_FALSE(api.freeMusic(1));  // no output yet
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const unsigned first = StreamAt(kTone), second = StreamAt(kTone);
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

TEST_F(AudioModuleTest, TextMidiOddWavAndMissingFilesLoadAsNeither) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  Bytes text;
  const std::string line = "Not music: a line of plain text, repeated to a couple of kilobytes.\n";
  while (text.size() < 2500) text.insert(text.end(), line.begin(), line.end());
  // A MIDI file is music the mixer knows, but neither a stream nor a module here.
  const Bytes midi = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                      'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0};
  for (const Bytes& bytes : {text, midi}) {
    EXPECT_EQ(0u, StreamOf(bytes));
    EXPECT_EQ(0u, ModuleOf(bytes));
  }
  for (const std::string& path : {Write("notes.mp3", text), (dir / "missing.mp3").string()}) {
    EXPECT_EQ(0u, StreamAt(path)) << path;
    EXPECT_EQ(0u, ModuleAt(path)) << path;
  }
  EXPECT_EQ(0u, api.streamCreateFile(0, nullptr, 0, 0, 0));
  EXPECT_FALSE(api.streamPlay(12345, 0, 0));
  EXPECT_FALSE(api.musicPlay(12345));
  EXPECT_FALSE(api.playing());
  // A 48-byte WAV file whose format chunk claims a length of -8, with "SCRM"
  // where an S3M file names itself. The tracker library's own WAV reader
  // would go round that chunk for ever; it must not be handed the bytes.
  const Bytes wav = {'R', 'I', 'F', 'F', 0x44, 3, 0, 0, 'W', 'A', 'V', 'E',
                     'f', 'm', 't', ' ', 0xF8, 0xFF, 0xFF, 0xFF, 1, 0, 1, 0,
                     0x40, 0x50, 0, 0, 0, 0x3F, 0, 0, 2, 0, 16, 0,
                     'd', 'a', 't', 'a', 0x20, 3, 0, 0xCA, 'S', 'C', 'R', 'M'};
  EXPECT_EQ(0u, ModuleOf(wav));
}

TEST_F(AudioModuleTest, PauseAndStartHoldAndResumeTheMusic) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  ASSERT_TRUE(api.streamPlay(StreamAt(kTone), 0, 0));
  EXPECT_TRUE(api.start());
  EXPECT_FALSE(api.paused());
  EXPECT_TRUE(api.pause());
  EXPECT_TRUE(api.paused());
  EXPECT_TRUE(api.playing());
  EXPECT_TRUE(api.start());
  EXPECT_FALSE(api.paused());
}

// Before any output, and after an init with an unknown driver, nothing is open.
// The author tools decode whole files through the library: at the file's own
// rate on a mixer of their own, or in the format of the output that is open,
// in this copy of the library or in another (the player's, from the data),
// without stopping what plays.
TEST_F(AudioModuleTest, DecodingTakesTheFileAtItsRateOrTheOpenOutputsFormatAndLeavesTheMusicPlaying) {
  struct Got {
    unsigned frames = 0, frequency = 0, channels = 0;
  };
  const SolvaneAudioPcmProc take = [](const short*, unsigned frames, unsigned frequency, unsigned channels,
                                      void* user) { *static_cast<Got*>(user) = {frames, frequency, channels}; };
  const auto decode = Find<SolvaneAudio_DecodeFileFn>("SolvaneAudio_DecodeFile");
  ASSERT_NE(nullptr, decode);
  const std::string copy = (dir / "copy.so").string();
  fs::copy_file(AUDIO_MODULE_PATH, copy);
  void* other = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(nullptr, other) << dlerror();
  const auto decodeInOther = reinterpret_cast<SolvaneAudio_DecodeFileFn>(dlsym(other, "SolvaneAudio_DecodeFile"));

  Got got;
  ASSERT_TRUE(decode(kTone.c_str(), 0, take, &got));
  EXPECT_EQ(44100u, got.frequency);
  EXPECT_EQ(2u, got.channels);
  EXPECT_NEAR(44100.0, got.frames, 2000.0);
  EXPECT_FALSE(decode((dir / "missing.mp3").string().c_str(), 0, take, &got));
  ASSERT_TRUE(api.init(-1, 22050, SOLVANE_AUDIO_INIT_MONO, nullptr));
  ASSERT_TRUE(api.streamPlay(StreamAt(kTone), 0, 0));
  for (const auto decoder : {decode, decodeInOther}) {
    got = Got();
    ASSERT_TRUE(decoder(kTone.c_str(), 0, take, &got));
    EXPECT_EQ(22050u, got.frequency);
    EXPECT_EQ(1u, got.channels);
    EXPECT_TRUE(api.playing());
    EXPECT_EQ(std::make_pair(22050, 1), Format());
  }
  dlclose(other);
}

TEST_F(AudioModuleTest, WithoutOutputEverythingFailsCleanly) {
  for (bool failedInit : {false, true}) {
    SCOPED_TRACE(failedInit ? "after a failed init" : "never opened");
    if (failedInit) {
      setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
      EXPECT_FALSE(api.init(-1, 44100, 0, nullptr));
    }
    EXPECT_FALSE(api.free());
    EXPECT_FALSE(api.free());
    EXPECT_FALSE(api.start());
    EXPECT_FALSE(api.pause());
    EXPECT_EQ(0u, StreamAt(kTone));
    EXPECT_EQ(0u, ModuleAt(kTone));
    EXPECT_FALSE(api.streamPlay(1, 0, 0));
    EXPECT_FALSE(api.musicPlay(1));
    int frequency = -1, channels = -1;
    EXPECT_FALSE(api.openedFormat(&frequency, &channels));
    EXPECT_EQ(-1, frequency);
    EXPECT_FALSE(api.openedFormat(nullptr, nullptr));
    EXPECT_FALSE(api.playing());
  }
  UseDummyOutput();
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  EXPECT_NE(0u, StreamAt(kTone));
  EXPECT_TRUE(api.free());
  EXPECT_FALSE(api.free());
  EXPECT_FALSE(api.start());
}

TEST_F(AudioModuleTest, OtherOperationsDoNothing) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const unsigned stream = StreamAt(kTone);
  EXPECT_EQ(0, api.errorGetCode());
  EXPECT_EQ(0.0f, api.getCpu());
  EXPECT_TRUE(api.setVolume(50));
  EXPECT_FALSE(api.channelIsActive(stream));
  EXPECT_EQ(0u, api.channelGetFlags(stream));
  EXPECT_FALSE(api.channelSetAttributes(stream, 44100, 100, 0));
  unsigned frequency = 7, volume = 8;
  int pan = 9;
  EXPECT_FALSE(api.channelGetAttributes(stream, &frequency, &volume, &pan));
  EXPECT_EQ(std::make_tuple(7u, 8u, 9), std::make_tuple(frequency, volume, pan));
  EXPECT_FALSE(api.channelGetAttributes(stream, nullptr, nullptr, nullptr));
  EXPECT_EQ(0u, api.channelGetPosition(stream));
  EXPECT_EQ(0u, api.channelGetLevel(stream));
  EXPECT_EQ(0u, api.channelSetSync(stream, 0, 0, nullptr, nullptr));
}

// Returns the loudest 16-bit sample the disk driver wrote to `file` within
// `wait`, once `bytes` are there.
int LoudestWritten(const fs::path& file, std::size_t bytes, std::chrono::milliseconds wait) {
  const auto until = std::chrono::steady_clock::now() + wait;
  Bytes written;
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

// A stream plays from its file: the bytes reach the output although the file
// is gone from its folder by then. The module is heard too.
TEST_F(AudioModuleTest, DiskDriverReceivesTheToneOfADeletedFileAndTheModule) {
  UseDiskOutput(dir / "tone.raw");
  ASSERT_TRUE(api.init(-1, 22050, SOLVANE_AUDIO_INIT_MONO, nullptr));
  const std::string path = Write("tone.mp3", ReadBytes(kTone));
  const unsigned stream = StreamAt(path);
  ASSERT_NE(0u, stream);
  ASSERT_TRUE(fs::remove(path));
  ASSERT_TRUE(api.streamPlay(stream, 0, 0));
  EXPECT_TRUE(api.playing());
  // Half a second of 16-bit mono; the tone peaks at half the full scale.
  EXPECT_GT(LoudestWritten(dir / "tone.raw", 22050, std::chrono::seconds(5)), 8000);
  ASSERT_TRUE(api.free());

  UseDiskOutput(dir / "mod.raw");
  ASSERT_TRUE(api.init(-1, 22050, SOLVANE_AUDIO_INIT_MONO, nullptr));
  ASSERT_TRUE(api.musicPlay(ModuleAt(Write("tiny.mod", TinyMod(16)))));
  EXPECT_GT(LoudestWritten(dir / "mod.raw", 22050, std::chrono::seconds(5)), 1000);
}

// The FLAC decoder leaks when metadata fails to read, so only a whole chain
// led by one stream information block is decoded, and other blocks are skipped
// as padding (a malformed comment then does no harm); from a file as from memory.
TEST_F(AudioModuleTest, FlacLoadsOnlyWithAWholeMetadataChain) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const Bytes flac = ReadBytes(kData + "/tone.flac");
  ASSERT_GT(flac.size(), 64u);
  // The comment block follows the 34-byte stream information at byte 42; its
  // count of comments sits after the 4-byte vendor length and "ffmpeg".
  ASSERT_EQ(0x04, flac[42] & 0x7F);
  const auto with = [&flac](std::vector<std::pair<int, std::uint8_t>> changes) {
    Bytes out = flac;
    for (auto [at, value] : changes) out[at] = value;
    return out;
  };
  const Bytes badComment = with({{56, 0x7F}, {57, 0x7F}, {58, 0x7F}, {59, 0x7F}});
  const struct { const char* what; Bytes bytes; bool loads; } cases[] = {
      {"whole", flac, true},
      {"bad comment", badComment, true},
      {"cut chain", Bytes(flac.begin(), flac.begin() + 50), false},
      {"past the end", with({{43, 0x7F}}), false},  // the comment's length reaches past the file
      {"rate zero", with({{18, 0}, {19, 0}, {20, static_cast<std::uint8_t>(flac[20] & 0x0F)}}), false},
      {"comment first", with({{4, 0x04}}), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const unsigned fromMemory = StreamOf(c.bytes);
    EXPECT_EQ(c.loads, fromMemory != 0);
    if (fromMemory) { EXPECT_TRUE(api.streamPlay(fromMemory, 0, 0)); }
    const std::string path = Write(std::string(c.what) + ".flac", c.bytes);
    EXPECT_EQ(c.loads, StreamAt(path) != 0);
    EXPECT_EQ(c.bytes, ReadBytes(path));  // the file itself is left as it was
  }
  // The file with the bad comment is decoded, its metadata skipped.
  ASSERT_TRUE(api.free());
  UseDiskOutput(dir / "flac.raw");
  ASSERT_TRUE(api.init(-1, 22050, SOLVANE_AUDIO_INIT_MONO, nullptr));
  ASSERT_TRUE(api.streamPlay(StreamAt((dir / "bad comment.flac").string()), 0, 0));
  EXPECT_GT(LoudestWritten(dir / "flac.raw", 22050, std::chrono::seconds(5)), 1000);
}

// SDL turns SIGINT and SIGTERM into a quit event when it installs its own
// handlers (it does so only where the disposition is the default one), and
// nothing in the program reads SDL's events for that: the demo could then not
// be stopped. Opening output leaves both as they were.
TEST_F(AudioModuleTest, OpeningOutputLeavesTheTerminationSignalsAlone) {
  for (int number : {SIGTERM, SIGINT}) {
    const auto previous = ::signal(number, SIG_DFL);
    ASSERT_TRUE(api.init(-1, 44100, 0, nullptr)) << number;
    struct sigaction action;
    EXPECT_TRUE(sigaction(number, nullptr, &action) == 0 && action.sa_handler == SIG_DFL) << number;
    ASSERT_TRUE(api.free());
    ::signal(number, previous);
  }
}

// What is in place of a music file need not be one: a folder, a FIFO (whose
// open would wait for a writer) or a file far larger than any music. None of
// them may hang the caller or throw through the library's C interface.
TEST_F(AudioModuleTest, AFolderOrFifoNamedLikeMusicLoadsAsNeitherAtOnce) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const std::string folder = (dir / "x.mp3").string(), fifo = (dir / "fifo.mp3").string();
  ASSERT_TRUE(fs::create_directory(folder));
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  for (const std::string& path : {folder, fifo}) {
    EXPECT_EQ(0u, StreamAt(path)) << path;
    EXPECT_EQ(0u, ModuleAt(path)) << path;
  }
  EXPECT_TRUE(api.streamPlay(StreamAt(kTone), 0, 0));
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
  fs::resize_file(path, 3ULL << 30);
  const long before = PeakResidentKb();
  if (const unsigned stream = StreamAt(path)) { EXPECT_TRUE(api.streamPlay(stream, 0, 0)); }
  EXPECT_EQ(0u, ModuleAt(path));
  // Far below the file's size; this is no measure of the memory a stream
  // takes (bench/ has that), only of its not being a copy.
  EXPECT_LT(PeakResidentKb() - before, 256L * 1024);
}

// A WAV file's format chunk is checked wherever it sits in the file, also
// where a file is read in pieces and the chunk straddles two of them.
TEST_F(AudioModuleTest, AWavFileWithNoChannelsIsRefusedWhereverItsFormatChunkSits) {
  ASSERT_TRUE(api.init(-1, 44100, 0, nullptr));
  const Bytes format = {'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 0, 0,
                        0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};
  const Bytes data = {'d', 'a', 't', 'a', 0, 16, 0, 0};
  for (std::size_t at : {12u, 4000u, 65536u - 24, 65536u - 11, 65536u - 6, 65536u - 2,
                         65536u, 131072u - 9, 200000u}) {
    Bytes wav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    wav.resize(at, 'j');
    wav.insert(wav.end(), format.begin(), format.end());
    wav.insert(wav.end(), data.begin(), data.end());
    wav.resize(wav.size() + 4096, 0);
    EXPECT_EQ(0u, StreamAt(Write("silent.wav", wav))) << at;
    EXPECT_EQ(0u, StreamOf(wav)) << at;
  }
}

}  // namespace
