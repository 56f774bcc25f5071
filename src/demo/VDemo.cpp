#include "VDemo.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "CombineEffects.h"
#include "DirectDrawSurface.h"
#include "KolData.h"
#include "KolLog.h"
#include "KolText.h"
#include "LoadDemoScript.h"
#include "PixelSurface.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "VClock.h"
#include "VSound.h"
#include "VWindowSurface.h"

namespace {
constexpr int kSurfaceWidth = 640;
constexpr int kSurfaceHeight = 480;
constexpr int kSurfaceBits = 32;
constexpr int kFrameInterval = 20;  // ms; frames come strictly more than this apart
constexpr float kEndTimeLimit = 2147483648.0f;  // 2^31 s: the first end an int cannot hold

bool gFramesPolled = false;

// The first clock reading, in milliseconds, at which the loop's end check
// (Seconds() not below the end time) holds; INT_MAX when no reading reaches
// it. Seconds() only grows with the reading, so the search is a short walk
// from the product.
int EndMilliseconds(int endTime) {
  if (endTime > INT_MAX / 1000) return INT_MAX;
  const float end = static_cast<float>(endTime);
  const auto reached = [end](int ms) { return !(static_cast<float>(ms * 0.001) < end); };
  int ms = endTime > 0 ? endTime * 1000 : 0;
  while (ms > INT_MIN && reached(ms - 1)) --ms;
  while (!reached(ms)) ++ms;
  return ms;
}
}  // namespace

void SetFramesPolled(bool polled) { gFramesPolled = polled; }
bool FramesPolled() { return gFramesPolled; }

KolData& TheInputDataSource() {
  static KolData source;
  return source;
}

KolData& TheOutputDataSource() {
  static KolData source;
  return source;
}

void ResetDemoDataSourcesForTest() {
  TheInputDataSource().Close();
  TheOutputDataSource().Close();
}

VDemo::~VDemo() {
  if (surface && CurrentSurface() == surface.get()) SetCurrentSurface(nullptr);
  surface.reset();
}

void VDemo::SetDataLocation(const std::string& archive, const std::string& directory) {
  locationSet_ = true;
  dataImage_.reset();
  archivePath_ = archive;
  dataDirectory_ = directory;
}

void VDemo::SetDataImage(std::shared_ptr<const std::vector<unsigned char>> image,
                         const std::string& name) {
  SetDataLocation(name, "");
  dataImage_ = std::move(image);
}

int VDemo::OpenArchive(KolData& data) const {
  if (dataImage_) return data.OpenImage(archivePath_.c_str(), dataImage_);
  return data.Open(kKindArchive, archivePath_.c_str());
}

void VDemo::Setup() {
  if (!OpenData()) return;
  KolText lexer;  // bound to the default load source OpenData set
  CreateSurface();
  if (!LoadScripts(lexer)) return;
  StartMusicAndClock();
}

void VDemo::ResolveDataLocation() {
  if (!locationSet_) SetDataLocation(ProgramDirectory() + ProgramName() + ".dat", ProgramFile("data"));
}

void VDemo::ReadRelease() {
  ResolveDataLocation();
  // The archive is looked for in silence first: one that is no regular file
  // is said once, by OpenData, not here as well.
  const size_t separator = archivePath_.find_last_of("/\\");
  const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  KolData folder;
  folder.Open(kKindDirectory, archivePath_.substr(0, nameStart).c_str());
  const bool archiveThere =
      dataImage_ ||
      (!archivePath_.empty() && folder.Contains(archivePath_.substr(nameStart).c_str()));
  KolData data;
  const bool opened =
      (archiveThere && OpenArchive(data) == 0) ||
      (!dataDirectory_.empty() && data.Open(kKindDirectory, dataDirectory_.c_str()) == 0);
  if (!opened) return;
  KolDataSource* const loadSource = DefaultLoadSource();
  data.SetDefault(false);
  {
    KolText lexer;
    release.Load(lexer);
  }
  SetDefaultLoadSource(loadSource);
}

bool VDemo::OpenData() {
  KolLog& log = TheLog();
  ResolveDataLocation();
  musicPath_ = ProgramDirectory() + ProgramName() + ".mp3";

  KolData& input = TheInputDataSource();
  if (archivePath_.empty() || OpenArchive(input) != 0) {
    if (!archivePath_.empty()) {
      abandonReason = "Data file [" + archivePath_ + "] not present";
      log.PrintLine("%s", abandonReason.c_str());
    }
    // A directory source opens whatever is there; only an empty path is refused.
    if (dataDirectory_.empty() || input.Open(kKindDirectory, dataDirectory_.c_str()) != 0) {
      const std::string missing = "Data directory [" + dataDirectory_ + "] not present";
      log.PrintLine("%s", missing.c_str());
      if (abandonReason.empty()) abandonReason = missing;
      abandoned = true;
      return false;
    }
  }
  input.SetDefault(false);

  KolData& output = TheOutputDataSource();
  const int opened = output.Open(kKindDirectory, "");
  if (opened != 0)
    log.Print("failed to open default output (error %d)\n", opened);
  else
    output.SetDefault(true);

  SetAudioLibrarySource(&input, kAudioLibraryMember);
  return true;
}

