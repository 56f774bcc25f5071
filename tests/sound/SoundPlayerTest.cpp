// The music player and the sound front over a fake audio library that records
// its calls: what is read, loaded and called for each sound choice, the
// messages for a missing or broken library, and the temporary copy's fate.
#include <elf.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FakeAudioControl.h"
#include "HeadlessControl.h"
#include "KolData.h"
#include "KolLog.h"
#include "Platform.h"
#include "TestSupport.h"
#include "VSound.h"

namespace {

class SoundPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The temporary copies go to a folder of the test's own, so leftovers show.
    setenv("TMPDIR", temp.Path().c_str(), 1);
    ASSERT_TRUE(plat::StartHeadless());
    ASSERT_EQ(0, source.Open(kKindDirectory, data.Path().c_str()));
    SetAudioLibrarySource(&source, "bass.dll");
  }
  void TearDown() override {
    TheSound().Stop();
    plat::Shutdown();
    ResetAudioLibraryForTest();
    unsetenv("TMPDIR");
  }
  // A fresh run: the library not loaded yet, and an empty log.
  void FreshRun() {
    ResetAudioLibraryForTest();
    SetAudioLibrarySource(&source, "bass.dll");
    FreshLog();
  }
  static void FreshLog() {
    TheLog().ResetForTest();
    TheLog().SetBufferOutput(true);
  }
  void InstallLibrary(const std::string& bytes) { data.Write("bass.dll", bytes); }
  void InstallFake() { InstallLibrary(ReadFile(FAKE_AUDIO_PATH)); }
  FakeAudioControl& Fake() {
    using ControlFunction = FakeAudioControl* (*)();
    auto control = reinterpret_cast<ControlFunction>(
        plat::FindLibrarySymbol(AudioLibraryForTest(), "FakeAudio_Control"));
    EXPECT_NE(nullptr, control);
    static FakeAudioControl none;
    return control ? *control() : none;
  }
  std::vector<std::string> Calls() {
    std::vector<std::string> names;
    for (int i = 0; i < Fake().count; ++i) names.push_back(Fake().calls[i].name);
    return names;
  }
  int TempFilesLeft() const {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(temp.Path()),
                                          std::filesystem::directory_iterator()));
  }

  LogCapture capture;
  TempDir temp;
  TempDir data;
  KolData source;
};

// With sound off there is no library: the time is the tick count's, and a
// seek moves that clock only.
TEST_F(SoundPlayerTest, NoSoundReadsAndLoadsNothingAndKeepsTimeFromTheTickCount) {
  InstallFake();
  plat::headless::TheHeadless().tick = 1000;
  VSound sound;
  EXPECT_EQ(0, sound.Init(0));
  EXPECT_EQ(nullptr, sound.player);
  EXPECT_EQ(0, sound.PlayFile("music.mp3", 0));
  EXPECT_EQ(VSoundBase::kPlaying, sound.state);
  plat::headless::TheHeadless().tick = 1250;
  EXPECT_EQ(250, sound.GetPosition());
  EXPECT_FALSE(sound.HasMusicClock());
  EXPECT_EQ(0, sound.Seek(5000));
  plat::headless::TheHeadless().tick = 1350;
  EXPECT_EQ(5100, sound.GetPosition());
  EXPECT_EQ(1, sound.Seek(-5));
  EXPECT_FALSE(AudioLibraryLoaded());
  EXPECT_EQ(nullptr, AudioLibraryForTest());
  EXPECT_EQ("", capture.Text());
}

