#include "LiveMusic.h"

#include <algorithm>

LiveMusic::Analyzer LiveMusic::DecodingAnalyzer(const std::string& audioLibrary) {
  return [audioLibrary](const std::string& path, MusicPcm& pcm, MusicBeat& beat, std::string& error) {
    if (!DecodeMusic(path, pcm, error, audioLibrary)) return false;
    beat = AnalyzeBeat(pcm);
    return true;
  };
}

void LiveMusic::Start(const LiveOptions& options, const std::string& path, Analyzer analyzer) {
  bpmGiven_ = options.bpm > 0.0;
  offsetGiven_ = options.beatOffset >= 0.0;
  grid_ = {options.bpm, offsetGiven_ ? options.beatOffset : 0.0};
  if (path.empty() || !analyzer) return;
  path_ = path;
  analyzer_ = std::move(analyzer);
  running_ = true;
  task_ = plat::StartTask(&LiveMusic::Work, this);
  if (!task_) Work(this);  // no thread to be had: the window waits for it once
}

void LiveMusic::Work(void* self) {
  LiveMusic& music = *static_cast<LiveMusic*>(self);
  MusicPcm pcm;
  music.ok_ = music.analyzer_(music.path_, pcm, music.beat_, music.error_);
  if (music.ok_) music.view_.SetMusic(std::move(pcm));
}

void LiveMusic::Wait() {
  if (task_) plat::FinishTask(task_);
  task_ = nullptr;
}

bool LiveMusic::Poll(std::FILE* out, std::FILE* errors) {
  if (!running_ || !plat::TaskDone(task_)) return false;
  Wait();
  running_ = false;
  taken_ = true;
  if (!ok_) {
    std::fprintf(errors, "solvane-live: %s; the timeline shows no music\n", error_.c_str());
  } else if (!bpmGiven_) {
    if (beat_.bpm > 0.0) {
      grid_ = {beat_.bpm, offsetGiven_ ? grid_.offsetSeconds : beat_.firstBeat};
      std::fprintf(out,
                   "solvane-live: %.2f BPM, first beat at %.3f s (from the music; --bpm overrides)\n",
                   beat_.bpm, beat_.firstBeat);
    } else {
      std::fprintf(out, "solvane-live: no beat found in the music; --bpm sets one\n");
    }
  }
  std::fflush(out);
  return true;
}

void LiveMusic::Zoom(int direction, double whole) {
  const int deepest = DeepestZoomLevel(whole, NarrowestSpan(grid_));
  zoom_ = std::clamp(std::min(zoom_, deepest) + direction, 0, deepest);
}

TimeRange LiveMusic::View(double whole, double now) const {
  return ZoomedRange(whole, NarrowestSpan(grid_), zoom_, now);
}
