#include "LiveSession.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

#include "DemoMusic.h"
#include "KolData.h"
#include "KolDataRecorder.h"
#include "KolLog.h"
#include "KolText.h"
#include "LiveOverlay.h"
#include "Platform.h"
#include "VSound.h"
#include "VSourceGravityParticle.h"
#include "VWindowSurface.h"

namespace {

constexpr int kFrameInterval = 20;     // ms; frames come strictly more than this apart, as in the demo
// ms between looks at the watched files: a change is reloaded at the second
// look that finds it, so a save shows within two of these and a frame.
constexpr std::uint32_t kWatchInterval = 50;
constexpr int kPageMs = 10000;
constexpr int kBeatsPerBar = 4;
constexpr size_t kErrorLinesShown = 6;

LiveSession* gSession = nullptr;
plat::WindowProc gSurfaceProcedure = nullptr;

// Transport keys go to the session; everything else (the close box, painting)
// to the surface window's own procedure.
std::intptr_t PLAT_CALLBACK LiveWindowProcedure(plat::WindowHandle window, unsigned message,
                                  std::uintptr_t wParam, std::intptr_t lParam) {
  if (message == plat::kMsgKeyDown && gSession) {
    gSession->KeyDown(static_cast<unsigned>(wParam));
    return 0;
  }
  if (message == plat::kMsgKeyUp) return 0;
  return plat::CallWindowProcedure(gSurfaceProcedure, window, message, wParam, lParam);
}

std::string ParentOf(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

}  // namespace

LiveSession::LiveSession(const LiveOptions& options, const std::string& programDirectory)
    : options_(options),
      programDirectory_(programDirectory),
      analyzer_(LiveMusic::DecodingAnalyzer(programDirectory + SOLVANE_AUDIO_MODULE_FILE)) {
  if (options_.loop) {
    loop_ = true;
    loopInMs_ = options_.loopInMs;
    loopOutMs_ = options_.loopOutMs;
  }
}

LiveSession::~LiveSession() {
  if (gSession == this) gSession = nullptr;
}

int LiveSession::Run() {
  if (const int failed = Start()) return failed;
  while (Step()) Wait();
  Finish();
  return 0;
}

int LiveSession::Start() {
  TheLog().SetEcho(true);
  const DemoMusic music = FindDemoMusic(options_.musicPath, options_.dataPath, programDirectory_);
  musicPath_ = music.path;
  if (!music.note.empty()) std::fprintf(errors_, "solvane-live: %s\n", music.note.c_str());

  demo_ = std::make_unique<VDemo>();
  const bool ok = SetUp(*demo_, true);
  if (!demo_->surface || !CurrentSurface()) {
    std::fprintf(errors_, "solvane-live: %s\n",
                 demo_->abandoned ? "no data to play (see above)" : "the window could not be made");
    return 1;
  }
  auto* window = dynamic_cast<VWindowSurface*>(demo_->surface.get());
  if (!window || !window->Window()) {
    std::fprintf(errors_, "solvane-live: the window could not be made\n");
    return 1;
  }
  if (!options_.recordTrack.empty())
    if (const int refused = StartRecording()) return refused;
  gSession = this;
  gSurfaceProcedure = plat::SubclassWindow(window->Window(), LiveWindowProcedure);
  good_ = ok;
  ShowSetupResult(ok);

  // The audio library comes from the demo's data, as in the demo; a demo
  // without one is played with the library built beside this tool.
  SetAudioLibraryFallbackFile(programDirectory_ + SOLVANE_AUDIO_MODULE_FILE);
  if (!musicPath_.empty()) {
    TheSound().Init(kSoundFlagStereo | kSoundFlagOn | kSoundFlag44100);
    musicPlaying_ = TheSound().PlayFile(musicPath_.c_str(), 0) == 0;
    musicClock_ = musicPlaying_ && TheSound().HasMusicClock();
    if (!musicPlaying_)
      std::fprintf(errors_, "solvane-live: the music %s does not play; the demo runs silent\n",
                   musicPath_.c_str());
    else if (!musicClock_)
      std::fprintf(errors_,
                   "solvane-live: this audio library cannot seek; the picture keeps its own "
                   "time and the music plays on from its start\n");
  }
  music_.Start(options_, musicPath_, analyzer_);
  clock_.Start(0, plat::TickCount());
  if (options_.fromMs > 0) SeekTo(options_.fromMs);
  return 0;
}

int LiveSession::StartRecording() {
  const KolDataSource* source = TheInputDataSource().Backend();
  const std::string root = source && source->Root() ? source->Root() : "";
  if (!source || (source->Kind() & kKindMask) != kKindDirectory) {
    std::fprintf(errors_,
                 "solvane-live: --record writes Script/Float/%s.txt into a data directory, and "
                 "%s is an archive: give the data directory with --data DIR\n",
                 options_.recordTrack.c_str(), root.c_str());
    return 2;
  }
  recorder_ = std::make_unique<KeyRecorder>(root, options_.recordTrack, options_.quantize);
  std::string error;
  if (!recorder_->Read(error))
    std::fprintf(errors_, "solvane-live: %s; fix it, then record\n", error.c_str());
  else if (!watch_.Watches(recorder_->Path()))
    std::fprintf(errors_,
                 "solvane-live: no effect script names the track %s yet: the demo reads %s once "
                 "one in Script/Effect/ does, as in \"Alpha = %s ;\"\n",
                 options_.recordTrack.c_str(), recorder_->TrackName().c_str(),
                 options_.recordTrack.c_str());
  return 0;
}

bool LiveSession::SetUp(VDemo& demo, bool first) {
  KolLog& log = TheLog();
  // Each set-up is judged by its own records and reports its own first
  // script error.
  log.ForgetRecords();
  ForgetReportedTextError();
  diagnostics_.Begin();
  const auto started = std::chrono::steady_clock::now();

  demo.displayMode = options_.fullScreen ? kDisplayFullScreenExclusive : kDisplayWindowed;
  // Beside the viewer, which may play the same demo while it is edited.
  demo.windowClass = VWindowSurface::kLiveClassName;
  demo.soundMode = kSoundNone;
  std::string archive, directory;
  if (options_.dataPath.empty()) {
    archive = programDirectory_ + "solvane.dat";
    directory = programDirectory_ + "data";
  } else {
    std::error_code ec;
    (std::filesystem::is_directory(options_.dataPath, ec) ? directory : archive) = options_.dataPath;
  }
  demo.SetDataLocation(archive, directory);

  std::set<std::string> names;
  const bool opened = demo.OpenData();
  bool ok = opened;
  if (ok) {
    if (first) demo.CreateSurface();
    // Every file the scripts ask for, found or not, is watched afterwards.
    KolDataSource* input = DefaultLoadSource();
    KolDataRecorder recorder(input);
    SetDefaultLoadSource(&recorder);
    {
      KolText lexer;
      ok = demo.LoadScripts(lexer);
    }
    SetDefaultLoadSource(input);
    names = recorder.NamesRead();
  }
  ok = ok && log.RecordCount() == 0;
  lastSetupMs_ =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  diagnostics_.End(opened ? DefaultLoadSource() : nullptr);
  if (ok) diagnostics_.CheckTime("--from", options_.fromMs / 1000.0, demo.endTime);

  // What to watch: the archive itself, or the data directory, the files read
  // from it and the folders they lie in (an editor that saves by renaming, or
  // a file that appears, shows there).
  std::set<std::string> paths;
  if (!archive.empty()) paths.insert(archive);
  if (!directory.empty()) paths.insert(directory);
  const KolDataSource* source = TheInputDataSource().Backend();
  if (source && (source->Kind() & kKindMask) == kKindDirectory) {
    const std::string root = source->Root();
    for (const std::string& name : names) {
      std::string path = root.empty() ? name : root + "/" + name;
      paths.insert(path);
      for (std::string dir = ParentOf(path); dir.size() > root.size(); dir = ParentOf(dir))
        paths.insert(dir);
    }
  }
  watch_.Watch(paths);
  return ok;
}

void LiveSession::ShowSetupResult(bool ok) {
  diagnostics_.Print(errors_);
  errorLines_.clear();
  if (ok) return;
  // The hints first: they say where the error really is; then the demo's own
  // line, as the log has it.
  for (const std::string& line : diagnostics_.Lines()) {
    if (errorLines_.size() + 1 >= kErrorLinesShown) break;
    if (line.rfind("hint: ", 0) == 0) errorLines_.push_back(line);
  }
  const KolLog& log = TheLog();
  std::string own = log.RecordCount() > 0 ? log.Record(0).text
                    : demo_ && demo_->abandoned ? "no data: see the lines above"
                                                : "the set-up failed";
  while (!own.empty() && (own.back() == '\n' || own.back() == '\r')) own.pop_back();
  errorLines_.push_back(own);
  // The hints are on stderr already; the demo's own line went to stdout only.
  std::fprintf(errors_, "solvane-live: %s; the last good demo goes on until this is fixed\n",
               own.c_str());
}

bool LiveSession::Reload() {
  ++reloads_;
  auto next = std::make_unique<VDemo>();
  const bool ok = SetUp(*next, false);
  if (ok) {
    // The surface on screen goes to the new demo; the old one, with every
    // effect it read, goes.
    next->surface = std::move(demo_->surface);
    demo_ = std::move(next);
    const bool wasBroken = !good_ || !errorLines_.empty();
    good_ = true;
    Replay();
    if (wasBroken) std::fprintf(errors_, "solvane-live: fixed\n");
    std::fprintf(out_, "solvane-live: reloaded in %.1f ms\n", lastSetupMs_);
  }
  ShowSetupResult(ok);
  std::fflush(out_);
  redraw_ = true;
  return ok;
}

void LiveSession::Replay() {
  if (!good_) return;
  RestartRandomGenerator();
  for (VList::Node* n = demo_->effects.First(); n != demo_->effects.End(); n = n->next)
    n->element->Prepare();
}

int LiveSession::MusicMs() {
  if (!musicPlaying_ || !musicClock_) return -1;
  int ms = 0;
  return TheSound().MusicPosition(ms) ? ms : -1;
}

int LiveSession::TimeMs() { return clock_.Now(plat::TickCount(), MusicMs()); }

void LiveSession::StepToGrid(int direction, int beats) {
  // Grid line k lies at k steps, rounded to the millisecond as every time
  // here is; from between two lines a step goes to the nearer one on that side.
  // Lines before the grid's first one count too, down to the start.
  const BeatGrid& grid = music_.Grid();
  const double step = beats * (grid.bpm > 0.0 ? 60000.0 / grid.bpm : 1000.0);
  const double origin = grid.bpm > 0.0 ? grid.offsetSeconds * 1000.0 : 0.0;
  const int now = TimeMs();
  const auto at = [step, origin](long long k) {
    return static_cast<int>(std::llround(origin + k * step));
  };
  long long k = static_cast<long long>(std::floor((now - origin) / step));
  if (direction > 0) {
    while (at(k) <= now) ++k;
  } else {
    while (at(k) > 0 && at(k) >= now) --k;
  }
  SeekTo(std::max(at(k), 0));
}

void LiveSession::PrintTime(const char* what, int ms) {
  std::fprintf(out_, "%s %s\n", what, SecondsText(ms).c_str());
  std::fflush(out_);
}

void LiveSession::MusicTo(int ms) {
  if (musicPath_.empty() || !musicClock_) return;
  // Music that has ended (or was seeked past its end) starts again first.
  if (!musicPlaying_ || TheSound().Seek(ms) != 0) {
    musicPlaying_ = TheSound().PlayFile(musicPath_.c_str(), 0) == 0 && TheSound().Seek(ms) == 0;
    if (musicPlaying_ && Paused()) TheSound().Pause();
  }
}

void LiveSession::SeekTo(int ms) {
  ms = std::max(ms, 0);
  clock_.Seek(ms, plat::TickCount());
  MusicTo(ms);
  Replay();
  redraw_ = true;
  if (Paused()) PrintTime("paused at", ms);
}

void LiveSession::TogglePause() {
  const std::uint32_t tick = plat::TickCount();
  if (!Paused()) {
    clock_.Pause(tick, MusicMs());
    if (musicPlaying_) TheSound().Pause();
    // A paused picture is the one a fresh render at that time gives.
    Replay();
    PrintTime("paused at", clock_.Now(tick, -1));
  } else {
    const int endMs = good_ ? demo_->endTime * 1000 : 0;
    int at = clock_.Now(tick, -1);
    if (endMs > 0 && at >= endMs && !loop_) {
      at = options_.fromMs;
      clock_.Seek(at, tick);
      Replay();
    }
    // The music may have run on by a buffer after the pause: it resumes
    // exactly where the picture stands.
    MusicTo(at);
    clock_.Resume(tick);
    if (musicPlaying_) TheSound().Resume();
    PrintTime("playing from", at);
  }
  redraw_ = true;
}

void LiveSession::KeyDown(unsigned key) {
  if (recorder_ && recorder_->KeyDown(key, plat::KeyIsDown(plat::kKeyControl), TimeMs(),
                                      music_.Grid(), out_, errors_)) {
    // Shown at once, not at the watch's next look.
    if (recorder_->TakeSaved()) Reload();
    redraw_ = true;
    return;
  }
  const bool shift = plat::KeyIsDown(plat::kKeyShift);
  switch (key) {
    case plat::kKeyEscape: quit_ = true; return;
    case plat::kKeySpace: TogglePause(); return;
    case plat::kKeyLeft: StepToGrid(-1, shift ? kBeatsPerBar : 1); return;
    case plat::kKeyRight: StepToGrid(1, shift ? kBeatsPerBar : 1); return;
    case plat::kKeyPageUp: StepBy(-kPageMs); return;
    case plat::kKeyPageDown: StepBy(kPageMs); return;
    case plat::kKeyHome: SeekTo(options_.fromMs); return;
    case plat::kKeyTab:
      timeline_ = !timeline_;
      redraw_ = true;
      return;
    case plat::kKeyPlus:
    case plat::kKeyNumpadPlus:
    case plat::kKeyMinus:
    case plat::kKeyNumpadMinus:
      music_.Zoom(key == plat::kKeyPlus || key == plat::kKeyNumpadPlus ? 1 : -1,
                  good_ ? demo_->endTime : 0);
      redraw_ = true;
      return;
    case plat::kKeyOpenBracket:
      loopInMs_ = TimeMs();
      PrintTime("loop in at", loopInMs_);
      redraw_ = true;
      return;
    case plat::kKeyCloseBracket:
      loopOutMs_ = TimeMs();
      PrintTime("loop out at", loopOutMs_);
      redraw_ = true;
      return;
    default: break;
  }
  if (key == 'L') {
    if (loopOutMs_ <= loopInMs_) {
      std::fprintf(out_, "loop: set its in ([) before its out (])\n");
    } else {
      loop_ = !loop_;
      std::fprintf(out_, "loop %s - %s %s\n", SecondsText(loopInMs_).c_str(),
                  SecondsText(loopOutMs_).c_str(), loop_ ? "on" : "off");
    }
    std::fflush(out_);
    redraw_ = true;
  } else if (key >= plat::kKeyA && key <= plat::kKeyZ) {
    // A key line for a track, to paste and edit: the value is the author's to set.
    std::fprintf(out_, "%s : 1 ;\n", SecondsText(TimeMs()).c_str());
    std::fflush(out_);
  }
}

bool LiveSession::Step() {
  plat::Message message;
  while (plat::PeekAppMessage(message, true)) {
    if (message.message == plat::kMsgQuit) break;
    plat::TranslateAppMessage(message);
    plat::DispatchAppMessage(message);
  }
  if (quit_ || QuitRequested()) return false;

  std::uint32_t tick = plat::TickCount();
  if (tick - lastWatchTick_ >= kWatchInterval) {
    lastWatchTick_ = tick;
    std::string changed;
    if (watch_.Changed(&changed)) {
      std::fprintf(out_, "solvane-live: %s changed\n", changed.c_str());
      Reload();
    }
  }

  if (music_.Poll(out_, errors_)) redraw_ = true;

  int now = TimeMs();
  if (!Paused()) {
    if (loop_ && loopOutMs_ > loopInMs_ && now >= loopOutMs_) {
      SeekTo(loopInMs_);
      now = TimeMs();
    } else if (good_ && demo_->endTime > 0 && now >= demo_->endTime * 1000 && !loop_) {
      // The end holds the picture there; Space plays again from --from.
      // Paused first, so the time that passes while the seek replays the
      // demo does not carry it past the end.
      clock_.Pause(plat::TickCount(), -1);
      if (musicPlaying_) TheSound().Pause();
      now = demo_->endTime * 1000;
      SeekTo(now);
    }
  }
  tick = plat::TickCount();
  if (redraw_ || (!Paused() && (!framed_ || tick - lastFrameTick_ > kFrameInterval))) {
    RenderFrame(now);
    lastFrameTick_ = tick;
    framed_ = true;
    redraw_ = false;
  }
  return true;
}

void LiveSession::Wait() {
  if (redraw_) return;
  const std::uint32_t watchDue = lastWatchTick_ + kWatchInterval;
  std::uint32_t due = watchDue;
  if (!Paused()) {
    const std::uint32_t frameDue = lastFrameTick_ + kFrameInterval + 1;
    if (static_cast<std::int32_t>(frameDue - due) < 0) due = frameDue;
  }
  plat::WaitForInputUntil(due);
}

void LiveSession::RenderFrame(int ms) {
  VSurface* surface = nullptr;
  if (good_) {
    surface = demo_->ComposeFrameAt(static_cast<float>(ms / 1000.0));
  } else if ((surface = CurrentSurface())) {
    // Nothing loaded yet: black, with the error over it.
    surface->Lock();
    if (surface->pixels)
      std::fill(surface->pixels,
                surface->pixels + static_cast<size_t>(surface->width) * std::max(surface->height - 1, 0),
                0u);
  }
  if (!surface) return;
  const std::uint32_t tick = plat::TickCount();
  frameTicks_.push_back(tick);
  while (!frameTicks_.empty() && tick - frameTicks_.front() >= 1000) frameTicks_.pop_front();
  if (surface->pixels && (timeline_ || !errorLines_.empty())) {
    OverlayState state;
    state.effects = good_ ? &demo_->effects : nullptr;
    state.endTime = good_ ? demo_->endTime : 0;
    state.timeMs = ms;
    state.bpm = music_.Grid().bpm;
    state.beatOffset = music_.Grid().offsetSeconds;
    const TimeRange view = music_.View(state.endTime, ms / 1000.0);
    state.viewStart = view.start, state.viewEnd = view.end;
    state.music = music_.Strip();
    state.paused = Paused();
    state.loop = loop_;
    state.loopInMs = loopInMs_;
    state.loopOutMs = loopOutMs_;
    state.framesPerSecond = static_cast<int>(frameTicks_.size());
    state.timeline = timeline_;
    state.error = errorLines_;
    if (recorder_) {
      state.record = recorder_->StatusText();
      state.drawOverTimeline = [this](std::uint32_t* pixels, int width, int height,
                                      const TimelineAxis& axis) {
        recorder_->DrawCurve(pixels, width, height, axis);
      };
    }
    DrawOverlay(surface->pixels, surface->width, surface->height, state);
  }
  surface->Unlock();
}

void LiveSession::Finish() {
  TheSound().Stop();
  if (VSurface* surface = CurrentSurface()) surface->Close();
}
