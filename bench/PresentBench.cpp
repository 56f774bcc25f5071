// What it costs to show one 640 x 480 frame on a real display, both ways the
// program does it: the windowed path (a memory DC holding the 32-bit pixel
// bitmap, copied to the client DC of a captioned window, shown without
// waiting) and the exclusive full-screen path (back buffer DC, copy, release,
// flip on the primary, which waits for the vertical blank where there is
// one), and that flip again with the renderer made without the wait, for what
// the flip itself costs. Next to them, one memcpy of the same 1 228 800 bytes
// as a yardstick: every present is also reported as a multiple of it
// (x_memcpy), measured in the same run, and the windowed path's multiple is
// held against its target at the end. All are timed by the wall clock: much
// of a present is the display server's work, which this process's CPU time
// does not see.
//
// Needs a desktop: without one the program says so in one line and ends
// successfully, so a plain build and run never fails. The label of each
// present shows SDL_RENDER_DRIVER, which picks the renderer the flip goes
// through (the windowed path does not use a renderer).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "ExclusiveOutput.h"
#include "Platform.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr std::size_t kPixels = static_cast<std::size_t>(kWidth) * kHeight;
constexpr std::size_t kFrameBytes = kPixels * 4;
// Messages are taken off the queue every so many frames, untimed, so the
// window keeps answering the window manager without the pause and resume of
// the timer weighing on every frame.
constexpr int kPumpEvery = 64;
// Frames shown before timing starts: the window is mapped and exposed, and
// the first uploads and swaps are out of the way.
constexpr int kWarmUpFrames = 30;

constexpr unsigned kWindowedStyle = plat::kStylePopup | plat::kStyleVisible |
                                    plat::kStyleCaption | plat::kStyleSysMenu;
constexpr unsigned kFullScreenStyle =
    plat::kStylePopup | plat::kStyleVisible | plat::kStyleBorder | plat::kStyleSysMenu;
static_assert(kWindowedStyle == 0x90C80000u && kFullScreenStyle == 0x90880000u);

constexpr const char* kClassName = "SolvanePresentBench";

// The windowed copy may cost at most this many memcpys of the frame: one copy
// into the window surface, handed to the display server through shared memory.
constexpr double kWindowPresentTarget = 5.0;

std::intptr_t PLAT_CALLBACK StageProcedure(plat::WindowHandle window, unsigned message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
  // The window stays until the benchmark is done with it, whatever the user clicks.
  if (message == plat::kMsgClose) return 0;
  return plat::DefaultWindowProcedure(window, message, wParam, lParam);
}

// Everything waiting in the queue, dispatched as the demo's frame loop does.
void PumpMessages() {
  plat::Message message;
  while (plat::PeekAppMessage(message, true)) {
    if (message.message == plat::kMsgQuit) continue;
    plat::TranslateAppMessage(message);
    plat::DispatchAppMessage(message);
  }
}

std::string RenderDriverLabel() {
  const char* driver = std::getenv("SDL_RENDER_DRIVER");
  return std::string("SDL_RENDER_DRIVER=") + (driver && *driver ? driver : "(default)");
}

// A frame that changes a little from one present to the next, as a running
// demo's does, so nothing along the way can skip an unchanged picture.
void TouchFrame(std::uint32_t* pixels, std::uint32_t frame) {
  for (std::uint32_t k = 0; k < 4; ++k)
    pixels[(frame * 7919u + k * 104729u) % kPixels] = frame * 0x010203u + k;
}

// The surface window and its pixel bitmap, set up once and kept across the
// runs of one benchmark (each repetition calls the benchmark again). Only one
// stage exists at a time: a new one closes the old first.
class Stage {
 public:
  virtual ~Stage() = default;
  virtual bool Ready() const = 0;
  // One frame shown the way the program shows it.
  virtual void Present() = 0;
  std::uint32_t* pixels = nullptr;
};

std::unique_ptr<Stage> gStage;

bool RegisterStageClass() {
  plat::WindowClass windowClass;
  windowClass.name = kClassName;
  windowClass.procedure = StageProcedure;
  windowClass.blackBackground = true;
  return plat::RegisterWindowClass(windowClass) != 0;
}

