#include "OfflineRenderer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <thread>

#include "AuthorDiagnostics.h"
#include "CombineEffects.h"
#include "DemoMusic.h"
#include "KolLog.h"
#include "MemorySurface.h"
#include "Platform.h"
#include "PngEncoders.h"
#include "PngWriter.h"
#include "ToolText.h"
#include "VDemo.h"
#include "VSurface.h"

namespace {

// Beyond 2^53 frames, k / fps no longer tells frame k from frame k + 1.
constexpr long long kMaxFrames = 9'007'199'254'740'992;
// The most rows a PNG file holds: its height is a 31-bit number.
constexpr long long kMaxPngRows = 2'147'483'647;

// The number of frames k = 0, 1, ... whose times from + k / fps lie before to;
// limit + 1 when there are more than limit. The times rise with k, so the
// frames before to are the first ones and a binary search finds where they end.
long long CountFrames(double from, double to, double fps, long long limit) {
  long long before = 0;  // frames known to lie before to
  long long after = limit + 1;  // the first frame known not to (or one past the limit)
  while (before < after) {
    const long long k = before + (after - before) / 2;
    if (from + static_cast<double>(k) / fps < to) before = k + 1;
    else after = k;
  }
  return before;
}

// A number as the user would type it: the shortest text that reads back as
// it, without an exponent unless the number is very large or very small.
std::string Seconds(double value) {
  char text[32];
  const double size = std::fabs(value);
  const bool plain = size < 1e16 && (size == 0.0 || size >= 1e-6);
  const auto end = plain ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
                         : std::to_chars(text, text + sizeof text, value);
  return end.ec == std::errc() ? std::string(text, end.ptr) : std::string("?");
}

// Draws "[#####     ]  42%" on the terminal, only when the percentage changes.
class ProgressBar {
 public:
  ProgressBar(long long total, bool enabled) : total_(total), enabled_(enabled && total > 1) {}
  ~ProgressBar() {
    if (enabled_ && shown_ >= 0) std::fputc('\n', stderr);
  }
  void Update(long long done) {
    if (!enabled_) return;
    const int percent = static_cast<int>(100 * done / total_);
    if (percent == shown_) return;
    shown_ = percent;
    char bar[41];
    const int filled = percent * 40 / 100;
    for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : ' ';
    bar[40] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%", bar, percent);
    std::fflush(stderr);
  }

 private:
  long long total_;
  bool enabled_;
  int shown_ = -1;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "solvane-render: %s\n", message.c_str());
  return 1;
}

class Session {
 public:
  Session(const RenderOptions& options, const std::string& directory)
      : options_(options), directory_(directory) {}

  int Run() {
    TheLog().SetEcho(true);
    demo_.displayMode = kDisplayWindowed;
    demo_.soundMode = kSoundNone;
    if (options_.dataPath.empty()) {
      demo_.SetDataLocation(directory_ + "solvane.dat", directory_ + "data");
    } else {
      std::error_code ec;
      if (std::filesystem::is_directory(options_.dataPath, ec))
        demo_.SetDataLocation("", options_.dataPath);
      else
        demo_.SetDataLocation(options_.dataPath, "");
    }
    AuthorDiagnostics diagnostics;
    diagnostics.Begin();
    demo_.Setup();
    diagnostics.End(demo_.abandoned ? nullptr : DefaultLoadSource());
    if (!options_.framePath.empty())
      diagnostics.CheckTime("--frame", options_.frameTime, demo_.endTime);
    if (Sequence()) diagnostics.CheckTime("--from", options_.from, demo_.endTime);
    // After the demo's own lines, on the same stream, so they read in order.
    std::fflush(stdout);
    diagnostics.Print(stdout);
    if (demo_.abandoned || TheLog().RecordCount() != 0)
      return Fail("the demo's set-up reported errors; nothing rendered");
    // Warnings do not stop anything; --check says them in its exit code.
    const int clean = options_.check && diagnostics.WarningCount() > 0 ? 2 : 0;
    if (options_.check) {
      std::printf("solvane-render: set-up OK, end time %d s\n", demo_.endTime);
      if (clean != 0)
        std::printf("solvane-render: %d warning%s\n", diagnostics.WarningCount(),
                    diagnostics.WarningCount() == 1 ? "" : "s");
      if (!Rendering()) return clean;
    }
    if (!options_.framePath.empty()) {
      if (int r = WriteFrame(options_.framePath, options_.frameTime)) return r;
    }
    if (Sequence()) {
      if (int r = RenderSequence()) return r;
    }
    return clean;
  }

