// Text drawn straight onto pixel memory, for the author tools' overlays: the
// backend gives the line's coverage in the dialog font, and it is blended here
// the same way on every backend.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "Backend.h"
#include "Desktop.h"

namespace plat {

void Backend::TextCoverage(const std::string& text, int pointSize,
                           std::vector<std::uint8_t>& coverage, int& width, int& height) {
  int cellWidth = 0;
  FontMetrics("", pointSize, cellWidth, height);
  width = cellWidth * static_cast<int>(text.size());
  coverage.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    // One pixel of space on the right and at the bottom, as between real glyphs.
    for (int y = 0; y + 1 < height; ++y)
      std::fill_n(coverage.begin() + y * width + static_cast<int>(i) * cellWidth,
                  std::max(0, cellWidth - 1), std::uint8_t{255});
  }
}

int DrawTextOnPixels(std::uint32_t* pixels, int width, int height, int x, int y,
                     const std::string& text, std::uint32_t color, int pointSize,
                     int* lineHeight) {
  Backend* backend = TheDesktop().backend.get();
  if (lineHeight) *lineHeight = 0;
  if (!backend) return 0;
  std::vector<std::uint8_t> coverage;
  int textWidth = 0, textHeight = 0;
  if (text.empty()) {
    int unused = 0;
    backend->FontMetrics("", pointSize, unused, textHeight);
  } else {
    backend->TextCoverage(text, pointSize, coverage, textWidth, textHeight);
  }
  if (lineHeight) *lineHeight = textHeight;
  if (!pixels || coverage.empty()) return textWidth;
  const int inkR = (color >> 16) & 0xFF, inkG = (color >> 8) & 0xFF, inkB = color & 0xFF;
  for (int row = std::max(0, -y); row < textHeight && y + row < height; ++row) {
    std::uint32_t* line = pixels + static_cast<size_t>(y + row) * static_cast<size_t>(width);
    for (int column = std::max(0, -x); column < textWidth && x + column < width; ++column) {
      const int a = coverage[static_cast<size_t>(row) * textWidth + column];
      if (a == 0) continue;
      const std::uint32_t under = line[x + column];
      const auto mix = [a](int ink, int back) { return (ink * a + back * (255 - a) + 127) / 255; };
      line[x + column] = static_cast<std::uint32_t>(mix(inkR, (under >> 16) & 0xFF)) << 16 |
                         static_cast<std::uint32_t>(mix(inkG, (under >> 8) & 0xFF)) << 8 |
                         static_cast<std::uint32_t>(mix(inkB, under & 0xFF));
    }
  }
  return textWidth;
}

}  // namespace plat
