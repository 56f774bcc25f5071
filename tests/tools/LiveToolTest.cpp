// solvane-live's parts and whole sessions on the headless backend: its clock,
// the file watch, the music rule, and the session driven by scripted keys,
// file edits and a virtual tick count.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "DemoMusic.h"
#include "FakeAudioControl.h"
#include "FileWatch.h"
#include "HeadlessControl.h"
#include "KolData.h"
#include "KolDataRecorder.h"
#include "KolLog.h"
#include "LiveClock.h"
#include "LiveOverlay.h"
#include "LiveSession.h"
#include "MusicView.h"
#include "OfflineRenderer.h"
#include "RenderOptions.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "TestSupport.h"
#include "TimelineZoom.h"
#include "ToolTestSupport.h"
#include "VDemo.h"
#include "VSound.h"
#include "VSoundBass.h"
#include "VSourceGravityParticle.h"
#include "VWindowSurface.h"

namespace {

namespace fs = std::filesystem;
using plat::headless::TheHeadless;

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(LiveClock, HoldsWhilePausedFollowsTheMusicAndGoesOnWithoutAJumpWhenItEnds) {
  LiveClock clock;
  clock.Start(0, 1000);
  EXPECT_EQ(250, clock.Now(1250, -1));        // no music: the tick count
  EXPECT_EQ(300, clock.Now(1260, 300));       // the music's position wins
  EXPECT_EQ(340, clock.Now(1300, -1));        // music gone: on from its last reading
  clock.Pause(1310, -1);
  EXPECT_TRUE(clock.Paused());
  EXPECT_EQ(350, clock.Now(5000, 9999));      // paused: neither ticks nor music move it
  clock.Seek(12500, 5000);
  EXPECT_EQ(12500, clock.Now(6000, -1));
  clock.Resume(7000);
  EXPECT_EQ(12520, clock.Now(7020, -1));
  clock.Seek(-40, 7020);
  EXPECT_EQ(0, clock.Now(7020, -1));
  clock.Start(0, 0xFFFFFFF0u);                // across the tick count's wrap
  EXPECT_EQ(32, clock.Now(0x10u, -1));
  EXPECT_EQ("12.340 0.005", SecondsText(12340) + " " + SecondsText(5));
  EXPECT_EQ("1:1 2:3", BarBeatText(0, 120) + " " + BarBeatText(3000, 120));  // beat 6: bar 2, beat 3
  OverlayState state;
  state.timeMs = 925, state.bpm = 120, state.framesPerSecond = 50;
  EXPECT_EQ("0.925 s   bar:beat 1:2   50 fps", StatusText(state));
  state.paused = true;  // no frame rate for a held picture
  EXPECT_EQ("0.925 s   bar:beat 1:2   paused", StatusText(state));
}

// Two seconds at 8 kHz: a 1 kHz sine of amplitude 0.5 (peaks on samples),
// then silence with one click of 0.9 at 1.25 s.
MusicPcm ToneThenClick() {
  MusicPcm pcm;
  pcm.rate = 8000;
  pcm.mono.assign(16000, 0.0f);
  for (int i = 0; i < 8000; ++i)
    pcm.mono[i] = static_cast<float>(0.5 * std::sin(3.14159265358979 * i / 4.0));
  pcm.mono[10000] = 0.9f;
  return pcm;
}

TEST(MusicView, WaveColumnsArePeakAndRmsOfTheirSamplesAndTheSpectrumFindsTheTone) {
  MusicView view;
  view.SetMusic(ToneThenClick());
  struct Case { double start, end; int width, column; float peak, rms; };
  for (const Case& c : std::vector<Case>{
           {0.0, 2.0, 4, 1, 0.5f, 0.5f / std::sqrt(2.0f)},  // whole periods of the tone
           {0.0, 2.0, 4, 2, 0.9f, 0.9f / std::sqrt(4000.0f)},
           {0.0, 2.0, 4, 3, 0.0f, 0.0f},
           {1.25, 1.25 + 1e-6, 1, 0, 0.9f, 0.9f},  // narrower than a sample: the one at its start
           {1.5, 3.5, 2, 1, 0.0f, 0.0f}}) {        // past the end: silent
    const WaveColumn wave = view.WaveAt(c.start, c.end, c.width, c.column);
    EXPECT_NEAR(c.peak, wave.peak, 1e-5) << c.start << " " << c.column;
    EXPECT_NEAR(c.rms, wave.rms, 1e-5) << c.start << " " << c.column;
  }
  // Columns that start between samples and mid-period, against the samples
  // read directly (times exact in binary, so no rounding decides a sample).
  const MusicPcm pcm = ToneThenClick();
  const double start = 3 / 1024.0;  // 23.4375 samples
  const std::vector<WaveColumn> columns = view.WaveColumns(start, start + 1.5, 3);
  for (int c = 0; c < 3; ++c) {
    const int from = static_cast<int>(std::floor((start + c * 0.5) * 8000));
    const int to = static_cast<int>(std::floor((start + c * 0.5 + 0.5) * 8000));
    float peak = 0;
    double squares = 0;
    for (int i = from; i < to; ++i) {
      peak = std::max(peak, std::fabs(pcm.mono[i]));
      squares += pcm.mono[i] * pcm.mono[i];
    }
    EXPECT_FLOAT_EQ(peak, columns[c].peak) << c;
    EXPECT_NEAR(std::sqrt(squares / (to - from)), columns[c].rms, 1e-6) << c;
  }
  // The tone is the loudest thing in its band, and nothing sounds in the silence.
  std::uint8_t tone[MusicView::kBands], quiet[MusicView::kBands];
  view.SpectrumAt(0.0, 2.0, 4, 0, tone);
  view.SpectrumAt(0.0, 2.0, 8, 7, quiet);
  const int loudest = static_cast<int>(std::max_element(tone, tone + MusicView::kBands) - tone);
  const double ratio = std::pow(4000.0 / 40.0, 1.0 / MusicView::kBands);
  EXPECT_EQ(255, tone[loudest]);
  EXPECT_LE(40.0 * std::pow(ratio, loudest), 1000.0);
  EXPECT_GT(40.0 * std::pow(ratio, loudest + 1), 1000.0);
  EXPECT_EQ(0, *std::max_element(quiet, quiet + MusicView::kBands));
}

TEST(TimelineZoom, HalvesFromTheWholeDemoToTwoBarsCentredOnNowInsideTheDemo) {
  const double bars = NarrowestSpan({120, 0.3});  // two bars at 120 BPM: 4 s
  EXPECT_EQ(4.0, bars);
  EXPECT_EQ(8.0, NarrowestSpan({60, 0}));
  EXPECT_EQ(4.0, NarrowestSpan({}));  // no grid: 4 s
  EXPECT_EQ(4, DeepestZoomLevel(60, bars));  // 60, 30, 15, 7.5, then 4
  struct Case { double whole; int level; double now; TimeRange seen; };
  for (const Case& c : std::vector<Case>{{60, 0, 30, {0, 60}},
                                         {60, 1, 30, {15, 45}},
                                         {60, 1, 2, {0, 30}},     // kept inside at the start
                                         {60, 1, 59, {30, 60}},   // and at the end
                                         {60, 3, 20, {16.25, 23.75}},
                                         {60, 4, 20, {18, 22}},   // two bars, not 3.75 s
                                         {60, 9, 20, {18, 22}},   // no deeper
                                         {3, 2, 1, {0, 3}}}) {    // shorter than two bars
    const TimeRange seen = ZoomedRange(c.whole, bars, c.level, c.now);
    EXPECT_EQ(c.seen.start, seen.start) << c.level << " " << c.now;
    EXPECT_EQ(c.seen.end, seen.end) << c.level << " " << c.now;
  }
}

TEST(DemoMusicRule, OwnMusicByArchiveOrDirectoryElseNoneWithANote) {
  TempDir dir;
  for (const char* name : {"show.dat", "show.mp3", "other.dat", "extra.mp3", "data/Script/Demo.txt",
                           "lone/data/Script/Demo.txt", "lone/song.mp3", "solo/data/Script/Demo.txt",
                           "solo/song.mp3", "solo/data.mp3"})
    dir.Write(name, "x");
  const auto at = [&](const std::string& name) { return name.empty() ? name : dir.PathOf(name); };
  struct Case { const char *music, *data, *program, *found; std::string note; };
  for (const Case& c : std::vector<Case>{
           {"", "show.dat", "", "show.mp3", ""},
           {"", "other.dat", "", "", dir.PathOf("other.mp3")},
           {"", "lone/data/", "", "lone/song.mp3", ""},  // a directory: the only .mp3 beside it,
           {"", "solo/data", "", "solo/data.mp3", ""},   // one named after it first,
           {"", "data", "", "", "extra.mp3, show.mp3"},  // none when several could be meant
           {"", "", "solo/", "solo/data.mp3", ""},       // the program's own data
           {"show.mp3", "", "", "show.mp3", ""},         // --music as given,
           {"solo", "", "", "", "not a regular file"}}) {  // unless it is no regular file
    const DemoMusic music = FindDemoMusic(at(c.music), at(c.data), at(c.program));
    EXPECT_EQ(at(c.found), music.path) << c.data << c.music;
    EXPECT_NE(std::string::npos, music.note.find(c.note)) << music.note;
  }
}

TEST(FileWatch, SeesEditsNewMissingAndRenamedFilesOnceTheyHaveSettled) {
  TempDir dir;
  dir.Write("a.txt", "one");
  const auto stamp = [&](const std::string& name, int seconds) {
    fs::last_write_time(dir.PathOf(name), fs::file_time_type::clock::now() + std::chrono::seconds(seconds));
  };
  FileWatch watch;
  watch.Watch({dir.PathOf("a.txt"), dir.PathOf("b.txt"), dir.Path()});
  std::string changed;
  // Told at the second look that finds it so, and once.
  const auto told = [&]() { return !watch.Changed() && watch.Changed(&changed) && !watch.Changed(); };
  EXPECT_FALSE(watch.Changed(&changed));
  dir.Write("a.txt", "two");  // same size: the time tells
  stamp("a.txt", 5);
  EXPECT_TRUE(told());
  EXPECT_EQ(dir.PathOf("a.txt"), changed);
  dir.Write("a.txt", "");     // a save that empties the file first...
  EXPECT_FALSE(watch.Changed());
  dir.Write("a.txt", "four");  // ...is told once written
  stamp("a.txt", 9);
  EXPECT_TRUE(told());
  dir.Write("b.txt", "new");  // a missing file appears
  EXPECT_TRUE(told());
  fs::remove(dir.PathOf("b.txt"));
  EXPECT_TRUE(told());
  // Saved by renaming a new file over the old one.
  dir.Write("a.tmp", "three!");
  fs::rename(dir.PathOf("a.tmp"), dir.PathOf("a.txt"));
  EXPECT_TRUE(told());
}

TEST(KolDataRecorder, RemembersEveryNameAskedForFoundOrNot) {
  TempDir dir;
  dir.Write("Script/Demo.txt", "x");
  KolData data;
  ASSERT_EQ(0, data.Open(kKindDirectory, dir.Path().c_str()));
  KolDataRecorder recorder(data.Backend());
  KolBuffer buffer;
  EXPECT_EQ(1, recorder.Load("Script\\Demo.txt", buffer));
  EXPECT_NE(0, recorder.OpenRead("Image/missing.jpg"));
  EXPECT_EQ((std::set<std::string>{"Image/missing.jpg", "Script/Demo.txt"}), recorder.NamesRead());
  EXPECT_EQ(kKindDirectory, recorder.Kind());
  EXPECT_STREQ(dir.Path().c_str(), recorder.Root());
}

class LiveSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSurfaceInputForTest();
    ResetDemoDataSourcesForTest();
    ResetProgramLocationForTest();
    ASSERT_TRUE(plat::StartHeadless());
    TheHeadless().tickStep = 0;
    TheHeadless().tick = 1000;
    for (const auto& script : kSmallDemo) dir_.Write(std::string("data/") + script[0], script[1]);
    options_.dataPath = dir_.PathOf("data");
    options_.musicPath = dir_.PathOf("no-music.mp3");  // silent: a note, no music
  }
  void TearDown() override {
    session_.reset();
    plat::Shutdown();
    ResetDemoDataSourcesForTest();
    ResetSurfaceInputForTest();
  }

  void Start() {
    testing::internal::CaptureStderr();
    session_ = std::make_unique<LiveSession>(options_, dir_.Path() + "/");
    session_->SetMusicAnalyzer(analyzer_);
    const int started = session_->Start();
    errors_ += testing::internal::GetCapturedStderr();
    ASSERT_EQ(0, started) << errors_;
  }
  // Ends this run as the process would, for another Start in the same test.
  void EndRun() {
    session_.reset();
    plat::Shutdown();
    ResetDemoDataSourcesForTest();
    ResetSurfaceInputForTest();
    ASSERT_TRUE(plat::StartHeadless());
  }
  // Lets ms of virtual time pass in steps of 5 ms, a loop pass each.
  void Advance(int ms) {
    for (int done = 0; done < ms; done += 5) {
      TheHeadless().tick += 5;
      ASSERT_TRUE(session_->Step());
    }
  }
  // Types a key (with held, as Shift, held down) and runs the loop pass that
  // handles it; what it printed.
  std::string Type(unsigned key, unsigned held = 0) {
    if (held) TheHeadless().PressKey(held);
    TheHeadless().TypeKey(key);
    if (held) TheHeadless().ReleaseKey(held);
    testing::internal::CaptureStdout();
    for (int i = 0; i < 4; ++i) session_->Step();
    return testing::internal::GetCapturedStdout();
  }
  // Column x of the last frame shown, in 0x00RRGGBB.
  std::uint32_t Shown(int x, int y = 200) const {
    const plat::headless::Frame& f = TheHeadless().lastFrame;
    return f.pixels.empty() ? 0xDEADu : f.pixels[static_cast<size_t>(y) * f.width + x] & 0xFFFFFFu;
  }
  // Rewrites a data file with a new size and a later time, so the watch sees it.
  void Edit(const std::string& name, const std::string& text) {
    dir_.Write("data/" + name, text);
    fs::last_write_time(dir_.PathOf("data/" + name),
                        fs::file_time_type::clock::now() + std::chrono::seconds(++edits_));
  }

  // Ends the session and renders its data afresh with solvane-render at time
  // (as --frame takes it): the pixels where that differs from the last frame
  // shown, -1 when either picture is missing.
  long DifferingFromRender(const char* time) {
    const plat::headless::Frame shown = TheHeadless().lastFrame;
    session_.reset();
    plat::Shutdown();
    ResetParticlesForTest();  // a new process starts at the generator's seed
    ResetDemoDataSourcesForTest();
    RenderOptions render;
    render.dataPath = options_.dataPath;
    render.framePath = dir_.PathOf("frame.png");
    render.frameTime = std::strtod(time, nullptr);
    testing::internal::CaptureStdout();
    const int rendered = RunOfflineRenderer(render, dir_.Path() + "/");
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(plat::StartHeadless());  // for TearDown
    int width = 0, height = 0;
    const std::vector<std::uint32_t> pixels = ReadPngPixels(render.framePath, width, height);
    if (rendered != 0 || pixels.empty() || pixels.size() != shown.pixels.size()) return -1;
    long differing = 0;
    for (size_t i = 0; i < pixels.size(); ++i) differing += (shown.pixels[i] & 0xFFFFFFu) != pixels[i];
    return differing;
  }

  LogCapture capture_;
  TempDir dir_;
  LiveOptions options_;
  LiveMusic::Analyzer analyzer_;
  std::unique_ptr<LiveSession> session_;
  std::string errors_;
  int edits_ = 0;
};