 private:
  bool Sequence() const {
    return !options_.stripPath.empty() || !options_.framesDir.empty() ||
           !options_.videoPath.empty();
  }
  bool Rendering() const { return !options_.framePath.empty() || Sequence(); }

  const std::uint32_t* Render(double t) {
    demo_.RenderFrameAt(static_cast<float>(t));
    return demo_.surface ? demo_.surface->pixels : nullptr;
  }

  int WriteFrame(const std::string& path, double t) {
    const std::uint32_t* pixels = Render(t);
    std::string error;
    if (!pixels || !WritePng(path, pixels, demo_.surface->width, demo_.surface->height, error))
      return Fail(error.empty() ? "no picture to write" : error);
    std::printf("solvane-render: frame at %.3f s written to %s\n", t, path.c_str());
    return 0;
  }

  // "from --from 0 s to --to 9 s at 50 fps", the range in the user's terms.
  std::string RangeText(double to) const {
    const std::string end = options_.to >= 0.0
                                ? "--to " + Seconds(to) + " s"
                                : "the demo's end at " + std::to_string(demo_.endTime) + " s";
    return "from --from " + Seconds(options_.from) + " s to " + end + " at " +
           Seconds(options_.fps) + " fps";
  }

  int RenderSequence() {
    const double to = options_.to >= 0.0 ? options_.to : static_cast<double>(demo_.endTime);
    const long long count = CountFrames(options_.from, to, options_.fps, kMaxFrames);
    if (count == 0) return Fail("no frame lies between --from and --to");
    const char* const narrow = "; narrow the range with --from/--to";
    const std::string counted = count > kMaxFrames ? "more than " + std::to_string(kMaxFrames)
                                                   : std::to_string(count);
    const int width = demo_.surface->width;
    const int height = demo_.surface->height;
    if (width <= 0 || height <= 0 || !demo_.surface->pixels) return Fail("the surface has no pixels");

    // The strip is sized before any output is started, so a range too long for
    // it leaves nothing behind. It is encoded on its own thread, row by row as
    // the frames come.
    std::unique_ptr<std::uint32_t[]> strip;
    if (!options_.stripPath.empty()) {
      const std::string rows = "the strip " + RangeText(to) + " would have " + counted + " rows";
      if (count > kMaxPngRows)
        return Fail(rows + ", more than the " + std::to_string(kMaxPngRows) + " a PNG holds" +
                    narrow);
      // count * width words never overflow: count < 2^31 and width < 2^31.
      const size_t words = static_cast<size_t>(count) * static_cast<size_t>(width);
      strip.reset(new (std::nothrow) std::uint32_t[words]);
      if (!strip)
        return Fail(rows + " (" + std::to_string(words * sizeof(std::uint32_t)) +
                    " bytes), more than memory allows" + narrow);
    }
    if (count > kMaxFrames)
      return Fail("the frames " + RangeText(to) + " would be " + counted +
                  ", too many to tell apart by their times" + narrow);

    if (!options_.framesDir.empty()) {
      std::error_code ec;
      std::filesystem::create_directories(options_.framesDir, ec);
      if (!std::filesystem::is_directory(options_.framesDir, ec))
        return Fail("cannot create the directory " + options_.framesDir);
    }
    plat::PipeHandle video = nullptr;
    if (!options_.videoPath.empty()) {
      if (!plat::ExecutableOnPath("ffmpeg"))
        return Fail("--video needs ffmpeg, which is not installed (apt-get install ffmpeg)");
      std::string note;
      const std::string command =
          BuildVideoCommand(options_, directory_, width, height, note);
      if (!note.empty()) std::printf("%s\n", note.c_str());
      std::fflush(stdout);
      video = plat::OpenWritePipe(command);
      if (!video) return Fail("cannot start ffmpeg");
    }
    std::unique_ptr<PngRowStream> stripPng;
    if (strip)
      stripPng = std::make_unique<PngRowStream>(options_.stripPath, strip.get(), width,
                                                static_cast<int>(count));

    ProgressBar progress(count, plat::StandardErrorIsTerminal());
    int result = 0;
    if (stripPng && options_.framesDir.empty() && !video) {
      RenderStripRows(count, width, height, strip.get(), *stripPng, progress);
    } else {
      // Frames are rendered here, in order, and encoded on the pool's threads.
      std::unique_ptr<FramePngPool> pool;
      if (!options_.framesDir.empty())
        pool = std::make_unique<FramePngPool>(EncoderThreads(), width, height);
      for (long long k = 0; k < count && result == 0; ++k) {
        const std::uint32_t* pixels = Render(options_.from + k / options_.fps);
        if (stripPng) {
          std::copy(pixels, pixels + width, strip.get() + k * width);
          stripPng->Publish(static_cast<int>(k + 1));
        }
        if (pool) {
          char name[32];
          std::snprintf(name, sizeof name, "frame_%06lld.png", k);
          // A refusal means a frame failed; Finish says which.
          if (!pool->Submit(k, pixels, (std::filesystem::path(options_.framesDir) / name).string()))
            break;
        }
        if (video && !plat::WritePipe(video, pixels, static_cast<size_t>(width) * height * 4))
          result = Fail("ffmpeg stopped taking frames");
        progress.Update(k + 1);
      }
      std::string error;
      if (pool && !pool->Finish(error) && result == 0) result = Fail(error);
    }
    if (video && plat::ClosePipe(video) != 0 && result == 0) result = Fail("ffmpeg failed");
    if (stripPng) {
      std::string error;
      if (!stripPng->Finish(result == 0, error) && result == 0) result = Fail(error);
    }
    if (result != 0) return result;

    if (stripPng)
      std::printf("solvane-render: strip of %lld frames written to %s\n", count,
                  options_.stripPath.c_str());
    if (!options_.framesDir.empty())
      std::printf("solvane-render: %lld frames written to %s\n", count, options_.framesDir.c_str());
    if (!options_.videoPath.empty())
      std::printf("solvane-render: video written to %s\n", options_.videoPath.c_str());
    return 0;
  }