void VDemo::CreateSurface() {
  std::unique_ptr<VWindowSurface> window;
  if (displayMode == kDisplayFullScreenExclusive)
    window = std::make_unique<DirectDrawSurface>();
  else
    window = std::make_unique<PixelSurface>();
  window->title = release.title;
  if (windowClass) window->SetWindowClass(windowClass);
  surface = std::move(window);
  SetCurrentSurface(surface.get());
  surface->Create(displayMode != kDisplayWindowed, kSurfaceWidth, kSurfaceHeight, kSurfaceBits);
  surface->Init();
}

bool VDemo::LoadScripts(KolText& lexer) {
  KolLog& log = TheLog();
  const VSurface* target = CurrentSurface();
  mainLine.Allocate(target ? target->width : 0);
  LoadDemoScript(lexer, "Demo.txt", effects);

  if (log.RecordCount() != 0) return false;
  for (VList::Node* n = effects.First(); n != effects.End(); n = n->next) n->element->Prepare();
  endTime = 0;
  for (VList::Node* n = effects.First(); n != effects.End(); n = n->next) {
    const float end = n->element->endTime;
    if (!(static_cast<float>(endTime) < end)) continue;
    // Whole seconds, rounded down. An end at 2^31 s or later does not fit an
    // int; the largest int stands for it, a time no clock reaches, so such a
    // demo runs until the user quits.
    endTime = end >= kEndTimeLimit ? INT_MAX : static_cast<int>(end);
  }
  return true;
}

void VDemo::StartMusicAndClock() {
  if (hostPlaysMusic) {
    TheDemoClock().Start();
    return;
  }
  // A sound that fails to start only means silence.
  const int soundFlags = soundMode == kSoundNone   ? 0
                         : soundMode == kSoundMono ? kSoundFlagOn | kSoundFlag44100
                                                   : kSoundFlagStereo | kSoundFlagOn | kSoundFlag44100;
  TheSound().Init(soundFlags);
  TheSound().PlayFile(musicPath_.c_str(), 0);
  TheDemoClock().Start();
}

void VDemo::Run() {
  if (!Begin()) return;
  while (Step())
    if (!gFramesPolled) WaitForNextFrame(lastFrame_, endMilliseconds_);
  Finish();
}

bool VDemo::Begin() {
  Setup();
  if (abandoned || TheLog().RecordCount() != 0) {
    // No frame and no Finish; but a full screen that was already set up
    // gives the display mode and the pointer back now, not when the
    // process ends.
    if (surface) surface->Close();
    return false;
  }
  endMilliseconds_ = EndMilliseconds(endTime);
  lastFrame_ = 0;
  return true;
}

bool VDemo::Step(bool* rendered) {
  const int now = TheDemoClock().Milliseconds();
  // Unsigned difference: correct across the wrap of the millisecond count.
  const bool due = lastFrame_ == 0 ||
                   static_cast<unsigned>(now) - static_cast<unsigned>(lastFrame_) > kFrameInterval;
  if (due) {
    RenderFrame();
    lastFrame_ = now;
  }
  if (rendered) *rendered = due;
  if (TheLog().RecordCount() != 0) return false;
  if (!(TheDemoClock().Seconds() < static_cast<float>(endTime))) return false;
  return DispatchMessages();
}

bool VDemo::DispatchMessages() {
  plat::Message message;
  while (plat::PeekAppMessage(message, true)) {
    if (message.message == plat::kMsgQuit) break;  // dropped: it does not end the demo
    plat::TranslateAppMessage(message);
    plat::DispatchAppMessage(message);
  }
  return !QuitRequested();
}

void VDemo::WaitForNextFrame(int lastFrame, int endMilliseconds) {
  // A first frame at 0 ms is followed by another at once (the loop's rule
  // for a last frame time of 0).
  if (lastFrame == 0) return;
  // Nothing happens before the next frame is due or the end is reached,
  // unless input comes: until then the loop sleeps, and wakes at the same
  // millisecond at which polling would have acted.
  // The deadline is counted from the last frame, so waiting costs no clock
  // reading of its own; the platform knows how far off it is.
  unsigned after = kFrameInterval + 1;
  const unsigned untilEnd =
      static_cast<unsigned>(endMilliseconds) - static_cast<unsigned>(lastFrame);
  if (untilEnd < after) after = untilEnd;
  plat::WaitForInputUntil(TheDemoClock().StartTick() + static_cast<unsigned>(lastFrame) + after);
}

void VDemo::RenderFrame() { RenderFrameAt(TheDemoClock().Seconds()); }

void VDemo::RenderFrameAt(float t) {
  if (VSurface* target = ComposeFrameAt(t)) target->Unlock();
}

VSurface* VDemo::ComposeFrameAt(float t) {
  ++framesRendered;
  CombineEffects(effects, t, mainLine);
  VSurface* target = CurrentSurface();
  if (!target) return nullptr;
  target->Lock();
  if (target->pixels) {
    mainLine.WriteToSurface();
    // Every row but the last repeats row 0. The rows already filled are copied
    // on in one block each time, doubling it: a few large copies write the
    // picture much faster than one copy per row.
    const size_t rowPixels = static_cast<size_t>(target->width);
    const int rows = target->height - 1;
    for (int done = 1; done < rows;) {
      const int block = std::min(done, rows - done);
      std::memcpy(target->pixels + static_cast<size_t>(done) * rowPixels, target->pixels,
                  static_cast<size_t>(block) * rowPixels * 4);
      done += block;
    }
  }
  return target;
}

void VDemo::Finish() {
  TheSound().Stop();
  if (VSurface* target = CurrentSurface()) target->Close();
}
