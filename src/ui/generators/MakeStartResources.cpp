// Draws the start dialog's pictures and writes them as C++ arrays, so the
// program ships no third-party art: make-start-resources OUT.cpp writes
// kTitlePicturePixels (the 200 x 40 title banner, 0x00RRGGBB) and
// kIconPixels32 / kIconPixels16 (the program icon, 0xAARRGGBB with alpha 0 or
// 255 and at most 16 colours each), declared in StartResourcePixels.h.
//
// The banner is a night-to-dawn run of soft vertical colour bands with the
// word SOLVANE in bold capitals; the letters are built from rectangles,
// superellipse rings and straight-edged diagonals and sampled 4 x 4 times per
// pixel. The icons are a rounded tile of four colour bands, each size drawn on
// its own pixel grid and snapped to a fixed palette.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kTitleWidth = 200;
constexpr int kTitleHeight = 40;

struct Rgb {
  double r, g, b;  // 0..1, sRGB encoded
};

Rgb Hex(std::uint32_t v) {
  return {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0};
}

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(const Rgb& a, double s) { return {a.r * s, a.g * s, a.b * s}; }

double ToLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double ToSrgb(double c) {
  c = std::clamp(c, 0.0, 1.0);
  return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
}

// Blends in linear light, so anti-aliased edges keep their apparent weight
// whether the letter is lighter or darker than what lies behind it.
Rgb MixLinear(const Rgb& a, const Rgb& b, double t) {
  return {ToSrgb(ToLinear(a.r) + (ToLinear(b.r) - ToLinear(a.r)) * t),
          ToSrgb(ToLinear(a.g) + (ToLinear(b.g) - ToLinear(a.g)) * t),
          ToSrgb(ToLinear(a.b) + (ToLinear(b.b) - ToLinear(a.b)) * t)};
}