TEST_F(LiveSessionTest, AnEditReloadsAtTheSameTimeAndABrokenOneKeepsTheLastGoodDemo) {
  TheHeadless().foreignWindowClasses["VSurface"] = "solvane";  // the viewer plays it too
  Start();
  EXPECT_NE(std::string::npos, errors_.find("no music: --music")) << errors_;
  // The renderer's warnings, from the same diagnostics.
  EXPECT_NE(std::string::npos, errors_.find("warning: the data holds no \"bass.dll\"")) << errors_;
  EXPECT_TRUE(session_->ErrorLines().empty());
  // Every file the set-up read is watched, with the folders they lie in.
  for (const char* name : {"data", "data/Script/Demo.txt", "data/Script/Effect/Bar.txt",
                           "data/Script/Float/Half.txt", "data/Script/Texture/Green.txt",
                           "data/Script/Effect"})
    EXPECT_TRUE(session_->Watches(dir_.PathOf(name))) << name;
  Advance(500);
  EXPECT_EQ(500, session_->TimeMs());
  EXPECT_EQ(0xFFFFFFu, Shown(320));  // the bar
  EXPECT_EQ(0x000000u, Shown(100));
  const VDemo* first = session_->Demo();

  // A wider bar: the new demo takes over at the same time.
  Edit("Script/Float/Half.txt", "0 : 0.75 ;");
  Advance(150);
  EXPECT_EQ(1, session_->Reloads());
  EXPECT_NE(first, session_->Demo());
  EXPECT_EQ(650, session_->TimeMs());
  EXPECT_EQ(0xFFFFFFu, Shown(100));
  EXPECT_TRUE(session_->ErrorLines().empty());

  // A misspelt kind: the set-up fails, the wider bar stays, the error shows.
  const VDemo* good = session_->Demo();
  testing::internal::CaptureStderr();
  Edit("Script/Effect/Bar.txt", "Alpha = One; Add = Zero; EndEfect: Fade = One; Size = Half;");
  Advance(150);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(2, session_->Reloads());
  EXPECT_EQ(good, session_->Demo());
  ASSERT_FALSE(session_->ErrorLines().empty());
  EXPECT_NE(std::string::npos, said.find("the last good demo goes on")) << said;
  EXPECT_NE(std::string::npos, said.find("Script/Effect/Bar.txt")) << said;
  EXPECT_EQ(said.find("hint: "), said.rfind("hint: ")) << said;  // the hint said once
  EXPECT_EQ(0xFFFFFFu, Shown(100));        // still the good demo's picture...
  // ...under the error's band: the hint wrapped within the picture, the
  // demo's own line dimmed under it.
  int top = 470, right = 0;
  while (Shown(3, top - 1) == 0x801010) --top;
  std::vector<std::uint32_t> ink;
  for (int y = top; y < 479; ++y)
    for (int x = 0; x < 640; ++x)
      if (Shown(x, y) != 0x801010) ink.push_back(Shown(x, y)), right = std::max(right, x);
  EXPECT_LT(right, 634);
  EXPECT_EQ(0xFFFFFFu, ink.front());
  EXPECT_EQ(0xA0A0A0u, ink.back());
  EXPECT_EQ(800, session_->TimeMs());      // and time went on

  // Fixed: the error goes, the narrower bar comes.
  testing::internal::CaptureStderr();
  Edit("Script/Effect/Bar.txt", "Alpha = One; Add = Zero; EndEffect: Fade = One; Size = Half ;");
  Edit("Script/Float/Half.txt", "0 : 0.5 ;");
  Advance(150);
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("fixed"));
  EXPECT_TRUE(session_->ErrorLines().empty());
  EXPECT_EQ(0x000000u, Shown(100));
  EXPECT_EQ(0x000000u, Shown(10, 470));
}

