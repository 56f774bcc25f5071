// solvane-live's view of the demo's music: decoded and analysed in the
// background from the start (so the window opens at once), then the beat grid
// it gives (unless --bpm and --beat-offset say otherwise), the waveform and
// spectrogram under the timeline, and the timeline's zoom. Owned by the
// session; the background work never touches the session or the window.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "BeatAnalysis.h"
#include "BeatGrid.h"
#include "LiveOptions.h"
#include "MusicStrip.h"
#include "MusicView.h"
#include "Platform.h"
#include "TimelineZoom.h"

class LiveMusic {
 public:
  // Decodes the file and finds its beat: false with one line in error.
  using Analyzer = std::function<bool(const std::string& path, MusicPcm& pcm, MusicBeat& beat,
                                      std::string& error)>;

  // The tools' own decoder (through the audio library at audioLibrary) and
  // beat finder.
  static Analyzer DecodingAnalyzer(const std::string& audioLibrary);

  LiveMusic() = default;
  ~LiveMusic() { Wait(); }
  LiveMusic(const LiveMusic&) = delete;
  LiveMusic& operator=(const LiveMusic&) = delete;

  // The grid the options give, and the analysis of the music at path started
  // when there is music and an analyzer.
  void Start(const LiveOptions& options, const std::string& path, Analyzer analyzer);
  // Takes the analysis once the background work is done, and tells the author
  // the beat found (out) or why there is none (errors): true then, once.
  bool Poll(std::FILE* out, std::FILE* errors);
  // Waits for the background work to end.
  void Wait();

  const BeatGrid& Grid() const { return grid_; }
  // + zooms in (direction 1), - out (-1), for a demo of whole seconds.
  void Zoom(int direction, double whole);
  int ZoomLevel() const { return zoom_; }
  TimeRange View(double whole, double now) const;
  // The music under the timeline; null until analysed, or when there is none.
  MusicStrip* Strip() { return taken_ && !view_.Empty() ? &strip_ : nullptr; }

 private:
  static void Work(void* self);

  bool bpmGiven_ = false, offsetGiven_ = false;
  BeatGrid grid_;
  int zoom_ = 0;

  // Written by the background work, read once it is done.
  std::string path_;
  Analyzer analyzer_;
  MusicBeat beat_;
  std::string error_;
  bool ok_ = false;
  MusicView view_;

  plat::TaskHandle task_ = nullptr;
  bool running_ = false, taken_ = false;
  MusicStrip strip_{view_};
};