  // The strip's rows alone: frame k's top row into row k of strip. The strip
  // keeps only the top row of each frame, so the frames are drawn on a surface
  // nobody shows, of the demo surface's size (effects that measure the surface
  // see the same size): the frame's own colour work (CombineEffects, then
  // WriteToSurface into row 0) without the copies down the picture and the
  // presentation that VDemo::RenderFrameAt adds.
  void RenderStripRows(long long count, int width, int height, std::uint32_t* strip,
                       PngRowStream& stripPng, ProgressBar& progress) {
    MemorySurface offscreen(width, height);
    for (long long k = 0; k < count; ++k) {
      CombineEffects(demo_.effects, static_cast<float>(options_.from + k / options_.fps),
                     demo_.mainLine);
      demo_.mainLine.WriteToSurface();
      std::copy(offscreen.pixels, offscreen.pixels + width, strip + k * width);
      stripPng.Publish(static_cast<int>(k + 1));
      progress.Update(k + 1);
    }
  }

  // One encoder a core: the renderer mostly waits for them.
  static int EncoderThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 2 : static_cast<int>(std::min(cores, 16u));
  }

  const RenderOptions& options_;
  std::string directory_;
  VDemo demo_;
};

}  // namespace

std::string BuildVideoCommand(const RenderOptions& options, const std::string& programDirectory,
                              int width, int height, std::string& note) {
  char size[32], rate[32], start[32];
  std::snprintf(size, sizeof size, "%dx%d", width, height);
  std::snprintf(rate, sizeof rate, "%g", options.fps);
  std::snprintf(start, sizeof start, "%.3f", options.from);
  std::string command = "ffmpeg -y -loglevel error -f rawvideo -pixel_format bgr0 -video_size ";
  command += size;
  command += " -framerate ";
  command += rate;
  command += " -i -";
  // The demo's own music by the rule every author tool shares, never another
  // demo's soundtrack that happens to lie beside the program.
  const DemoMusic music = FindDemoMusic(options.musicPath, options.dataPath, programDirectory);
  note = music.note;
  const bool withMusic = !music.path.empty();
  if (withMusic) {
    command += " -ss ";
    command += start;
    command += " -i ";
    command += ShellQuote(music.path);
  }
  command += " -c:v libx264 -pix_fmt yuv420p";
  // Stereo AAC at the rate video sites and party rules ask for; music shorter
  // than the demo is padded with silence, so the video is the demo's length.
  if (withMusic) command += " -c:a aac -b:a 192k -ac 2 -af apad -shortest";
  command += ' ';
  command += ShellQuote(options.videoPath);
  return command;
}

int RunOfflineRenderer(const RenderOptions& options, const std::string& programDirectory) {
  const bool started = plat::StartHeadless();
  int result;
  {
    Session session(options, programDirectory);
    result = session.Run();
  }
  if (started) plat::Shutdown();
  return result;
}