TEST_F(LiveSessionTest, TransportKeysMoveByBeatsBarsAndPagesAndTheLoopWrapsAround) {
  options_.bpm = 120;  // a beat is 500 ms
  options_.fromMs = 925;
  Start();
  EXPECT_EQ(925, session_->TimeMs());
  EXPECT_EQ("paused at 0.925\n", Type(plat::kKeySpace));
  Advance(300);
  EXPECT_EQ(925, session_->TimeMs());
  // Left and Right go to the beat grid's lines, with Shift to the bars'.
  struct Step { unsigned key, held; const char* said; };
  const unsigned shift = plat::kKeyShift;
  for (const Step& step : std::vector<Step>{{plat::kKeyRight, 0, "1.000"},
                                            {plat::kKeyRight, 0, "1.500"},
                                            {plat::kKeyRight, shift, "2.000"},
                                            {plat::kKeyRight, shift, "4.000"},
                                            {plat::kKeyLeft, 0, "3.500"},
                                            {plat::kKeyPageDown, 0, "13.500"},
                                            {plat::kKeyPageUp, 0, "3.500"},
                                            {plat::kKeyPageUp, 0, "0.000"},  // not before the start
                                            {plat::kKeyHome, 0, "0.925"},
                                            {plat::kKeyLeft, 0, "0.500"},
                                            {plat::kKeyLeft, shift, "0.000"},
                                            {plat::kKeyHome, 0, "0.925"}})
    EXPECT_EQ(std::string("paused at ") + step.said + "\n", Type(step.key, step.held));
  EXPECT_EQ("0.925 : 1 ;\n", Type('K'));  // a key line to paste into a track
  EXPECT_EQ("playing from 0.925\n", Type(plat::kKeySpace));
  Advance(275);
  EXPECT_EQ(1200, session_->TimeMs());

  // Loop in at 1.2 s, out at 1.7 s, on: playing wraps from 1.7 back to 1.2.
  EXPECT_EQ("loop in at 1.200\n", Type(plat::kKeyOpenBracket));
  Advance(500);
  EXPECT_EQ("loop out at 1.700\n", Type(plat::kKeyCloseBracket));
  EXPECT_EQ("loop 1.200 - 1.700 on\n", Type('L'));
  int lowest = 1 << 30, highest = 0;
  for (int i = 0; i < 300; ++i) {
    Advance(5);
    lowest = std::min(lowest, session_->TimeMs());
    highest = std::max(highest, session_->TimeMs());
  }
  EXPECT_EQ(1200, lowest);
  EXPECT_LT(highest, 1700);
  EXPECT_EQ("loop 1.200 - 1.700 off\n", Type('L'));
  Advance(600);
  EXPECT_GE(session_->TimeMs(), 1700);

  // The demo's end (3 s) holds the picture there, though time passes
  // between readings of the clock; Space plays again from --from.
  TheHeadless().tickStep = 1;
  Advance(2000);
  EXPECT_TRUE(session_->Paused());
  EXPECT_EQ(3000, session_->TimeMs());
  EXPECT_EQ("playing from 0.925\n", Type(plat::kKeySpace));
  EXPECT_FALSE(session_->Paused());

  // Tab: the timeline over the picture; Escape quits.
  const std::uint32_t before = Shown(300, 440);
  Type(plat::kKeyTab);
  EXPECT_TRUE(session_->TimelineShown());
  EXPECT_NE(before, Shown(300, 440));
  TheHeadless().TypeKey(plat::kKeyEscape);
  EXPECT_FALSE(session_->Step());
}

