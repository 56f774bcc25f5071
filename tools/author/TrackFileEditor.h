// The text of one key track file (Script/Float/NAME.txt) edited key by key:
// a key set at a time (replacing the one already there) or removed, every
// other byte of the file (comments, blank lines, spacing, line ends) left as
// it was, and each change undoable. Keys are found with the script lexer
// itself, so what is edited is exactly what the demo reads. Text only: the
// caller reads and writes the file.
#pragma once

#include <string>
#include <vector>

#include "FloatTrack.h"

class TrackFileEditor {
 public:
  // Takes the file's text, or no file (exists false: the first key makes
  // one). False with why when the text is not a track the demo could read.
  bool Open(const std::string& name, bool exists, const std::string& text, std::string& error);

  bool Exists() const { return exists_; }
  const std::string& Text() const { return text_; }
  // The keys as the demo reads them (times as written, before any nudge).
  const std::vector<FloatKey>& Keys() const { return keys_; }
  // The track the demo builds from this text, for drawing its curve.
  FloatTrack Track() const { return FloatTrack(keys_); }

  // A key of value at ms: the key already at that time gets the value, else
  // a new one goes in among the others in time order.
  bool SetKey(int ms, float value, std::string& error);
  // Removes the key at ms. A track's only key stays: a track needs one.
  bool DeleteKey(int ms, std::string& error);
  // Back to the text before the last change; false when there is none.
  bool Undo();
  int UndoLevels() const { return static_cast<int>(history_.size()); }

  // "12.250": the time as a key is written.
  static std::string TimeText(int ms);
  // The shortest text that the script reader reads back as exactly value;
  // the reader knows no exponent, so 1e-7 is "0.0000001".
  static std::string ValueText(float value);
  // "12.250 : 0.5 ;"
  static std::string KeyText(int ms, float value);
  // A number as the script reader reads it (the whole text one number).
  static bool ReadNumber(const std::string& text, float& value);

 private:
  // Where a key lies in the text: from its time to just past its ";".
  struct Span {
    size_t start, valueStart, valueEnd, end;
  };
  bool Parse(const std::string& text, std::string& error);
  // The key written at ms, or -1.
  int KeyAt(int ms) const;
  void Change(std::string text);
  std::string LineEnd() const;
  size_t LineStart(size_t at) const;
  // The blanks and tabs that open the line holding at, when nothing else comes
  // before at on that line.
  std::string IndentOf(size_t at) const;

  struct Version {
    bool exists;
    std::string text;
  };
  static constexpr size_t kUndoLevels = 200;

  std::string name_;
  bool exists_ = false;
  std::string text_;
  std::vector<FloatKey> keys_;
  std::vector<Span> spans_;
  std::vector<Version> history_;
};
