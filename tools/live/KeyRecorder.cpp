#include "KeyRecorder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "Platform.h"

namespace {

constexpr size_t kTypedLimit = 32;
constexpr int kBandHeight = 120;        // pixels of the curve's band at most
constexpr std::uint32_t kCurve = 0x40E0FF;
constexpr std::uint32_t kKeyPoint = 0xFF8040;

// The file's bytes; false when there is no regular file (or it cannot be read).
bool ReadWhole(const std::string& path, std::string& text) {
  text.clear();
  std::FILE* file = plat::OpenRegularFile(path.c_str(), "rb");
  if (!file) return false;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

char TypedCharacter(unsigned key) {
  if (key >= '0' && key <= '9') return static_cast<char>(key);
  if (key >= plat::kKeyNumpad0 && key <= plat::kKeyNumpad0 + 9)
    return static_cast<char>('0' + (key - plat::kKeyNumpad0));
  if (key == plat::kKeyMinus || key == plat::kKeyNumpadMinus) return '-';
  if (key == plat::kKeyPeriod || key == plat::kKeyNumpadPeriod) return '.';
  return 0;
}

bool MinusWithShift(unsigned key) {
  return (key == plat::kKeyMinus || key == plat::kKeyNumpadMinus) && plat::KeyIsDown(plat::kKeyShift);
}

}  // namespace

KeyRecorder::KeyRecorder(const std::string& dataDirectory, const std::string& name, int quantize)
    : name_(name),
      trackName_("Script/Float/" + name + ".txt"),
      path_(dataDirectory.empty() ? trackName_ : dataDirectory + "/" + trackName_),
      quantize_(quantize) {}

bool KeyRecorder::Read(std::string& error) {
  std::string text;
  const bool exists = ReadWhole(path_, text);
  std::error_code ec;
  if (!exists && std::filesystem::exists(path_, ec)) {
    error = path_ + " cannot be read as a file";
    return readable_ = false;
  }
  // Unchanged since the last save: the undo levels stay. Changed by hand:
  // the file as it is now is where undoing stops.
  if (readable_ && exists == editor_.Exists() && text == editor_.Text()) return true;
  readable_ = editor_.Open(trackName_, exists, text, error);
  return readable_;
}

bool KeyRecorder::Save(std::FILE* errors) {
  bool saved;
  if (editor_.Exists()) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
    saved = plat::ReplaceRegularFile(path_, editor_.Text().data(), editor_.Text().size());
  } else {
    // Undone back to before the file was made.
    saved = plat::RemoveFile(path_);
  }
  if (saved) {
    saved_ = true;
    return true;
  }
  std::fprintf(errors, "solvane-live: %s could not be %s; it is as it was, and so is the track\n",
               path_.c_str(), editor_.Exists() ? "written" : "removed");
  std::fflush(errors);
  return false;
}

void KeyRecorder::Change(bool done, const std::string& what, const std::string& error,
                         std::FILE* out, std::FILE* errors) {
  if (done) {
    std::fprintf(out, "%s: %s\n", trackName_.c_str(), what.c_str());
    std::fflush(out);
  } else if (!error.empty()) {
    std::fprintf(errors, "solvane-live: %s\n", error.c_str());
    std::fflush(errors);
  }
}

