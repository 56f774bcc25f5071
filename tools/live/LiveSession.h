// One run of solvane-live: the demo's own set-up in a window, played with its
// music on a clock the author can pause, seek and loop, and set up again into
// a new demo whenever one of the files it read changes. A set-up that fails
// leaves the last good demo running, with the error on screen and on stderr.
// The loop is driven one pass at a time (Step), so tests can run it on the
// headless backend with scripted keys and file edits.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "AuthorDiagnostics.h"
#include "FileWatch.h"
#include "KeyRecorder.h"
#include "LiveClock.h"
#include "LiveMusic.h"
#include "LiveOptions.h"
#include "VDemo.h"

class LiveSession {
 public:
  LiveSession(const LiveOptions& options, const std::string& programDirectory);
  ~LiveSession();
  LiveSession(const LiveSession&) = delete;
  LiveSession& operator=(const LiveSession&) = delete;

  // Where the tool's own lines go (times, marks, reloads; errors and hints),
  // stdout and stderr unless told otherwise.
  void SetOutput(std::FILE* out, std::FILE* errors) {
    out_ = out;
    errors_ = errors;
  }

  // What decodes and analyses the music in the background (by default the
  // tools' own decoder, through the audio library beside the program; none:
  // the timeline shows no music and the grid is --bpm's); set before Start.
  void SetMusicAnalyzer(LiveMusic::Analyzer analyzer) { analyzer_ = std::move(analyzer); }
  // Waits for that analysis; the next Step takes it.
  void WaitForMusic() { music_.Wait(); }
  const BeatGrid& Grid() const { return music_.Grid(); }
  TimeRange TimelineView() { return music_.View(good_ ? demo_->endTime : 0, TimeMs() / 1000.0); }

  // Sets the demo up, opens its window and starts it with its music. 0, or
  // the exit code when there is nothing to show in (no data, no window).
  int Start();
  // One pass: input, the file watch, a frame when one is due. False once the
  // author has quit.
  bool Step();
  // Sleeps until the next frame is due or input comes.
  void Wait();
  // Stops the music and closes the window.
  void Finish();
  // Start, Step and Wait until quit, Finish: the exit code.
  int Run();

  // Runs the set-up again now, as a change of a watched file does. True when
  // the new demo loaded cleanly and replaced the old one.
  bool Reload();
  // What a key does (the window's procedure hands keys here).
  void KeyDown(unsigned key);

  // The picture's time now, in milliseconds.
  int TimeMs();
  bool Paused() const { return clock_.Paused(); }
  bool TimelineShown() const { return timeline_; }
  // The demo on screen; null until one loaded cleanly.
  const VDemo* Demo() const { return good_ ? demo_.get() : nullptr; }
  // The lines of the set-up error on screen; empty when the last set-up was clean.
  const std::vector<std::string>& ErrorLines() const { return errorLines_; }
  int Reloads() const { return reloads_; }
  // Whether the file or directory is watched.
  bool Watches(const std::string& path) const { return watch_.Watches(path); }

 private:
  // Opens the data and reads the scripts into demo (whose surface, if it has
  // none, is the one on screen); records what was read for the watch.
  bool SetUp(VDemo& demo, bool first);
  void ShowSetupResult(bool ok);
  // The state a run started fresh at the current time would have: the
  // generator at its seed and every effect prepared anew.
  void Replay();
  void SeekTo(int ms);
  // Moves the music to ms, starting it again when it has ended.
  void MusicTo(int ms);
  void StepBy(int ms) { SeekTo(TimeMs() + ms); }
  void TogglePause();
  void PrintTime(const char* what, int ms);
  int MusicMs();
  void RenderFrame(int ms);
  // To the next grid line (direction 1) or the previous one (-1), the grid
  // being every beats beats of the beat grid, else every beats seconds.
  void StepToGrid(int direction, int beats);
  // --record: the track's file in the data directory, or the exit code of a refusal.
  int StartRecording();

  LiveOptions options_;
  std::FILE* out_ = stdout;
  std::FILE* errors_ = stderr;
  std::string programDirectory_;
  LiveMusic::Analyzer analyzer_;
  std::unique_ptr<VDemo> demo_;
  bool good_ = false;  // demo_ loaded cleanly
  std::string musicPath_;
  bool musicPlaying_ = false;
  bool musicClock_ = false;  // the music can tell its position and seek

  LiveMusic music_;
  LiveClock clock_;
  bool loop_ = false;
  int loopInMs_ = 0, loopOutMs_ = -1;
  bool timeline_ = false;
  bool quit_ = false;
  bool redraw_ = true;
  std::uint32_t lastFrameTick_ = 0;
  bool framed_ = false;
  std::deque<std::uint32_t> frameTicks_;  // the last second's frames, for the rate

  FileWatch watch_;
  std::uint32_t lastWatchTick_ = 0;
  AuthorDiagnostics diagnostics_;
  std::vector<std::string> errorLines_;
  int reloads_ = 0;
  double lastSetupMs_ = 0.0;
  std::unique_ptr<KeyRecorder> recorder_;  // --record
};