class WindowedStage : public Stage {
 public:
  WindowedStage() {
    if (!RegisterStageClass()) return;
    // A client area of 640 x 480 in the middle of the screen.
    const int sw = plat::ScreenWidth(), sh = plat::ScreenHeight();
    plat::Rect rect{(sw - kWidth) >> 1, (sh - kHeight) >> 1, (sw + kWidth) >> 1,
                    (sh + kHeight) >> 1};
    plat::AdjustWindowRectangle(rect, kWindowedStyle);
    window_ = plat::CreateAppWindow(0, kClassName, "Solvane present bench", kWindowedStyle,
                                    rect.left, rect.top, rect.Width(), rect.Height());
    if (!window_) return;
    plat::ShowAppWindow(window_, plat::kShowShow);
    windowDC_ = plat::ClientDC(window_);
    if (!windowDC_) return;
    bitmap_ = plat::CreatePixelBitmap(windowDC_, kWidth, kHeight, &pixels);
    memoryDC_ = plat::CreateMemoryDC(windowDC_);
    if (bitmap_ && memoryDC_) plat::SelectPixelBitmap(memoryDC_, bitmap_);
  }
  ~WindowedStage() override {
    if (memoryDC_) plat::DeleteMemoryDC(memoryDC_);
    if (bitmap_) plat::DeletePixelBitmap(bitmap_);
    if (windowDC_) plat::ReleaseDrawContext(window_, windowDC_);
    if (window_) plat::DestroyAppWindow(window_);
    plat::UnregisterWindowClass(kClassName);
  }
  bool Ready() const override { return windowDC_ && memoryDC_ && bitmap_ && pixels; }
  void Present() override {
    plat::CopyPixels(windowDC_, 0, 0, kWidth, kHeight, memoryDC_, 0, 0);
  }

 private:
  plat::WindowHandle window_ = nullptr;
  plat::DCHandle windowDC_ = nullptr;
  plat::DCHandle memoryDC_ = nullptr;
  plat::BitmapHandle bitmap_ = nullptr;
};

// Sets an environment variable for as long as it lives, then puts back what was there.
class EnvironmentSetting {
 public:
  EnvironmentSetting(const char* name, const char* value) : name_(name) {
    const char* previous = std::getenv(name);
    if (previous) previous_ = previous;
    had_ = previous != nullptr;
    setenv(name, value, 1);
  }
  ~EnvironmentSetting() {
    if (had_) setenv(name_.c_str(), previous_.c_str(), 1);
    else unsetenv(name_.c_str());
  }
  EnvironmentSetting(const EnvironmentSetting&) = delete;
  EnvironmentSetting& operator=(const EnvironmentSetting&) = delete;

 private:
  std::string name_, previous_;
  bool had_ = false;
};