TEST_F(SoundPlayerTest, FlagsReachTheLibrarysInitAsFrequencyAndMonoFlag) {
  InstallFake();
  struct Case { int flags; long frequency, initFlags; };
  for (const Case& c : {Case{12, 44100, 2}, Case{44, 44100, 0}, Case{8 | 1 | 4, 44100, 2},
                        Case{8 | 1 | 2, 22050, 2}, Case{8 | 1, 11025, 2}, Case{8 | 32, 44100, 0}}) {
    VSound sound;
    ASSERT_EQ(0, sound.Init(c.flags)) << c.flags;
    Fake().count = 0;
    EXPECT_EQ(0, sound.PlayFile("/music/song.mp3", 0)) << c.flags;
    const FakeAudioCall& init = Fake().calls[0];
    EXPECT_STREQ("Init", init.name);
    EXPECT_EQ(-1, init.args[0]) << c.flags;  // the default device
    EXPECT_EQ(c.frequency, init.args[1]) << c.flags;
    EXPECT_EQ(c.initFlags, init.args[2]) << c.flags;
    EXPECT_EQ((std::vector<std::string>{"Init", "StreamCreateFile", "Start", "StreamPlay"}), Calls());
    EXPECT_STREQ("/music/song.mp3", Fake().source);
    EXPECT_EQ(VSoundBase::kPlaying, sound.player->state);
    sound.Stop();
    EXPECT_EQ(nullptr, sound.player);
    EXPECT_STREQ("Free", Fake().calls[Fake().count - 1].name);
  }
  // Loaded once for all those players, and the temporary copy is gone.
  EXPECT_EQ("", capture.Text());
  EXPECT_EQ(0, TempFilesLeft());
}

TEST_F(SoundPlayerTest, WhatIsNotAStreamIsTriedAsModuleMusicAndAnyFailureMeansSilence) {
  InstallFake();
  VSound sound;
  ASSERT_EQ(0, sound.Init(44));
  Fake().streamHandle = 0;
  Fake().count = 0;
  EXPECT_EQ(0, sound.PlayFile("tune.mp3", 0));
  EXPECT_EQ((std::vector<std::string>{"Init", "StreamCreateFile", "MusicLoad", "Start", "MusicPlay"}),
            Calls());
  EXPECT_EQ(1, Fake().calls[2].args[3]);  // module music loads with flags 1
  EXPECT_EQ(9, Fake().calls[4].args[0]);

  // Each failing step gives 1 and no message; nothing stops the demo.
  for (int step = 0; step < 4; ++step) {
    Fake().streamHandle = 7;
    Fake().musicHandle = 9;
    Fake().initResult = step != 0;
    if (step == 1) Fake().streamHandle = Fake().musicHandle = 0;
    Fake().startResult = step != 2;
    Fake().playResult = step != 3;
    EXPECT_EQ(1, sound.PlayFile("tune.mp3", 0)) << step;
  }
  EXPECT_EQ("", capture.Text());
  EXPECT_EQ(0, capture.Records());

  // From memory: the bytes are the source, and the front frees them on Stop.
  Fake().initResult = Fake().startResult = Fake().playResult = 1;
  unsigned char* bytes = new unsigned char[16]();
  EXPECT_EQ(0, sound.PlayMemory(bytes, 16));
  EXPECT_STREQ("<memory>", Fake().source);
  EXPECT_EQ(1, Fake().calls[(Fake().count - 3) % kFakeAudioMaxCalls].args[0]);  // memory flag
  sound.Stop();
  EXPECT_EQ(nullptr, sound.memoryData);
}

TEST_F(SoundPlayerTest, AFailingPauseOrResumeIsAnErrorRecord) {
  InstallFake();
  VSound sound;
  ASSERT_EQ(0, sound.Init(44));
  ASSERT_EQ(0, sound.PlayFile("tune.mp3", 0));
  sound.Pause();
  EXPECT_EQ(VSoundBase::kPaused, sound.player->state);
  sound.Resume();
  EXPECT_EQ(VSoundBase::kPlaying, sound.player->state);
  EXPECT_EQ(0, capture.Records());
  Fake().pauseResult = 0;
  sound.Pause();
  Fake().startResult = 0;
  sound.Resume();
  ASSERT_EQ(2, capture.Records());
  EXPECT_EQ(kModuleSound, TheLog().Record(0).moduleCode);
  EXPECT_EQ(0, TheLog().Record(0).detailCode);
}

TEST_F(SoundPlayerTest, ALibraryMemberThatWillNotOpenIsNotFound) {
  // The archive's Load says 1, and no bytes, when the member's own header is
  // broken; that is no library of one byte.
  ASSERT_TRUE(WriteZip(data.PathOf("demo.dat"), {{"bass.dll", "library bytes", 0}}));
  std::string zip = data.Read("demo.dat");
  zip[zip.find("bass.dll") - 30] = 'X';  // the local header's signature
  data.Write("demo.dat", zip);
  KolData archive;
  ASSERT_EQ(0, archive.Open(kKindArchive, data.PathOf("demo.dat").c_str()));
  SetAudioLibrarySource(&archive, "bass.dll");
  VSound sound;
  EXPECT_EQ(0, sound.Init(44));
  EXPECT_EQ("KolDataUnzip::Load error\nCan't find BASS.DLL\n", capture.Text());
  EXPECT_EQ(0, TempFilesLeft());
  ResetAudioLibraryForTest();
}