std::uint32_t Pack(const Rgb& c) {
  auto byte = [](double v) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  };
  return (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

double SmoothStep(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

// --- Banner background ---------------------------------------------------

// The sky from night (left) to sunrise (right). The warm end is kept deep
// enough under the letters for the near-white word to stay readable.
Rgb SkyGradient(double t) {
  struct Stop {
    double at;
    std::uint32_t colour;
  };
  static const Stop kStops[] = {
      {0.00, 0x0A1230}, {0.18, 0x1A2A66}, {0.36, 0x3E2F7C}, {0.52, 0x83357E},
      {0.66, 0xC2466E}, {0.80, 0xE06846}, {0.92, 0xEE9640}, {1.00, 0xF4BC52},
  };
  constexpr int kCount = sizeof(kStops) / sizeof(kStops[0]);
  if (t <= kStops[0].at) return Hex(kStops[0].colour);
  for (int i = 1; i < kCount; ++i) {
    if (t <= kStops[i].at) {
      const double u = (t - kStops[i - 1].at) / (kStops[i].at - kStops[i - 1].at);
      return Mix(Hex(kStops[i - 1].colour), Hex(kStops[i].colour), u);
    }
  }
  return Hex(kStops[kCount - 1].colour);
}

// The gradient broken into vertical bands, each a flat colour taken from the
// middle of its span, with a few pixels of soft blending at every seam.
Rgb BandedSky(double x) {
  constexpr int kBands = 16;
  constexpr double kSoftness = 3.0;  // width in pixels of each seam
  const double bandWidth = static_cast<double>(kTitleWidth) / kBands;
  const double pos = x / bandWidth;
  const int band = std::clamp(static_cast<int>(std::floor(pos)), 0, kBands - 1);
  auto bandColour = [&](int i) {
    i = std::clamp(i, 0, kBands - 1);
    return SkyGradient((i + 0.5) / kBands);
  };
  const double intoBand = (pos - band) * bandWidth;  // pixels from the band's left edge
  const double half = kSoftness / 2.0;
  if (intoBand < half) {
    const double t = SmoothStep(0.5 + intoBand / kSoftness);
    return Mix(bandColour(band - 1), bandColour(band), t);
  }
  if (bandWidth - intoBand < half) {
    const double t = SmoothStep(0.5 + (bandWidth - intoBand) / kSoftness);
    return Mix(bandColour(band + 1), bandColour(band), t);
  }
  return bandColour(band);
}

Rgb Background(double x, double y) {
  const Rgb band = BandedSky(x);
  const double v = y / (kTitleHeight - 1);  // 0 top, 1 bottom
  // Darker overhead, brighter towards the horizon, with a faint warm glow
  // rising from the bottom edge where the sun is about to come up.
  Rgb c = Scale(band, 0.78 + 0.30 * v);
  const double glow = std::pow(v, 3.0) * 0.22 * SmoothStep((x / kTitleWidth - 0.15) / 0.85);
  c = Mix(c, Hex(0xFFD79A), glow);
  return c;
}

// --- Letters --------------------------------------------------------------

// Letter metrics in pixels. Stems are whole pixels wide and bars whole
// pixels thick so that straight edges land on the pixel grid.
constexpr double kCap = 21.0;  // cap height
constexpr double kStem = 4.0;  // vertical stroke
constexpr double kBar = 3.0;   // horizontal stroke

using Shape = std::function<bool(double, double)>;

struct Glyph {
  double width;
  Shape inside;  // glyph-local coordinates: x right, y down, cap box at y 0..kCap
};

bool InRect(double x, double y, double x0, double y0, double x1, double y1) {
  return x >= x0 && x < x1 && y >= y0 && y < y1;
}

// Inside a superellipse |dx/a|^n + |dy/b|^n <= 1; n a little above 2 gives
// the rounds a sturdier, slightly squared look than a plain ellipse.
bool InSuperellipse(double x, double y, double cx, double cy, double a, double b) {
  constexpr double kPower = 2.5;
  if (a <= 0 || b <= 0) return false;
  return std::pow(std::fabs(x - cx) / a, kPower) + std::pow(std::fabs(y - cy) / b, kPower) <= 1.0;
}

// A ring whose sides are kStem thick and whose top and bottom are kBar thick.
bool InRing(double x, double y, double cx, double cy, double a, double b) {
  return InSuperellipse(x, y, cx, cy, a, b) && !InSuperellipse(x, y, cx, cy, a - kStem, b - kBar);
}

// Which side of the line from (x0, y0) to (x1, y1) the point lies on:
// positive to the right when looking along the line in screen coordinates.
double Side(double x, double y, double x0, double y0, double x1, double y1) {
  return (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0);
}

// A convex quadrilateral given clockwise on screen (y down).
bool InQuad(double x, double y, const double (&p)[8]) {
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    if (Side(x, y, p[2 * i], p[2 * i + 1], p[2 * j], p[2 * j + 1]) < 0) return false;
  }
  return true;
}

Glyph LetterS() {
  const double w = 15.0;
  const double a = w / 2.0;
  const double b = (kCap + kBar) / 4.0;  // the two bowls share the middle bar
  const double topY = b;
  const double bottomY = kCap - b;
  return {w, [=](double x, double y) {
            const double cx = a;
            // Upper bowl, open on the right below its centre; lower bowl,
            // open on the left above its centre. The cuts lean a little so
            // the terminals end on a slant rather than flat.
            const bool upper = InRing(x, y, cx, topY, a, b) && !(x > cx && y > topY - 1.0 + 0.35 * (x - cx));
            const bool lower = InRing(x, y, cx, bottomY, a, b) && !(x < cx && y < bottomY + 1.0 - 0.35 * (cx - x));
            return upper || lower;
          }};
}

Glyph LetterO() {
  const double w = 18.0;
  return {w, [=](double x, double y) { return InRing(x, y, w / 2.0, kCap / 2.0, w / 2.0, kCap / 2.0); }};
}

Glyph LetterL() {
  const double w = 12.0;
  return {w, [=](double x, double y) {
            return InRect(x, y, 0, 0, kStem, kCap) || InRect(x, y, 0, kCap - kBar, w, kCap);
          }};
}

Glyph LetterE() {
  const double w = 12.0;
  return {w, [=](double x, double y) {
            const double midTop = std::floor((kCap - kBar) / 2.0);
            return InRect(x, y, 0, 0, kStem, kCap) || InRect(x, y, 0, 0, w, kBar) ||
                   InRect(x, y, 0, midTop, w - 1.0, midTop + kBar) || InRect(x, y, 0, kCap - kBar, w, kCap);
          }};
}

// V: a trapezoid narrowing to a short flat foot, with a triangle cut from
// the top. The cut's sides run parallel to the outside, so both strokes keep
// the same weight all the way down.
Glyph LetterV() {
  const double w = 18.0;
  const double foot = 2.2;   // half width of the flat bottom
  const double thick = 4.8;  // horizontal thickness of each diagonal
  return {w, [=](double x, double y) {
            const double c = w / 2.0;
            const double outer[8] = {0, 0, w, 0, c + foot, kCap, c - foot, kCap};
            if (!InQuad(x, y, outer)) return false;
            // The cut's sides are the outside edges moved inwards by thick.
            const double run = (c - foot) / kCap;  // x shift per pixel down
            const double left = thick + run * y;
            const double right = w - thick - run * y;
            return !(y >= 0 && x > left && x < right);
          }};
}

// A: the V turned over, with a crossbar a little below the middle.
Glyph LetterA() {
  const double w = 18.0;
  const double peak = 2.0;   // half width of the flat top
  const double thick = 4.8;  // horizontal thickness of each diagonal
  return {w, [=](double x, double y) {
            const double c = w / 2.0;
            const double outer[8] = {c - peak, 0, c + peak, 0, w, kCap, 0, kCap};
            if (!InQuad(x, y, outer)) return false;
            const double run = (c - peak) / kCap;
            const double fromBottom = kCap - y;
            const double left = thick + run * fromBottom;
            const double right = w - thick - run * fromBottom;
            const bool inCounter = x > left && x < right;
            const double barTop = 13.0;
            const bool onBar = y >= barTop && y < barTop + kBar;
            return !inCounter || onBar;
          }};
}

Glyph LetterN() {
  const double w = 16.0;
  const double thick = 4.8;
  return {w, [=](double x, double y) {
            const double diagonal[8] = {0, 0, thick, 0, w, kCap, w - thick, kCap};
            return InRect(x, y, 0, 0, kStem, kCap) || InRect(x, y, w - kStem, 0, w, kCap) ||
                   InQuad(x, y, diagonal);
          }};
}

struct PlacedGlyph {
  Glyph glyph;
  double left;
};

// SOLVANE, letter-spaced for a banner and kerned where diagonals leave
// open space (L-V, V-A). Returns the letters with their left edges set so
// the word is centred on the picture.
std::vector<PlacedGlyph> LayOutWord() {
  constexpr double kTracking = 4.0;
  struct Letter {
    Glyph glyph;
    double kernBefore;
  };
  const Letter word[] = {
      {LetterS(), 0}, {LetterO(), 0}, {LetterL(), 0}, {LetterV(), -3.0},
      {LetterA(), -3.0}, {LetterN(), 0}, {LetterE(), 0},
  };
  std::vector<PlacedGlyph> placed;
  double pen = 0;
  bool first = true;
  for (const Letter& l : word) {
    if (!first) pen += kTracking + l.kernBefore;
    first = false;
    placed.push_back({l.glyph, pen});
    pen += l.glyph.width;
  }
  // Centre on a whole pixel so stems stay crisp.
  const double shift = std::round((kTitleWidth - pen) / 2.0);
  for (PlacedGlyph& p : placed) p.left += shift;
  return placed;
}

// Fraction of each pixel the word covers, from 4 x 4 samples per pixel.
std::vector<double> WordCoverage(double top) {
  const std::vector<PlacedGlyph> word = LayOutWord();
  std::vector<double> coverage(kTitleWidth * kTitleHeight, 0.0);
  constexpr int kSamples = 4;
  for (int py = 0; py < kTitleHeight; ++py) {
    for (int px = 0; px < kTitleWidth; ++px) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double x = px + (sx + 0.5) / kSamples;
          const double y = py + (sy + 0.5) / kSamples - top;
          for (const PlacedGlyph& p : word) {
            const double gx = x - p.left;
            if (gx < -1 || gx > p.glyph.width + 1) continue;
            if (p.glyph.inside(gx, y)) {
              ++hits;
              break;
            }
          }
        }
      }
      coverage[py * kTitleWidth + px] = static_cast<double>(hits) / (kSamples * kSamples);
    }
  }
  return coverage;
}