TEST_F(LiveSessionTest, ThePausedPictureIsTheRenderersFrameAtThePrintedTime) {
  // The bundled demo, particles and all: after playing from 0 with frames at
  // whatever times the loop met, the paused picture must still be the one a
  // fresh run of solvane-render gives at the time printed.
  options_.dataPath = BUNDLED_DATA_DIR;
  Start();
  Advance(12345);
  const std::string said = Type(plat::kKeySpace);
  ASSERT_EQ("paused at 12.345\n", said);
  ASSERT_TRUE(session_->Paused());
  EXPECT_EQ(0, DifferingFromRender("12.345"));
}

TEST_F(LiveSessionTest, RecordedKeysSnapToTheGridAreReplacedDeletedUndoneAndShownAtOnce) {
  options_.bpm = 120;  // quarter beats of 125 ms
  options_.fromMs = 500;
  options_.recordTrack = "Half";  // the bar's width
  Start();
  const auto track = [&]() { return FileBytes(dir_.PathOf("data/Script/Float/Half.txt")); };
  // A value typed, then the key that acts on it; what both printed.
  const auto typed = [&](const std::string& value, unsigned key, unsigned held = 0) {
    std::string said;
    for (const char c : value)
      said += Type(c == '-' ? plat::kKeyMinus : c == '.' ? plat::kKeyPeriod : static_cast<unsigned>(c));
    return said + Type(key, held);
  };
  EXPECT_EQ("paused at 0.500\n", Type(plat::kKeySpace));
  EXPECT_EQ(0x000000u, Shown(100));
  // 0.75 on the beat: written, reloaded and shown at once, the bar wider.
  std::string said = typed("0.75", plat::kKeyReturn);
  EXPECT_NE(std::string::npos, said.find("Script/Float/Half.txt: 0.500 : 0.75 ;\n")) << said;
  EXPECT_EQ(1, session_->Reloads());
  EXPECT_EQ(0xFFFFFFu, Shown(100));
  const std::string first = "0 : 0.5 ;\n0.500 : 0.75 ;";
  EXPECT_EQ(first, track());
  // Tab: the keys as points on the track's curve, the later and higher one
  // above the first (the axis is the demo's 3 s over the 628 pixels from x 6).
  Type(plat::kKeyTab);
  const auto topOf = [&](int x, std::uint32_t color) {
    int y = 0;
    while (y < 479 && Shown(x, y) != color) ++y;
    return y;
  };
  EXPECT_LT(topOf(113, 0xFF8040), topOf(8, 0xFF8040));
  EXPECT_LT(topOf(300, 0x40E0FF), 479);
  Type(plat::kKeyTab);
  Type(plat::kKeySpace);
  Advance(560);  // 1.060 s: keys go to the quarter beat at 1.000
  struct Step { std::string value; unsigned key, held; std::string file; };
  for (const Step& step : std::vector<Step>{
           {"-.5", plat::kKeyReturn, 0, first + "\n1.000 : -0.5 ;"},
           {"2", plat::kKeyReturn, 0, first + "\n1.000 : 2 ;"},  // replaced
           {"", plat::kKeyDelete, 0, first},
           {"", 'Z', plat::kKeyControl, first + "\n1.000 : 2 ;"},
           {"", 'Z', plat::kKeyControl, first + "\n1.000 : -0.5 ;"},
           {"", 'Z', plat::kKeyControl, first}}) {
    said = typed(step.value, step.key, step.held);
    EXPECT_EQ(step.file, track()) << said;
  }
  EXPECT_EQ(7, session_->Reloads());
  // The picture at the key's time is the renderer's with the new value.
  Type(plat::kKeyHome);
  Type(plat::kKeySpace);
  EXPECT_EQ(0, DifferingFromRender("0.5"));
}

