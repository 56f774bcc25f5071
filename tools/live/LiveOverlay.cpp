#include "LiveOverlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "MusicStrip.h"
#include "Platform.h"
#include "VEffect.h"
#include "VList.h"

namespace {

constexpr int kPointSize = 8;
constexpr std::uint32_t kInk = 0xFFFFFF;
constexpr std::uint32_t kDim = 0xA0A0A0;
constexpr std::uint32_t kNow = 0xFFE040;
constexpr std::uint32_t kErrorInk = 0xFFFFFF;
constexpr int kAxisLimit = 3600;  // seconds: beyond this the timeline shows the first hour
constexpr int kMusicHeight = 96;  // pixels of waveform and spectrogram at the least

// Where drawing may go: every row but the last.
struct Canvas {
  std::uint32_t* pixels;
  int width, height;

  void Darken(int left, int top, int right, int bottom) {
    left = std::max(left, 0), top = std::max(top, 0);
    right = std::min(right, width), bottom = std::min(bottom, height);
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) {
        std::uint32_t& p = pixels[static_cast<size_t>(y) * width + x];
        p = (p >> 2) & 0x3F3F3F;
      }
  }
  // Half the picture, half the colour: a bar over the music leaves it seen.
  void Blend(int left, int top, int right, int bottom, std::uint32_t color) {
    left = std::max(left, 0), top = std::max(top, 0);
    right = std::min(right, width), bottom = std::min(bottom, height);
    const std::uint32_t half = (color >> 1) & 0x7F7F7F;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) {
        std::uint32_t& p = pixels[static_cast<size_t>(y) * width + x];
        p = ((p >> 1) & 0x7F7F7F) + half;
      }
  }
  void Fill(int left, int top, int right, int bottom, std::uint32_t color) {
    left = std::max(left, 0), top = std::max(top, 0);
    right = std::min(right, width), bottom = std::min(bottom, height);
    for (int y = top; y < bottom; ++y)
      std::fill(pixels + static_cast<size_t>(y) * width + left,
                pixels + static_cast<size_t>(y) * width + std::max(left, right), color);
  }
  int Text(int x, int y, const std::string& text, std::uint32_t color) {
    return plat::DrawTextOnPixels(pixels, width, height, x, y, text, color, kPointSize);
  }
};

// Effect bars take colours by kind, so a timeline reads at a glance.
std::uint32_t KindColor(const std::string& kind) {
  if (kind == "EndEffect") return 0x4060C0;
  if (kind == "WaveLarge") return 0x2E8B57;
  if (kind == "WaveFlash") return 0x40B080;
  if (kind == "Particle") return 0xB05050;
  if (kind == "Scroller") return 0x9060B0;
  return 0x707070;
}

int TextWidth(const std::string& text) {
  return plat::DrawTextOnPixels(nullptr, 0, 0, 0, 0, text, 0, kPointSize);
}

// The text in rows no wider than width, broken after spaces where it can be
// and inside a word only when the word alone is wider: a hint that names a
// long path is read whole, not cut at the picture's edge.
std::vector<std::string> WrapText(const std::string& text, int width) {
  // A space that ends a row takes no room.
  const auto fits = [width](const std::string& row) {
    return TextWidth(row.substr(0, row.find_last_not_of(' ') + 1)) <= width;
  };
  std::vector<std::string> rows;
  std::string row;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(' ', at);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string word = text.substr(at, end - at);
    at = end;
    if (!row.empty() && !fits(row + word)) {
      while (!row.empty() && row.back() == ' ') row.pop_back();
      rows.push_back(row);
      row.clear();
    }
    row += word;
    while (row.size() > 1 && !fits(row)) {
      size_t length = row.size() - 1;
      while (length > 1 && !fits(row.substr(0, length))) --length;
      rows.push_back(row.substr(0, length));
      row.erase(0, length);
    }
  }
  if (!row.empty() || rows.empty()) rows.push_back(row);
  return rows;
}

// "52 s", "22.75 s": an end of the axis, to the millisecond without the zeros.
std::string AxisText(double seconds) {
  char text[40];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  std::string shown = text;
  while (shown.back() == '0') shown.pop_back();
  if (shown.back() == '.') shown.pop_back();
  return shown + " s";
}

}  // namespace

int TimelineAxis::XAt(double t) const {
  return left + static_cast<int>(std::lround((right - left) * (t - start) / (seconds - start)));
}

std::string SecondsText(int ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%d.%03d", ms < 0 ? "-" : "", std::abs(ms / 1000),
                std::abs(ms % 1000));
  return text;
}