std::vector<std::uint32_t> DrawTitle() {
  const double top = std::floor((kTitleHeight - kCap) / 2.0);
  const std::vector<double> cover = WordCoverage(top);
  auto coverAt = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= kTitleWidth || y >= kTitleHeight) return 0.0;
    return cover[y * kTitleWidth + x];
  };
  const Rgb ink = Hex(0xFFF7EC);     // warm near-white
  const Rgb shadow = Hex(0x070A1C);  // deep night blue

  std::vector<std::uint32_t> pixels(kTitleWidth * kTitleHeight);
  for (int y = 0; y < kTitleHeight; ++y) {
    for (int x = 0; x < kTitleWidth; ++x) {
      Rgb c = Background(x + 0.5, y + 0.5);
      // A soft drop shadow: the word moved one pixel down and right, blurred
      // over 3 x 3 pixels (centre weighted).
      double s = 0;
      double weights = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const double wgt = (dx == 0 ? 2.0 : 1.0) * (dy == 0 ? 2.0 : 1.0);
          s += wgt * coverAt(x - 1 + dx, y - 1 + dy);
          weights += wgt;
        }
      }
      c = MixLinear(c, shadow, 0.6 * s / weights);
      c = MixLinear(c, ink, coverAt(x, y));
      // A one-pixel frame, a darker shade of whatever lies beneath it, so the
      // banner has a clean edge on a light dialog.
      if (x == 0 || y == 0 || x == kTitleWidth - 1 || y == kTitleHeight - 1) c = Scale(c, 0.55);
      pixels[y * kTitleWidth + x] = Pack(c);
    }
  }
  return pixels;
}

