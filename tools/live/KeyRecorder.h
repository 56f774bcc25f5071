// solvane-live --record NAME: keys of the track Script/Float/NAME.txt written
// from the keyboard while the demo plays. A value typed and Enter puts a key
// at the picture's time, snapped to the beat grid; Delete takes the key there
// away; Ctrl+Z undoes. Each change saves the whole file at once, beside and
// then over the old one, through TrackFileEditor, which keeps every other
// byte. The session reloads after each save; this class never touches the demo.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "BeatGrid.h"
#include "LiveOverlay.h"
#include "TrackFileEditor.h"

class KeyRecorder {
 public:
  // The track name in the data directory dataDirectory; quantize steps a beat.
  KeyRecorder(const std::string& dataDirectory, const std::string& name, int quantize);

  // "Script/Float/NAME.txt", as the scripts and messages name it.
  const std::string& TrackName() const { return trackName_; }
  const std::string& Path() const { return path_; }
  // Reads the file as it is now; false with why when the demo could not read it.
  bool Read(std::string& error);

  // A key typed (control: Ctrl held) at the picture's time timeMs: true when
  // it was the recorder's. What it did goes to out, what failed to errors.
  bool KeyDown(unsigned key, bool control, int timeMs, const BeatGrid& grid, std::FILE* out,
               std::FILE* errors);
  // Whether the file changed since the last call: the demo is to be set up anew.
  bool TakeSaved() {
    const bool saved = saved_;
    saved_ = false;
    return saved;
  }
  // The time a key typed at timeMs goes to.
  int SnapMs(int timeMs, const BeatGrid& grid) const { return grid.SnapMs(timeMs, quantize_); }

  // "record Fade: 0.5_" for the status line.
  std::string StatusText() const;
  // The track's keys as points and its curve as the demo evaluates it, in a
  // band above the timeline's rows.
  void DrawCurve(std::uint32_t* pixels, int width, int height, const TimelineAxis& axis) const;

  const TrackFileEditor& Editor() const { return editor_; }

 private:
  // Writes the editor's text (or removes the file it did not hold yet);
  // false, the editor back at its last text, when the file could not be.
  bool Save(std::FILE* errors);
  void Change(bool done, const std::string& what, const std::string& error, std::FILE* out,
              std::FILE* errors);

  std::string name_;
  std::string trackName_;
  std::string path_;
  int quantize_ = 4;
  TrackFileEditor editor_;
  bool readable_ = false;
  std::string typed_;
  bool saved_ = false;
};