std::string BarBeatText(int ms, double bpm, double offset) {
  if (bpm <= 0.0) return "";
  const long long beat = static_cast<long long>(std::floor((ms - offset * 1000.0) * bpm / 60000.0));
  const long long bar = beat >= 0 ? beat / 4 : -((3 - beat) / 4);
  char text[48];
  std::snprintf(text, sizeof text, "%lld:%lld", bar + 1, beat - bar * 4 + 1);
  return text;
}

std::string StatusText(const OverlayState& state) {
  std::string status = SecondsText(state.timeMs) + " s";
  if (state.bpm > 0.0)
    status += "   bar:beat " + BarBeatText(state.timeMs, state.bpm, state.beatOffset);
  // A held picture has no frame rate: the frames drawn then are redraws.
  if (state.paused) {
    status += "   paused";
  } else {
    char fps[32];
    std::snprintf(fps, sizeof fps, "   %d fps", state.framesPerSecond);
    status += fps;
  }
  if (state.loopOutMs >= 0)
    status += "   loop " + SecondsText(state.loopInMs) + " - " + SecondsText(state.loopOutMs) +
              (state.loop ? " on" : " off");
  if (!state.record.empty()) status += "   " + state.record;
  return status;
}

void DrawOverlay(std::uint32_t* pixels, int width, int height, const OverlayState& state) {
  if (!pixels || width <= 0 || height <= 1) return;
  Canvas canvas{pixels, width, height - 1};
  int lineHeight = 0;
  plat::DrawTextOnPixels(nullptr, 0, 0, 0, 0, "", 0, kPointSize, &lineHeight);
  const int row = std::max(lineHeight + 2, 8);

  if (state.timeline) {
    canvas.Darken(0, 0, width, row + 4);
    canvas.Text(6, 2, StatusText(state), kInk);

    // The timeline: one row per effect, in demo-script order, top to bottom,
    // over the music when it is known.
    std::vector<const VEffect*> effects;
    if (state.effects)
      for (const VList::Node* n = state.effects->First(); n != state.effects->End(); n = n->next)
        effects.push_back(n->element);
    std::reverse(effects.begin(), effects.end());  // the list holds them last first
    const double whole = std::clamp(state.endTime, 1, kAxisLimit);
    const bool zoomed = state.viewEnd > state.viewStart;
    const double span = zoomed ? std::min(state.viewEnd - state.viewStart, whole) : whole;
    const int left = 6, right = std::max(width - 6, left + 1);
    // Times lie on a grid of whole columns, so the music's columns, cached,
    // line up with the grid and the bars whatever the current time.
    const double columnSeconds = span / (right - left);
    const long long firstColumn =
        zoomed ? static_cast<long long>(std::floor(state.viewStart / columnSeconds)) : 0;
    const double viewStart = firstColumn * columnSeconds, viewEnd = viewStart + span;
    const int maxRows = std::max(1, (canvas.height / 2 - row) / row);
    const int rows = std::min(static_cast<int>(effects.size()), maxRows);
    const int bottom = canvas.height - 4;
    const int axisY = bottom - row;
    int top = axisY - rows * row;
    if (state.music) top = std::max(std::min(top, axisY - kMusicHeight), canvas.height / 2);
    const TimelineAxis axis{left, right, top, bottom, viewEnd, viewStart};
    const auto xAt = [&axis](double seconds) { return axis.XAt(seconds); };
    const auto inView = [&](double seconds) { return seconds >= viewStart && seconds <= viewEnd; };
    canvas.Darken(0, top - 4, width, canvas.height);
    if (state.music) {
      const int stripHeight = axisY - top;
      const std::uint32_t* strip =
          state.music->Draw(firstColumn, columnSeconds, right - left, stripHeight);
      for (int y = 0; y < stripHeight && top + y < canvas.height; ++y)
        std::copy(strip + static_cast<size_t>(y) * (right - left),
                  strip + static_cast<size_t>(y + 1) * (right - left),
                  canvas.pixels + static_cast<size_t>(top + y) * width + left);
    }
    if (state.loopOutMs >= 0) {
      const int x0 = xAt(std::max(state.loopInMs / 1000.0, viewStart));
      const int x1 = xAt(std::min(state.loopOutMs / 1000.0, viewEnd)) + 1;
      const std::uint32_t color = state.loop ? 0x303050 : 0x202028;
      if (state.music)
        canvas.Blend(x0, top, x1, bottom, color * 2);
      else
        canvas.Fill(x0, top, x1, bottom, color);
    }
    // The grid: beats where they lie at least 4 pixels apart, bars brighter;
    // without a tempo, whole seconds. Bars are numbered along the axis as far
    // apart as their labels need.
    const bool grid = state.bpm > 0.0;
    const double step = grid ? 60.0 / state.bpm : 1.0;
    const double origin = grid ? state.beatOffset : 0.0;
    const int perBar = grid ? 4 : 1;
    const double stepPixels = step / columnSeconds;
    long long labelEvery = perBar;
    while (labelEvery * stepPixels < 40.0 && labelEvery < (1LL << 40)) labelEvery *= 2;
    const std::string startText = AxisText(viewStart), endText = AxisText(viewEnd);
    const int labelsFrom = left + TextWidth(startText) + 6;
    const int labelsTo = right - TextWidth(endText) - 6;
    for (long long k = static_cast<long long>(std::ceil((viewStart - origin) / step));
         origin + k * step <= viewEnd; ++k) {
      const double at = origin + k * step;
      const bool bar = ((k % perBar) + perBar) % perBar == 0;
      if (at < 0.0 || stepPixels * (bar ? perBar : 1) < 4.0) continue;
      const int x = xAt(at);
      canvas.Fill(x, top, x + 1, axisY, bar ? (state.music ? 0x9090A0 : 0x585858)
                                           : (state.music ? 0x505058 : 0x303030));
      if (((k % labelEvery) + labelEvery) % labelEvery == 0) {
        const std::string label = std::to_string(grid ? k / perBar + 1 : k);
        if (x + 2 >= labelsFrom && x + 2 + TextWidth(label) <= labelsTo)
          canvas.Text(x + 2, axisY + 1, label, kDim);
      }
    }
    for (int i = 0; i < rows; ++i) {
      const VEffect* e = effects[static_cast<size_t>(i)];
      if (e->endTime < viewStart || e->startTime > viewEnd) continue;
      const int y = top + i * row;
      const int x0 = xAt(std::clamp<double>(e->startTime, viewStart, viewEnd));
      const int x1 = std::max(xAt(std::clamp<double>(e->endTime, viewStart, viewEnd)), x0 + 1);
      const bool active = e->ActiveAt(static_cast<float>(state.timeMs / 1000.0));
      const std::uint32_t color = KindColor(e->KindName()) | (active ? 0x202020 : 0);
      if (state.music)
        canvas.Blend(x0, y + 1, x1, y + row - 1, color);
      else
        canvas.Fill(x0, y + 1, x1, y + row - 1, color);
      const std::string label = e->name + " (" + e->KindName() + ")";
      const int labelX = std::min(x0 + 3, right - TextWidth(label));
      canvas.Text(std::max(left, labelX), y + 1, label, active ? kInk : kDim);
    }
    if (static_cast<int>(effects.size()) > rows) {
      char more[48];
      std::snprintf(more, sizeof more, "+%d more", static_cast<int>(effects.size()) - rows);
      canvas.Text(right - 60, top - row, more, kDim);
    }
    // The axis: the times at its ends, what --record draws along it, then
    // the current time on top.
    canvas.Text(left, axisY + 1, startText, kDim);
    canvas.Text(right - TextWidth(endText), axisY + 1, endText, kDim);
    if (state.drawOverTimeline) state.drawOverTimeline(pixels, width, canvas.height, axis);
    const double nowSeconds = state.timeMs / 1000.0;
    if (inView(nowSeconds) || !zoomed) {
      const int now = xAt(std::clamp(nowSeconds, viewStart, viewEnd));
      canvas.Fill(now, top, now + 1, bottom, kNow);
    }
  }
  if (!state.error.empty()) {
    struct Row {
      std::string text;
      std::uint32_t ink;
    };
    std::vector<Row> rows;
    for (size_t i = 0; i < state.error.size(); ++i) {
      const bool own = i + 1 == state.error.size() && i > 0;
      for (std::string& text : WrapText(state.error[i], width - 12))
        rows.push_back({std::move(text), own ? kDim : kErrorInk});
    }
    const int top = std::max(0, canvas.height - static_cast<int>(rows.size()) * row - 8);
    canvas.Fill(0, top, width, canvas.height, 0x801010);
    for (size_t i = 0; i < rows.size(); ++i)
      canvas.Text(6, top + 4 + static_cast<int>(i) * row, rows[i].text, rows[i].ink);
  }
}