// --- Icon ----------------------------------------------------------------

// Every colour the icon may use, opaque; transparency is the word 0.
const std::uint32_t kIconPalette[] = {
    0xFF10183A,  // outline, night blue
    0xFF2E4FA8,  // band 1, blue
    0xFF243F8A,  // band 1, shade
    0xFF4A6DC4,  // band 1, light
    0xFFD9548A,  // band 2, pink
    0xFFB8436F,  // band 2, shade
    0xFFEE7AA6,  // band 2, light
    0xFFF2843E,  // band 3, orange
    0xFFD66C2C,  // band 3, shade
    0xFFF9A365,  // band 3, light
    0xFFF8C84A,  // band 4, gold
    0xFFDDAA30,  // band 4, shade
    0xFFFCDF85,  // band 4, light
};

std::uint32_t NearestPaletteColour(std::uint32_t argb) {
  std::uint32_t best = kIconPalette[0];
  long bestDistance = -1;
  for (std::uint32_t p : kIconPalette) {
    long d = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const long diff = static_cast<long>((argb >> shift) & 0xFF) - static_cast<long>((p >> shift) & 0xFF);
      d += diff * diff;
    }
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = p;
    }
  }
  return best;
}

struct IconStyle {
  int size;
  // How many pixels each of the first rows leaves out at either end; this
  // staircase rounds the tile's corners and is mirrored for the bottom rows.
  std::vector<int> cornerInset;
  int bandWidths[4];  // widths of the four bands inside the outline
  int lightRows;      // rows of the lighter shade under the top outline
  int shadeRows;      // rows of the darker shade above the bottom outline
};

// A rounded tile, outlined in night blue, filled with four vertical bands
// (blue, pink, orange, gold). Each band is lighter at the top and darker at
// the bottom, like light falling from above. The corners come from a
// hand-picked staircase rather than a sampled curve, so every size stays
// crisp.
std::vector<std::uint32_t> DrawIcon(const IconStyle& style) {
  const int n = style.size;
  auto inset = [&](int y) {
    const int fromEdge = std::min(y, n - 1 - y);
    return fromEdge < static_cast<int>(style.cornerInset.size()) ? style.cornerInset[fromEdge] : 0;
  };
  auto inside = [&](int x, int y) { return y >= 0 && y < n && x >= inset(y) && x < n - inset(y); };

  std::vector<std::uint32_t> pixels(n * n, 0);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      if (!inside(x, y)) continue;  // transparent
      // The outline is every tile pixel with a side open to the outside.
      const bool rim = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
      std::uint32_t colour = kIconPalette[0];
      if (!rim) {
        int band = 0;
        int edge = 1 + style.bandWidths[0];
        while (band < 3 && x >= edge) edge += style.bandWidths[++band];
        const int base = 1 + 3 * band;  // main colour; +1 shade, +2 light
        // Rows from the outline above and below, so the shading follows the
        // corners.
        int above = 0;
        while (inside(x, y - above - 2)) ++above;
        int below = 0;
        while (inside(x, y + below + 2)) ++below;
        if (above < style.lightRows)
          colour = kIconPalette[base + 2];
        else if (below < style.shadeRows)
          colour = kIconPalette[base + 1];
        else
          colour = kIconPalette[base];
      }
      pixels[y * n + x] = NearestPaletteColour(colour) | 0xFF000000u;
    }
  }
  return pixels;
}