TEST_F(SoundPlayerTest, AnUnwritableTemporaryFolderIsSaid) {
  InstallFake();
  setenv("TMPDIR", data.PathOf("no/such/folder").c_str(), 1);
  VSound sound;
  EXPECT_EQ(0, sound.Init(44));
  EXPECT_EQ(1, sound.PlayFile("tune.mp3", 0));
  EXPECT_EQ("Can't write BASS.DLL\n", capture.Text());
}

// The shared object's headers, in this build's word size.
using ElfHeader = std::conditional_t<sizeof(void*) == 8, Elf64_Ehdr, Elf32_Ehdr>;
using SegmentHeader = std::conditional_t<sizeof(void*) == 8, Elf64_Phdr, Elf32_Phdr>;

template <typename T>
T Get(const std::string& bytes, std::size_t at) {
  T value;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}
template <typename T>
void Put(std::string& bytes, std::size_t at, const T& value) {
  std::memcpy(&bytes[at], &value, sizeof value);
}

// The real library with the header of its last segment of `type` changed.
std::string WithSegment(std::string bytes, unsigned type,
                        void (*change)(SegmentHeader&, std::size_t fileSize)) {
  const auto header = Get<ElfHeader>(bytes, 0);
  std::size_t last = 0;
  for (std::size_t i = 0; i < header.e_phnum; ++i) {
    const std::size_t at = header.e_phoff + i * sizeof(SegmentHeader);
    if (Get<SegmentHeader>(bytes, at).p_type == type) last = at;
  }
  EXPECT_NE(0u, last) << type;
  auto segment = Get<SegmentHeader>(bytes, last);
  change(segment, bytes.size());
  Put(bytes, last, segment);
  return bytes;
}

// A missing library, or one that is no library at all, lacks operations, is
// cut short (a damaged archive, a full disk: the loader would map segments
// past the end of the file and die of SIGBUS touching them) or has headers
// pointing outside the file: silence, the one line said once, and the
// temporary copy gone.
TEST_F(SoundPlayerTest, AMissingBrokenCutOrMalformedLibraryIsSaidOnceAndLeavesNothingBehind) {
  const std::string whole = ReadFile(AUDIO_MODULE_PATH);
  ASSERT_GT(whole.size(), 2000u);
  ASSERT_EQ(0, std::memcmp(whole.data(), ELFMAG, SELFMAG));
  std::string badMagic = whole;
  badMagic[1] = 'X';
  std::string headersPastTheEnd = whole;
  auto header = Get<ElfHeader>(whole, 0);
  header.e_phoff = whole.size() - sizeof(SegmentHeader);
  Put(headersPastTheEnd, 0, header);
  std::string headersWrapAround = whole;
  header.e_phoff = ~decltype(header.e_phoff){0} - 8;
  Put(headersWrapAround, 0, header);
  const std::string loadPastTheEnd =
      WithSegment(whole, PT_LOAD, [](SegmentHeader& s, std::size_t size) {
        s.p_filesz = size - s.p_offset + 1;
        s.p_memsz = s.p_filesz;
      });
  const std::string loadWrapAround = WithSegment(whole, PT_LOAD, [](SegmentHeader& s, std::size_t) {
    s.p_filesz = ~decltype(s.p_filesz){0} - s.p_offset + 2;
  });
  const std::string dynamicPastTheEnd =
      WithSegment(whole, PT_DYNAMIC, [](SegmentHeader& s, std::size_t size) { s.p_offset = size; });

  const std::string cannotLoad = "Can't load BASS.DLL\n";
  struct Case { const char* what; std::string bytes, message; };
  for (const Case& c :
       {Case{"missing", "", "KolDataStdio::Load: file [bass.dll] not found\nCan't find BASS.DLL\n"},
        Case{"text", "this is not a library", cannotLoad},
        Case{"incomplete", ReadFile(INCOMPLETE_AUDIO_PATH), cannotLoad},
        Case{"half", whole.substr(0, whole.size() / 2), cannotLoad},
        Case{"1000 bytes", whole.substr(0, 1000), cannotLoad}, Case{"bad magic", badMagic, cannotLoad},
        Case{"headers past the end", headersPastTheEnd, cannotLoad},
        Case{"headers wrap around", headersWrapAround, cannotLoad},
        Case{"segment past the end", loadPastTheEnd, cannotLoad},
        Case{"segment wraps around", loadWrapAround, cannotLoad},
        Case{"dynamic section past the end", dynamicPastTheEnd, cannotLoad}}) {
    SCOPED_TRACE(c.what);
    FreshRun();
    if (c.bytes.empty()) std::filesystem::remove(data.PathOf("bass.dll"));
    else InstallLibrary(c.bytes);
    VSound first, second;
    EXPECT_EQ(0, first.Init(44));
    EXPECT_EQ(0, second.Init(12));  // the second player does not try again
    EXPECT_EQ(1, first.PlayFile("tune.mp3", 0));
    EXPECT_EQ(1, first.player->Stop());
    EXPECT_EQ(c.message, capture.Text());
    EXPECT_EQ(0, capture.Records());  // silence, not an error
    EXPECT_FALSE(AudioLibraryLoaded());
    EXPECT_EQ(0, TempFilesLeft());
  }

  // The whole library still loads, and its copy goes too.
  FreshRun();
  InstallLibrary(whole);
  VSound sound;
  EXPECT_EQ(0, sound.Init(44));
  EXPECT_TRUE(AudioLibraryLoaded());
  EXPECT_EQ("", capture.Text());
  EXPECT_EQ(0, TempFilesLeft());
}