TEST_F(LiveSessionTest, WithoutAGridKeysGoToTheMillisecondAndANewTrackIsMadeAndUndone) {
  options_.fromMs = 1234;
  options_.recordTrack = "Fresh";
  Start();
  EXPECT_NE(std::string::npos, errors_.find("no effect script names the track Fresh yet")) << errors_;
  Type(plat::kKeySpace);
  // While recording - is the value's sign; Shift+- is left to the zoom.
  Type(plat::kKeyMinus, plat::kKeyShift);
  std::string said;
  for (const unsigned key : {plat::kKeyMinus, unsigned{'3'}, plat::kKeyReturn}) said += Type(key);
  EXPECT_NE(std::string::npos, said.find("Fresh.txt: 1.234 : -3 ;\n")) << said;
  EXPECT_NE(std::string::npos, said.find("\"Alpha = Fresh ;\"")) << said;
  EXPECT_EQ("1.234 : -3 ;\n", FileBytes(dir_.PathOf("data/Script/Float/Fresh.txt")));
  Type('Z', plat::kKeyControl);
  EXPECT_FALSE(fs::exists(dir_.PathOf("data/Script/Float/Fresh.txt")));
}

TEST_F(LiveSessionTest, ThePictureFollowsTheMusicAndEverySeekReachesTheAudioLibrary) {
  dir_.Write("data/Script/Demo.txt", "0 - 2 Bar;\n1 - 30 Green;\n");
  dir_.Write("data/bass.dll", FileBytes(FAKE_AUDIO_PATH));
  dir_.Write("song.mp3", "the fake library decodes nothing");
  options_.musicPath = dir_.PathOf("song.mp3");
  Start();
  ASSERT_TRUE(TheSound().HasMusicClock());
  using ControlFunction = FakeAudioControl* (*)();
  const auto control = reinterpret_cast<ControlFunction>(
      plat::FindLibrarySymbol(AudioLibraryForTest(), "FakeAudio_Control"));
  ASSERT_NE(nullptr, control);
  FakeAudioControl& fake = *control();
  const auto last = [&]() { return std::string(fake.calls[fake.count - 1].name); };

  // The music's position is the picture's time, whatever the ticks say.
  fake.position = 4321;
  Advance(100);
  EXPECT_EQ(4321, session_->TimeMs());
  fake.count = 0;
  Type(plat::kKeyPageDown);
  EXPECT_EQ("SetPosition", last());
  EXPECT_EQ(14321, fake.calls[fake.count - 1].args[0]);
  EXPECT_EQ(14321, session_->TimeMs());
  EXPECT_EQ("paused at 14.321\n", Type(plat::kKeySpace));
  EXPECT_EQ("Pause", last());
  // The music ran on a little after the pause; it resumes where the picture stands.
  fake.position = 14360;
  fake.count = 0;
  EXPECT_EQ("playing from 14.321\n", Type(plat::kKeySpace));
  ASSERT_EQ(2, fake.count);
  EXPECT_STREQ("SetPosition", fake.calls[0].name);
  EXPECT_EQ(14321, fake.calls[0].args[0]);
  EXPECT_STREQ("Start", fake.calls[1].name);
  Type(plat::kKeyHome);
  EXPECT_EQ(0, fake.calls[fake.count - 1].args[0]);
  session_->Finish();
}