class ExclusiveStage : public Stage {
 public:
  // Without waitForVerticalBlank, the renderer behind the flip is made with
  // SDL_RENDER_VSYNC=0, which SDL lets overrule the wait the output asks for.
  explicit ExclusiveStage(bool waitForVerticalBlank = true) {
    std::unique_ptr<EnvironmentSetting> noWait;
    if (!waitForVerticalBlank)
      noWait = std::make_unique<EnvironmentSetting>("SDL_RENDER_VSYNC", "0");
    if (!RegisterStageClass()) return;
    plat::LibraryHandle library = plat::LoadRuntimeLibrary(plat::kExclusiveLibraryName);
    auto create = library ? reinterpret_cast<plat::ExclusiveCreateFunction>(
                                plat::FindLibrarySymbol(library, plat::kExclusiveCreateName))
                          : nullptr;
    if (!create) return;
    window_ = plat::CreateAppWindow(plat::kExStyleTopmost, kClassName, "Solvane present bench",
                                    kFullScreenStyle, 0, 0, kWidth, kHeight);
    if (!window_) return;
    plat::ShowAppWindow(window_, plat::kShowShow);
    // The pixel bitmap lives in system memory, apart from the output.
    windowDC_ = plat::WindowDC(window_);
    if (!windowDC_) return;
    bitmap_ = plat::CreatePixelBitmap(windowDC_, kWidth, kHeight, &pixels);
    memoryDC_ = plat::CreateMemoryDC(windowDC_);
    if (!bitmap_ || !memoryDC_) return;
    plat::SelectPixelBitmap(memoryDC_, bitmap_);

    if (create(nullptr, &output_, nullptr) != plat::kResultOk || !output_) {
      output_ = nullptr;
      return;
    }
    if (output_->SetCooperativeLevel(
            window_, plat::kCooperativeExclusive | plat::kCooperativeFullScreen) != plat::kResultOk)
      return;
    // A refused mode is no failure: the output then scales to the screen.
    modeSet_ = output_->SetDisplayMode(kWidth, kHeight, 32) == plat::kResultOk;
    plat::SurfaceDescription description;
    description.flags = plat::kSurfaceDescCaps | plat::kSurfaceDescBackBufferCount;
    description.backBufferCount = 1;
    description.caps = plat::kCapsPrimarySurface | plat::kCapsFlip | plat::kCapsComplex;
    if (output_->CreateSurface(description, &primary_, nullptr) != plat::kResultOk || !primary_) {
      primary_ = nullptr;
      return;
    }
    if (primary_->GetAttachedSurface(plat::kCapsBackBuffer, &backBuffer_) != plat::kResultOk)
      backBuffer_ = nullptr;
  }
  ~ExclusiveStage() override {
    if (output_) {
      output_->RestoreDisplayMode();
      if (primary_) primary_->Release();
      output_->Release();
    }
    if (memoryDC_) plat::DeleteMemoryDC(memoryDC_);
    if (bitmap_) plat::DeletePixelBitmap(bitmap_);
    if (windowDC_) plat::ReleaseDrawContext(window_, windowDC_);
    if (window_) plat::DestroyAppWindow(window_);
    plat::UnregisterWindowClass(kClassName);
  }
  bool Ready() const override { return backBuffer_ && memoryDC_ && pixels; }
  bool ModeSet() const { return modeSet_; }
  long long LostFlips() const { return lost_; }
  long long BusyRetries() const { return busy_; }

  void Present() override {
    plat::DCHandle backDC = nullptr;
    if (backBuffer_->GetDC(&backDC) != plat::kResultOk || !backDC) return;
    plat::CopyPixels(backDC, 0, 0, kWidth, kHeight, memoryDC_, 0, 0);
    backBuffer_->ReleaseDC(backDC);
    for (;;) {
      const int result = primary_->Flip(nullptr, 0);
      if (result == plat::kResultStillDrawing) {
        ++busy_;
        continue;
      }
      if (result == plat::kResultSurfaceLost) {
        ++lost_;
        primary_->Restore();
      }
      return;
    }
  }

 private:
  plat::WindowHandle window_ = nullptr;
  plat::DCHandle windowDC_ = nullptr;
  plat::DCHandle memoryDC_ = nullptr;
  plat::BitmapHandle bitmap_ = nullptr;
  plat::ExclusiveOutput* output_ = nullptr;
  plat::ExclusiveSurface* primary_ = nullptr;
  plat::ExclusiveSurface* backBuffer_ = nullptr;
  bool modeSet_ = false;
  long long lost_ = 0, busy_ = 0;
};

class ExclusiveNoWaitStage : public ExclusiveStage {
 public:
  ExclusiveNoWaitStage() : ExclusiveStage(false) {}
};

// The stage of the kind, made (after the warm-up frames) if it is not the
// current one; null when it could not be set up.
template <typename Kind>
Kind* StageOf() {
  if (gStage && typeid(*gStage) == typeid(Kind)) return static_cast<Kind*>(gStage.get());
  gStage.reset();
  auto stage = std::make_unique<Kind>();
  if (!stage->Ready()) return nullptr;
  for (int i = 0; i < kWarmUpFrames; ++i) {
    TouchFrame(stage->pixels, static_cast<std::uint32_t>(i));
    stage->Present();
    PumpMessages();
  }
  gStage = std::move(stage);
  return static_cast<Kind*>(gStage.get());
}

// Shows frames until the state says stop; the message queue is emptied every
// kPumpEvery frames outside the timed region.
void PresentFrames(benchmark::State& state, Stage& stage) {
  std::uint32_t frame = 0;
  for (auto _ : state) {
    TouchFrame(stage.pixels, ++frame);
    stage.Present();
    if (frame % kPumpEvery == 0) {
      state.PauseTiming();
      PumpMessages();
      state.ResumeTiming();
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kFrameBytes));
  state.counters["screen_w"] = plat::ScreenWidth();
  state.counters["screen_h"] = plat::ScreenHeight();
}

