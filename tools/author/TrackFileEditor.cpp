#include "TrackFileEditor.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KolText.h"
#include "LoadFloatTrack.h"

namespace {

constexpr size_t kNone = std::string::npos;
// A text beyond this is no track anybody typed; the lexer counts in ints.
constexpr size_t kMaxText = 1u << 24;

// The time a key written at ms is read as, and the time the picture at ms is
// drawn at: both round the same decimal to the nearest float.
float TimeOf(int ms) { return static_cast<float>(ms / 1000.0); }

bool SameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool OnlyBlanks(const std::string& text, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i)
    if (text[i] != ' ' && text[i] != '\t' && text[i] != '\r') return false;
  return true;
}

}  // namespace

bool TrackFileEditor::Open(const std::string& name, bool exists, const std::string& text,
                           std::string& error) {
  name_ = name;
  history_.clear();
  if (!Parse(exists ? text : std::string(), error)) return false;
  exists_ = exists;
  text_ = exists ? text : std::string();
  return true;
}

bool TrackFileEditor::Parse(const std::string& text, std::string& error) {
  if (text.size() > kMaxText) {
    error = name_ + " is too large for a key track";
    return false;
  }
  std::vector<FloatKey> keys;
  std::vector<Span> spans;
  KolText lexer;
  const auto failed = [&](int code) {
    error = name_ + " line " + std::to_string(lexer.Line()) + ", column " +
            std::to_string(lexer.Column()) + ": " + KolText::Message(code);
    return false;
  };
  int code = lexer.OpenTextBytes(name_.c_str(), text.data(), static_cast<int>(text.size()));
  // No bytes, or one of space, hold no key yet: the first key goes in as into
  // a new file (the demo cannot read such a file, so nothing else is lost).
  const bool blank = text.size() <= 1 && text.find_first_not_of(" \t\n") == kNone;
  if (code != kTextOk && !blank) return failed(code);
  while (code == kTextOk && lexer.Current() != 0) {
    if (keys.size() == static_cast<size_t>(kMaxTrackKeys)) {
      error = name_ + " holds more than " + std::to_string(kMaxTrackKeys) +
              " keys, more than the demo reads";
      return false;
    }
    FloatKey key;
    Span span{};
    span.start = static_cast<size_t>(lexer.Offset());
    code = lexer.ReadNumber();
    key.time = lexer.Number();
    if (code == kTextOk) code = lexer.Expect(':');
    if (code == kTextOk) {
      span.valueStart = static_cast<size_t>(lexer.Offset());
      code = lexer.ReadNumber();
      key.value = lexer.Number();
      span.valueEnd = span.valueStart + static_cast<size_t>(lexer.TokenLength());
      if (span.valueEnd < text.size() && text[span.valueEnd] == 'f') ++span.valueEnd;
    }
    if (code == kTextOk) {
      span.end = static_cast<size_t>(lexer.Offset()) + 1;
      code = lexer.Expect(';');
    }
    if (code != kTextOk) return failed(code);
    keys.push_back(key);
    spans.push_back(span);
  }
  keys_ = std::move(keys);
  spans_ = std::move(spans);
  return true;
}

int TrackFileEditor::KeyAt(int ms) const {
  const float time = TimeOf(ms);
  for (size_t i = 0; i < keys_.size(); ++i)
    if (keys_[i].time == time) return static_cast<int>(i);
  return -1;
}

std::string TrackFileEditor::LineEnd() const {
  return text_.find("\r\n") != kNone ? "\r\n" : "\n";
}

size_t TrackFileEditor::LineStart(size_t at) const {
  const size_t feed = at == 0 ? kNone : text_.rfind('\n', at - 1);
  return feed == kNone ? 0 : feed + 1;
}

std::string TrackFileEditor::IndentOf(size_t at) const {
  const size_t start = LineStart(at);
  const std::string before = text_.substr(start, at - start);
  return before.find_first_not_of(" \t") == kNone ? before : std::string();
}