TEST_F(LiveSessionTest, TheMusicsBeatIsFoundInTheBackgroundUnlessBpmOrBeatOffsetSayOtherwise) {
  dir_.Write("data/Script/Demo.txt", "0 - 2 Bar;\n1 - 30 Green;\n");
  dir_.Write("song.mp3", "decoded by the test's own analyzer");
  options_.musicPath = dir_.PathOf("song.mp3");
  int analysed = 0;
  analyzer_ = [&](const std::string& path, MusicPcm& pcm, MusicBeat& beat, std::string&) {
    ++analysed;
    EXPECT_EQ(options_.musicPath, path);
    pcm = ToneThenClick();
    beat.bpm = 128, beat.firstBeat = 0.35;
    return true;
  };
  const std::string found =
      "solvane-live: 128.00 BPM, first beat at 0.350 s (from the music; --bpm overrides)\n";
  struct Case { double bpm, offset; BeatGrid grid; bool told; };
  for (const Case& c : std::vector<Case>{{0, -1, {128, 0.35}, true},
                                         {0, 0.1, {128, 0.1}, true},  // the offset only
                                         {100, 0.2, {100, 0.2}, false},
                                         {100, -1, {100, 0}, false}}) {
    if (session_) EndRun();  // each case a fresh run
    options_.bpm = c.bpm, options_.beatOffset = c.offset;
    Start();
    EXPECT_EQ(c.bpm, session_->Grid().bpm);  // the options' grid until the music is known
    session_->WaitForMusic();
    testing::internal::CaptureStdout();
    Advance(100);
    EXPECT_EQ(c.told ? found : "", testing::internal::GetCapturedStdout()) << c.bpm << " " << c.offset;
    EXPECT_EQ(c.grid.bpm, session_->Grid().bpm);
    EXPECT_EQ(c.grid.offsetSeconds, session_->Grid().offsetSeconds);
  }
  EXPECT_EQ(4, analysed);

  // The last grid (100 BPM from 0) steps as --bpm always did; the detected
  // one steps from its first beat, lines before it down to the start.
  session_->WaitForMusic();
  Type(plat::kKeySpace);
  EXPECT_EQ("paused at 0.600\n", Type(plat::kKeyRight));
  options_.bpm = 0, options_.beatOffset = -1;
  EndRun();
  Start();
  session_->WaitForMusic();
  Type(plat::kKeySpace);  // paused at 0, the music taken on this pass
  struct Step { unsigned key; bool shift; const char* said; };
  for (const Step& step : std::vector<Step>{{plat::kKeyRight, false, "0.350"},
                                            {plat::kKeyRight, false, "0.819"},  // 60 / 128 s a beat
                                            {plat::kKeyRight, true, "2.225"},   // a bar from the first beat
                                            {plat::kKeyLeft, false, "1.756"},
                                            {plat::kKeyHome, false, "0.000"},
                                            {plat::kKeyRight, true, "0.350"},
                                            {plat::kKeyLeft, false, "0.000"}})
    EXPECT_EQ(std::string("paused at ") + step.said + "\n",
              Type(step.key, step.shift ? plat::kKeyShift : 0));

  // + and - zoom the timeline (30 s; two bars at 128 BPM are 3.75 s) around
  // the current time; the music shows under it.
  Type(plat::kKeyPageDown);
  Type(plat::kKeyTab);
  const auto inked = [] {
    int count = 0;
    for (std::uint32_t p : TheHeadless().lastFrame.pixels) count += (p & 0xFFFFFF) == 0x80B4E0;  // RMS
    return count;
  };
  EXPECT_GT(inked(), 0);
  EXPECT_TRUE((TimeRange{0, 30}) == session_->TimelineView());
  Type(plat::kKeyPlus);
  EXPECT_TRUE((TimeRange{2.5, 17.5}) == session_->TimelineView());
  for (int i = 0; i < 5; ++i) Type(plat::kKeyNumpadPlus);
  EXPECT_TRUE((TimeRange{8.125, 11.875}) == session_->TimelineView());
  Type(plat::kKeyNumpadMinus);
  Type(plat::kKeyMinus);
  EXPECT_TRUE((TimeRange{2.5, 17.5}) == session_->TimelineView());

  // The tools' own decoder, through the audio library beside the program, on
  // the bundled song (120 BPM from its start); the fake library plays it.
  EndRun();
  dir_.Write("data/bass.dll", FileBytes(FAKE_AUDIO_PATH));
  dir_.Write(fs::path(AUDIO_MODULE_PATH).filename().string(), FileBytes(AUDIO_MODULE_PATH));
  options_.musicPath = BUNDLED_MUSIC_PATH;
  options_.bpm = 0, options_.beatOffset = -1;
  analyzer_ = LiveMusic::DecodingAnalyzer(dir_.PathOf(fs::path(AUDIO_MODULE_PATH).filename().string()));
  Start();
  session_->WaitForMusic();
  testing::internal::CaptureStdout();
  Advance(20);
  const std::string said = testing::internal::GetCapturedStdout();
  double first = 1;
  EXPECT_EQ(1, std::sscanf(said.c_str(),
                           "solvane-live: 120.00 BPM, first beat at %lf s (from the music", &first))
      << said;
  EXPECT_NEAR(0.0, first, 0.005) << said;
  EXPECT_NEAR(120, session_->Grid().bpm, 0.005);
}

}  // namespace