void BM_Memcpy640x480(benchmark::State& state) {
  std::vector<std::uint32_t> from(kPixels, 0x00336699u), to(kPixels);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kFrameBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kFrameBytes));
}

void BM_WindowPresent(benchmark::State& state) {
  WindowedStage* stage = StageOf<WindowedStage>();
  if (!stage) {
    state.SkipWithError("could not set up the window, its DC or the pixel bitmap");
    return;
  }
  state.SetLabel("window surface, no wait");
  PresentFrames(state, *stage);
}

template <typename Kind>
void ExclusiveFlips(benchmark::State& state, const char* wait) {
  Kind* stage = StageOf<Kind>();
  if (!stage) {
    state.SkipWithError("could not set up the exclusive output and its flipping chain");
    return;
  }
  state.SetLabel(RenderDriverLabel() + (stage->ModeSet() ? ", mode 640x480, " : ", scaled, ") +
                 wait);
  const long long lostBefore = stage->LostFlips(), busyBefore = stage->BusyRetries();
  PresentFrames(state, *stage);
  state.counters["lost_flips"] = static_cast<double>(stage->LostFlips() - lostBefore);
  state.counters["busy_retries"] = static_cast<double>(stage->BusyRetries() - busyBefore);
}

void BM_ExclusiveFlip(benchmark::State& state) {
  ExclusiveFlips<ExclusiveStage>(state, "vsync as asked");
}

void BM_ExclusiveFlipNoVsync(benchmark::State& state) {
  ExclusiveFlips<ExclusiveNoWaitStage>(state, "SDL_RENDER_VSYNC=0");
}

// The console report, with each present's time per frame as a multiple of the
// memcpy measured before it in the same run (x_memcpy); at the end, the
// windowed copy's multiple against its target.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : benchmark::ConsoleReporter(OO_None) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown = runs;
    double sum = 0;
    int count = 0;
    for (const Run& run : runs)
      if (run.run_name.function_name == "BM_Memcpy640x480" && run.run_type == Run::RT_Iteration &&
          !run.error_occurred) {
        sum += run.GetAdjustedRealTime();
        ++count;
      }
    if (count > 0) memcpyMicroseconds_ = sum / count;
    for (Run& run : shown) {
      const bool perFrame = run.run_type == Run::RT_Iteration || run.aggregate_name == "mean" ||
                            run.aggregate_name == "median";
      if (run.error_occurred || !perFrame || memcpyMicroseconds_ <= 0 ||
          run.run_name.function_name == "BM_Memcpy640x480")
        continue;
      const double ratio = run.GetAdjustedRealTime() / memcpyMicroseconds_;
      run.counters["x_memcpy"] = ratio;
      if (run.run_name.function_name == "BM_WindowPresent" && run.run_type == Run::RT_Iteration)
        windowRatios_.push_back(ratio);
    }
    benchmark::ConsoleReporter::ReportRuns(shown);
  }

  void Finalize() override {
    benchmark::ConsoleReporter::Finalize();
    if (windowRatios_.empty()) return;
    double worst = 0;
    for (const double r : windowRatios_) worst = std::max(worst, r);
    GetOutputStream() << "window present: " << worst << " x memcpy at worst over "
                      << windowRatios_.size() << " run(s), memcpy " << memcpyMicroseconds_
                      << " us; target " << kWindowPresentTarget << " x: "
                      << (worst <= kWindowPresentTarget ? "met" : "NOT met") << "\n";
  }

 private:
  double memcpyMicroseconds_ = 0;  // all benchmarks here report microseconds
  std::vector<double> windowRatios_;
};

BENCHMARK(BM_Memcpy640x480)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_WindowPresent)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ExclusiveFlip)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ExclusiveFlipNoVsync)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  if (!plat::StartSdl(error)) {
    std::printf("present_bench: not run, %s\n", error.c_str());
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    plat::Shutdown();
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  gStage.reset();
  plat::Shutdown();
  return 0;
}