bool KeyRecorder::KeyDown(unsigned key, bool control, int timeMs, const BeatGrid& grid,
                          std::FILE* out, std::FILE* errors) {
  // Shift+- is left to the timeline's zoom, which - alone would otherwise
  // lose while a value is typed.
  const bool zoomOut = MinusWithShift(key);
  if (const char c = TypedCharacter(key); c && !control && !zoomOut) {
    if (typed_.size() < kTypedLimit) typed_ += c;
    return true;
  }
  if (key == plat::kKeyBack) {
    if (!typed_.empty()) typed_.pop_back();
    return true;
  }
  const bool enter = key == plat::kKeyReturn, erase = key == plat::kKeyDelete;
  const bool undo = control && key == 'Z';
  if (!enter && !erase && !undo) return false;

  std::string error;
  if (!Read(error)) {
    Change(false, "", error + "; fix it, then record again", out, errors);
    return true;
  }
  const int ms = SnapMs(timeMs, grid);
  if (enter) {
    float value = 0.0f;
    const std::string typed = typed_;
    typed_.clear();
    if (typed.empty()) {
      Change(false, "", "type a value first, then Enter", out, errors);
    } else if (!TrackFileEditor::ReadNumber(typed, value)) {
      Change(false, "", "\"" + typed + "\" is no number the scripts read (as 0.5, -3 or 12)", out,
             errors);
    } else {
      const bool made = !editor_.Exists();
      bool done = editor_.SetKey(ms, value, error);
      if (done && !(done = Save(errors))) editor_.Undo();
      Change(done, TrackFileEditor::KeyText(ms, value), error, out, errors);
      if (done && made)
        Change(true,
               "made; the demo reads it once an effect script in Script/Effect/ names it, as in "
               "\"Alpha = " + name_ + " ;\"",
               "", out, errors);
    }
  } else if (erase) {
    bool done = editor_.DeleteKey(ms, error);
    if (done && !(done = Save(errors))) editor_.Undo();
    Change(done, "the key at " + TrackFileEditor::TimeText(ms) + " deleted", error, out, errors);
  } else if (!editor_.Undo()) {
    Change(false, "", "nothing to undo in " + trackName_, out, errors);
  } else {
    // A failed save leaves the file ahead of the editor; the next key reads it again.
    const bool done = Save(errors);
    Change(done, "undone (" + std::to_string(editor_.UndoLevels()) + " more to undo)", "", out,
           errors);
  }
  return true;
}

std::string KeyRecorder::StatusText() const {
  return "record " + name_ + (typed_.empty() ? "" : ": " + typed_ + "_");
}

void KeyRecorder::DrawCurve(std::uint32_t* pixels, int width, int height,
                            const TimelineAxis& axis) const {
  const std::vector<FloatKey>& keys = editor_.Keys();
  if (!pixels || keys.empty()) return;
  const int bottom = std::min(axis.top - 4, height);
  const int top = std::max(bottom - kBandHeight, 24);
  if (bottom - top < 8) return;
  const auto put = [&](int x, int y, std::uint32_t color) {
    if (x >= 0 && x < width && y >= 0 && y < height)
      pixels[static_cast<size_t>(y) * width + x] = color;
  };
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint32_t& p = pixels[static_cast<size_t>(y) * width + x];
      p = (p >> 2) & 0x3F3F3F;
    }
  // The values' range fills the band, with a margin; a flat track sits in the middle.
  float low = keys.front().value, high = low;
  for (const FloatKey& key : keys) low = std::min(low, key.value), high = std::max(high, key.value);
  double span = static_cast<double>(high) - low;
  if (!(span > 1e-9)) span = 1.0;
  const double base = (static_cast<double>(low) + high) / 2 - span * 0.55;
  const auto yAt = [&](double value) {
    const double y = bottom - 1 - (value - base) / (span * 1.1) * (bottom - top - 1);
    return static_cast<int>(std::lround(std::clamp(y, static_cast<double>(top), bottom - 1.0)));
  };
  // The curve is the demo's own evaluation at each column's time.
  const FloatTrack track = editor_.Track();
  int previous = -1;
  for (int x = axis.left; x <= axis.right; ++x) {
    const int y = yAt(track.ValueAt(static_cast<float>(axis.SecondsAt(x))));
    const int from = previous < 0 ? y : previous;
    for (int k = std::min(from, y); k <= std::max(from, y); ++k) put(x, k, kCurve);
    previous = y;
  }
  for (const FloatKey& key : keys) {
    if (key.time < axis.start || key.time > axis.seconds) continue;
    const int x = axis.XAt(key.time), y = yAt(key.value);
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) put(x + dx, y + dy, kKeyPoint);
  }
}