// Checks the limits the icon format relies on; prints why and returns false
// if a picture breaks them.
bool CheckIcon(const char* name, const std::vector<std::uint32_t>& pixels) {
  std::set<std::uint32_t> colours;
  for (std::uint32_t p : pixels) {
    const std::uint32_t alpha = p >> 24;
    if (alpha != 0 && alpha != 0xFF) {
      std::fprintf(stderr, "make-start-resources: %s has a pixel with alpha %u\n", name, alpha);
      return false;
    }
    if (alpha == 0 && p != 0) {
      std::fprintf(stderr, "make-start-resources: %s has a transparent pixel that is not 0\n", name);
      return false;
    }
    colours.insert(p);
  }
  if (colours.size() > 16) {
    std::fprintf(stderr, "make-start-resources: %s uses %zu colours, more than 16\n", name, colours.size());
    return false;
  }
  return true;
}

// --- Output ----------------------------------------------------------------

void AppendArray(std::string& out, const char* declaration, const std::vector<std::uint32_t>& words) {
  out += "const std::uint32_t ";
  out += declaration;
  out += " = {\n";
  char word[16];
  for (std::size_t i = 0; i < words.size(); ++i) {
    out += (i % 8 == 0) ? "    " : " ";
    std::snprintf(word, sizeof(word), "0x%08X,", static_cast<unsigned>(words[i]));
    out += word;
    if (i % 8 == 7 || i + 1 == words.size()) out += "\n";
  }
  out += "};\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: make-start-resources OUT.cpp [TITLE.ppm]\n");
    return 2;
  }
  const std::vector<std::uint32_t> title = DrawTitle();
  const std::vector<std::uint32_t> icon32 = DrawIcon({32, {5, 3, 2, 1, 1}, {8, 7, 7, 8}, 2, 2});
  const std::vector<std::uint32_t> icon16 = DrawIcon({16, {2, 1}, {4, 3, 3, 4}, 1, 1});
  if (!CheckIcon("kIconPixels32", icon32) || !CheckIcon("kIconPixels16", icon16)) return 1;

  std::string out = "// Generated by make-start-resources; do not edit.\n#include \"StartResourcePixels.h\"\n";
  AppendArray(out, "kTitlePicturePixels[200 * 40]", title);
  AppendArray(out, "kIconPixels32[32 * 32]", icon32);
  AppendArray(out, "kIconPixels16[16 * 16]", icon16);

  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f) {
    std::fprintf(stderr, "make-start-resources: cannot write %s\n", argv[1]);
    return 1;
  }
  const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (std::fclose(f) != 0 || !written) {
    std::fprintf(stderr, "make-start-resources: cannot write %s\n", argv[1]);
    return 1;
  }
  // The title picture as an image too, for tests that look for it on screen.
  if (argc == 3) {
    std::string ppm = "P6\n200 40\n255\n";
    for (std::uint32_t p : title) {
      ppm += static_cast<char>((p >> 16) & 0xFF);
      ppm += static_cast<char>((p >> 8) & 0xFF);
      ppm += static_cast<char>(p & 0xFF);
    }
    std::FILE* image = std::fopen(argv[2], "wb");
    const bool saved = image && std::fwrite(ppm.data(), 1, ppm.size(), image) == ppm.size();
    if (!image || std::fclose(image) != 0 || !saved) {
      std::fprintf(stderr, "make-start-resources: cannot write %s\n", argv[2]);
      return 1;
    }
  }
  return 0;
}