// A FIFO in place of the music would hang whoever opens it, and a folder is
// no music either: each is said in one line and the demo goes on silent,
// without the library ever being handed the path.
TEST_F(SoundPlayerTest, AMusicFileThatIsNoRegularFileIsSaidAndLeftAlone) {
  InstallFake();
  const std::string fifo = data.PathOf("fifo.mp3"), folder = data.PathOf("solvane.mp3");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  ASSERT_EQ(0, mkdir(folder.c_str(), 0700));
  VSound sound;
  ASSERT_EQ(0, sound.Init(44));
  for (const std::string& path : {fifo, folder}) {
    FreshLog();
    Fake().count = 0;
    EXPECT_EQ(1, sound.PlayFile(path.c_str(), 0)) << path;
    EXPECT_EQ("Music file [" + path + "] is not a regular file\n", capture.Text());
    EXPECT_EQ(0, capture.Records());
    for (const std::string& call : Calls())
      EXPECT_TRUE(call != "StreamCreateFile" && call != "MusicLoad") << path << ": " << call;
  }
  // A music file that is simply missing is still the library's to refuse.
  FreshLog();
  EXPECT_EQ(0, sound.PlayFile(data.PathOf("missing.mp3").c_str(), 0));
  EXPECT_EQ("", capture.Text());
}

// The author tool's transport: a seek reaches the library as it was asked,
// the position is the library's music clock, paused or not.
TEST_F(SoundPlayerTest, ASeekReachesTheLibraryAndThePositionIsItsMusicClock) {
  InstallFake();
  VSound sound;
  ASSERT_EQ(0, sound.Init(44));
  EXPECT_EQ(1, sound.Seek(1000));  // nothing plays yet
  ASSERT_EQ(0, sound.PlayFile("tune.mp3", 0));
  EXPECT_TRUE(sound.HasMusicClock());
  Fake().count = 0;
  EXPECT_EQ(0, sound.Seek(12345));
  ASSERT_EQ((std::vector<std::string>{"SetPosition"}), Calls());
  EXPECT_EQ(12345, Fake().calls[0].args[0]);
  plat::headless::TheHeadless().tick += 5000;  // the tick clock is not what is read
  EXPECT_EQ(12345, sound.GetPosition());
  Fake().position = 12400;
  EXPECT_EQ(12400, sound.GetPosition());

  sound.Pause();
  EXPECT_EQ(0, sound.Seek(300));
  EXPECT_EQ(VSoundBase::kPaused, sound.player->state);
  EXPECT_EQ(300, sound.GetPosition());
  sound.Resume();
  EXPECT_EQ(VSoundBase::kPlaying, sound.player->state);

  // Refused: a negative time never reaches the library; the library's own
  // refusal is the player's.
  Fake().count = 0;
  EXPECT_EQ(1, sound.Seek(-1));
  EXPECT_EQ(0, Fake().count);
  Fake().setPositionResult = 0;
  EXPECT_EQ(1, sound.Seek(500));
  EXPECT_EQ(300, sound.GetPosition());
  // The music has ended: the clock stays where it was last heard.
  Fake().getPositionResult = 0;
  plat::headless::TheHeadless().tick += 1000;
  EXPECT_EQ(300, sound.GetPosition());
  EXPECT_EQ(0, capture.Records());
}

