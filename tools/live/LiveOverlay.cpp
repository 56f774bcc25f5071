#include "LiveOverlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

}  // namespace

int TimelineAxis::XAt(double t) const {
  return left + static_cast<int>(std::lround((right - left) * t / seconds));
}

std::string SecondsText(int ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%d.%03d", ms < 0 ? "-" : "", std::abs(ms / 1000),
                std::abs(ms % 1000));
  return text;
}

std::string BarBeatText(int ms, double bpm) {
  if (bpm <= 0.0) return "";
  const long long beat = static_cast<long long>(std::floor(ms * bpm / 60000.0));
  char text[48];
  std::snprintf(text, sizeof text, "%lld:%lld", beat / 4 + 1, beat % 4 + 1);
  return text;
}

std::string StatusText(const OverlayState& state) {
  std::string status = SecondsText(state.timeMs) + " s";
  if (state.bpm > 0.0) status += "   bar:beat " + BarBeatText(state.timeMs, state.bpm);
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

    // The timeline: one row per effect, in demo-script order, top to bottom.
    std::vector<const VEffect*> effects;
    if (state.effects)
      for (const VList::Node* n = state.effects->First(); n != state.effects->End(); n = n->next)
        effects.push_back(n->element);
    std::reverse(effects.begin(), effects.end());  // the list holds them last first
    const int axisEnd = std::clamp(state.endTime, 1, kAxisLimit);
    const int left = 6, right = width - 6;
    const int maxRows = std::max(1, (canvas.height / 2 - row) / row);
    const int rows = std::min(static_cast<int>(effects.size()), maxRows);
    const int bottom = canvas.height - 4;
    const int top = bottom - rows * row - row;  // one more row for the axis
    const TimelineAxis axis{left, right, top, bottom, static_cast<double>(axisEnd)};
    const auto xAt = [&axis](double seconds) { return axis.XAt(seconds); };
    canvas.Darken(0, top - 4, width, canvas.height);
    if (state.loopOutMs >= 0)
      canvas.Fill(xAt(state.loopInMs / 1000.0), top, xAt(state.loopOutMs / 1000.0) + 1, bottom,
                  state.loop ? 0x303050 : 0x202028);
    // The grid: beats where they lie at least 4 pixels apart, bars brighter;
    // without a tempo, whole seconds.
    const double step = state.bpm > 0.0 ? 60.0 / state.bpm : 1.0;
    if ((right - left) * step / axisEnd >= 4.0) {
      for (long long k = 0; k * step <= axisEnd; ++k) {
        const bool bar = state.bpm <= 0.0 || k % 4 == 0;
        const int x = xAt(k * step);
        canvas.Fill(x, top, x + 1, bottom, bar ? 0x585858 : 0x303030);
      }
    }
    for (int i = 0; i < rows; ++i) {
      const VEffect* e = effects[static_cast<size_t>(i)];
      const int y = top + i * row;
      const double start = std::clamp<double>(e->startTime, 0.0, axisEnd);
      const double end = std::clamp<double>(e->endTime, 0.0, axisEnd);
      const int x0 = xAt(start), x1 = std::max(xAt(end), x0 + 1);
      const bool active = e->ActiveAt(static_cast<float>(state.timeMs / 1000.0));
      canvas.Fill(x0, y + 1, x1, y + row - 1, KindColor(e->KindName()) | (active ? 0x202020 : 0));
      const std::string label = e->name + " (" + e->KindName() + ")";
      const int labelX = std::min(x0 + 3, right - plat::DrawTextOnPixels(nullptr, 0, 0, 0, 0, label, 0, kPointSize));
      canvas.Text(std::max(left, labelX), y + 1, label, active ? kInk : kDim);
    }
    if (static_cast<int>(effects.size()) > rows) {
      char more[48];
      std::snprintf(more, sizeof more, "+%d more", static_cast<int>(effects.size()) - rows);
      canvas.Text(right - 60, top - row, more, kDim);
    }
    // The axis: whole seconds at its ends, then the current time on top.
    const int axisY = top + rows * row;
    canvas.Text(left, axisY + 1, "0", kDim);
    const std::string endText = std::to_string(axisEnd) + " s";
    canvas.Text(right - plat::DrawTextOnPixels(nullptr, 0, 0, 0, 0, endText, 0, kPointSize), axisY + 1,
                endText, kDim);
    if (state.drawOverTimeline) state.drawOverTimeline(pixels, width, canvas.height, axis);
    const int now = xAt(std::clamp(state.timeMs / 1000.0, 0.0, static_cast<double>(axisEnd)));
    canvas.Fill(now, top, now + 1, bottom, kNow);
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