bool TrackFileEditor::SetKey(int ms, float value, std::string& error) {
  const std::string valueText = ValueText(value);
  std::string text = text_;
  const int at = KeyAt(ms);
  if (at >= 0) {
    // Only the value changes: the author's spacing around it stays.
    const Span& span = spans_[static_cast<size_t>(at)];
    text.replace(span.valueStart, span.valueEnd - span.valueStart, valueText);
  } else if (keys_.size() >= static_cast<size_t>(kMaxTrackKeys)) {
    error = name_ + " already holds " + std::to_string(kMaxTrackKeys) + " keys, all the demo reads";
    return false;
  } else {
    const std::string key = TimeText(ms) + " : " + valueText + " ;";
    const std::string end = LineEnd();
    const float time = TimeOf(ms);
    size_t next = 0;  // the first key written after time: the new one goes before it
    while (next < keys_.size() && !(keys_[next].time > time)) ++next;
    if (spans_.empty()) {
      if (!text.empty() && text.back() != '\n') text += end;
      text += key + end;
    } else if (next > 0) {
      // On a line of its own after the key before it, unless that line goes
      // on with the next key or opens a block comment: then right after it.
      const Span& before = spans_[next - 1];
      const size_t feed = text.find('\n', before.end);
      const size_t lineEnd = feed == kNone ? text.size() : feed;
      const bool nextOnLine = next < spans_.size() && spans_[next].start < lineEnd;
      const bool comment = text.substr(before.end, lineEnd - before.end).find("/*") != kNone;
      if (nextOnLine || comment)
        text.insert(before.end, " " + key);
      else if (feed == kNone)
        text += end + IndentOf(before.start) + key;
      else
        text.insert(feed + 1, IndentOf(before.start) + key + end);
    } else {
      // A line of its own before the first key's line, unless that line
      // starts inside a block comment.
      const Span& first = spans_.front();
      const size_t start = LineStart(first.start);
      if (text.substr(start, first.start - start).find("*/") != kNone)
        text.insert(first.start, key + " ");
      else
        text.insert(start, IndentOf(first.start) + key + end);
    }
  }
  const TrackFileEditor before = *this;
  Change(std::move(text));
  const int written = KeyAt(ms);
  if (written < 0 || !SameFloat(keys_[static_cast<size_t>(written)].value, value) ||
      keys_.size() != before.keys_.size() + (at < 0)) {
    *this = before;
    error = "the key at " + TimeText(ms) + " could not be written into " + name_;
    return false;
  }
  return true;
}

bool TrackFileEditor::DeleteKey(int ms, std::string& error) {
  const int at = KeyAt(ms);
  if (at < 0) {
    error = "no key at " + TimeText(ms) + " in " + name_;
    return false;
  }
  if (keys_.size() == 1) {
    error = "the only key of " + name_ + " stays (a track needs one): type a value and Enter to change it";
    return false;
  }
  const Span& span = spans_[static_cast<size_t>(at)];
  const size_t start = LineStart(span.start);
  const size_t feed = text_.find('\n', span.end);
  const size_t lineEnd = feed == kNone ? text_.size() : feed;
  std::string text = text_;
  if (OnlyBlanks(text_, start, span.start) && OnlyBlanks(text_, span.end, lineEnd)) {
    // The key's own line goes whole; the last line without a line end takes
    // the one before it along, so the file still ends as it did.
    size_t from = start;
    if (feed == kNone && from > 0) from -= from >= 2 && text_[from - 2] == '\r' ? 2 : 1;
    text.erase(from, (feed == kNone ? lineEnd : feed + 1) - from);
  } else {
    size_t end = span.end;
    while (end < lineEnd && (text_[end] == ' ' || text_[end] == '\t')) ++end;
    text.erase(span.start, end - span.start);
  }
  Change(std::move(text));
  return true;
}

void TrackFileEditor::Change(std::string text) {
  history_.push_back({exists_, text_});
  if (history_.size() > kUndoLevels) history_.erase(history_.begin());
  std::string error;
  // Every text written here was made from a readable one; Parse only moves
  // the key positions along.
  Parse(text, error);
  exists_ = true;
  text_ = std::move(text);
}

bool TrackFileEditor::Undo() {
  if (history_.empty()) return false;
  Version last = std::move(history_.back());
  history_.pop_back();
  std::string error;
  Parse(last.text, error);
  exists_ = last.exists;
  text_ = std::move(last.text);
  return true;
}

std::string TrackFileEditor::TimeText(int ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%d.%03d", ms < 0 ? "-" : "", std::abs(ms / 1000),
                std::abs(ms % 1000));
  return text;
}

std::string TrackFileEditor::KeyText(int ms, float value) {
  return TimeText(ms) + " : " + ValueText(value) + " ;";
}

bool TrackFileEditor::ReadNumber(const std::string& text, float& value) {
  // A semicolon behind it, as in a key: the lexer wants more than one byte,
  // and the number must end exactly there.
  const std::string key = text + ";";
  KolText lexer;
  if (text.empty() || text.size() > KolText::kMaxToken ||
      lexer.OpenTextBytes("number", key.data(), static_cast<int>(key.size())) != kTextOk ||
      lexer.Offset() != 0 || lexer.ReadNumber() != kTextOk ||
      lexer.Offset() != static_cast<int>(text.size()))
    return false;
  value = lexer.Number();
  return true;
}

std::string TrackFileEditor::ValueText(float value) {
  // The shortest decimal that reads back as this float when rounded once;
  // the reader rounds to a double first, so it is checked, and where that
  // second rounding differs, more digits are given until it reads back.
  char buffer[128];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  std::string text = written.ec == std::errc() ? std::string(buffer, written.ptr) : "0";
  float back = 0.0f;
  if (ReadNumber(text, back) && SameFloat(back, value)) return text;
  for (int digits = 0; digits <= 60; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*f", digits, static_cast<double>(value));
    if (ReadNumber(buffer, back) && SameFloat(back, value)) return buffer;
  }
  return text;
}