// A library from before seeking still loads and plays; it only has no
// music clock, and a seek answers failure without calling anything.
TEST_F(SoundPlayerTest, AnOldLibraryWithoutTransportStillPlaysAndRefusesSeeks) {
  InstallLibrary(ReadFile(OLD_FAKE_AUDIO_PATH));
  plat::headless::TheHeadless().tick = 1000;
  VSound sound;
  ASSERT_EQ(0, sound.Init(44));
  Fake().count = 0;
  ASSERT_EQ(0, sound.PlayFile("tune.mp3", 0));
  EXPECT_TRUE(AudioLibraryLoaded());
  EXPECT_EQ((std::vector<std::string>{"Init", "StreamCreateFile", "Start", "StreamPlay"}), Calls());
  EXPECT_FALSE(sound.HasMusicClock());
  EXPECT_EQ(1, sound.Seek(2000));
  EXPECT_EQ(4, Fake().count);
  plat::headless::TheHeadless().tick = 1750;
  EXPECT_EQ(750, sound.GetPosition());  // the tick clock
  sound.Pause();
  sound.Resume();
  EXPECT_STREQ("Start", Fake().calls[Fake().count - 1].name);
  EXPECT_STREQ("Pause", Fake().calls[Fake().count - 2].name);
  EXPECT_EQ("", capture.Text());
}

// A tool's data need not hold the library: the fallback file is loaded then,
// where it lies, and said; the data's own library still comes first, and a
// broken fallback is refused like a broken copy.
TEST_F(SoundPlayerTest, DataWithoutTheLibraryFallsBackToTheFileSetForIt) {
  std::filesystem::remove(data.PathOf("bass.dll"));
  SetAudioLibraryFallbackFile(FAKE_AUDIO_PATH);
  {
    VSound sound;
    ASSERT_EQ(0, sound.Init(44));
    EXPECT_TRUE(AudioLibraryLoaded());
    EXPECT_EQ(0, sound.PlayFile("tune.mp3", 0));
    EXPECT_TRUE(sound.HasMusicClock());
    EXPECT_EQ("KolDataStdio::Load: file [bass.dll] not found\nAudio library [" +
                  std::string(FAKE_AUDIO_PATH) + "]\n",
              capture.Text());
    EXPECT_EQ(0, TempFilesLeft());
  }

  // The data's library wins over the fallback.
  FreshRun();
  SetAudioLibraryFallbackFile(FAKE_AUDIO_PATH);
  InstallLibrary(ReadFile(OLD_FAKE_AUDIO_PATH));
  {
    VSound sound;
    ASSERT_EQ(0, sound.Init(44));
    EXPECT_TRUE(AudioLibraryLoaded());
    EXPECT_FALSE(sound.HasMusicClock());
  }

  // A damaged fallback is refused before the loader sees it: silence and one line.
  FreshRun();
  std::filesystem::remove(data.PathOf("bass.dll"));
  const std::string whole = ReadFile(AUDIO_MODULE_PATH);
  const std::string cut = temp.PathOf("cut.so");
  std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() / 2);
  SetAudioLibraryFallbackFile(cut);
  {
    VSound sound;
    ASSERT_EQ(0, sound.Init(44));
    EXPECT_FALSE(AudioLibraryLoaded());
    EXPECT_EQ(1, sound.PlayFile("tune.mp3", 0));
    EXPECT_EQ("KolDataStdio::Load: file [bass.dll] not found\nCan't load audio library [" + cut + "]\n",
              capture.Text());
    EXPECT_EQ(0, capture.Records());
  }
  std::filesystem::remove(cut);
}

}  // namespace
