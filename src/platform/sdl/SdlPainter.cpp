#include "SdlPainter.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "SystemServices.h"

namespace plat::sdl {

namespace {

// Where Debian (fonts-dejavu-core) and other systems keep the face.
constexpr const char* kFontPaths[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/TTF/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
    "/usr/local/share/fonts/DejaVuSans.ttf",
};

SDL_Rect ToSdl(const Rect& r) { return SDL_Rect{r.left, r.top, r.Width(), r.Height()}; }

Uint32 Map(SDL_Surface* s, std::uint32_t color) {
  return SDL_MapRGB(s->format, (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

}  // namespace

SdlPainter::~SdlPainter() {
  for (auto& [size, font] : fonts_) TTF_CloseFont(font);
}

bool SdlPainter::Open(std::string& error) {
  // A release carries its own copy in lib/ beside the program, for machines
  // without the font; the system's is used otherwise.
  std::string own = NativeProgramPath();
  own = own.substr(0, own.find_last_of('/') + 1) + "lib/DejaVuSans.ttf";
  std::vector<std::string> paths = {own};
  paths.insert(paths.end(), std::begin(kFontPaths), std::end(kFontPaths));
  for (const std::string& path : paths) {
    if (SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb")) {
      SDL_RWclose(file);
      fontPath_ = path;
      return true;
    }
  }
  error = "the dialog font DejaVuSans.ttf is not installed (Debian: fonts-dejavu-core)";
  return false;
}

TTF_Font* SdlPainter::FontAt(int pointSize) {
  // Points at the 96 pixels per inch a desktop assumes.
  const int pixels = std::max(1, static_cast<int>(std::lround(pointSize * 96.0 / 72.0)));
  const auto found = fonts_.find(pixels);
  if (found != fonts_.end()) return found->second;
  TTF_Font* font = TTF_OpenFont(fontPath_.c_str(), pixels);
  if (font) TTF_SetFontHinting(font, TTF_HINTING_LIGHT);
  fonts_[pixels] = font;
  return font;
}

void SdlPainter::Metrics(int pointSize, int& averageWidth, int& height) {
  averageWidth = 6;
  height = 13;
  TTF_Font* font = FontAt(pointSize);
  if (!font) return;
  // The average width of the 52 letters, rounded, as dialog units are measured.
  int w = 0, h = 0;
  if (TTF_SizeUTF8(font, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", &w, &h) == 0)
    averageWidth = (w + 26) / 52;
  height = TTF_FontHeight(font);
}

void SdlPainter::Text(SDL_Surface* target, const DrawCommand& c) {
  TTF_Font* font = FontAt(c.pointSize);
  if (!font || c.text.empty()) return;
  const SDL_Color ink{static_cast<Uint8>((c.color >> 16) & 0xFF),
                      static_cast<Uint8>((c.color >> 8) & 0xFF), static_cast<Uint8>(c.color & 0xFF),
                      255};
  SDL_Surface* text = TTF_RenderUTF8_Blended(font, c.text.c_str(), ink);
  if (!text) return;
  const SDL_Rect clip = ToSdl(c.rect);
  SDL_Rect at{clip.x, clip.y + (clip.h - text->h) / 2, text->w, text->h};
  if (c.centred) at.x = clip.x + (clip.w - text->w) / 2;
  SDL_SetClipRect(target, &clip);
  SDL_BlitSurface(text, nullptr, target, &at);
  SDL_SetClipRect(target, nullptr);
  SDL_FreeSurface(text);
}

void SdlPainter::Coverage(const std::string& text, int pointSize,
                          std::vector<std::uint8_t>& coverage, int& width, int& height) {
  coverage.clear();
  width = 0;
  height = 0;
  TTF_Font* font = FontAt(pointSize);
  if (!font) return;
  height = TTF_FontHeight(font);
  SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, text.c_str(), SDL_Color{255, 255, 255, 255});
  if (!rendered) return;
  // Blended text comes as ARGB8888: its alpha is the coverage.
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(rendered);
  if (!argb) return;
  width = argb->w;
  height = argb->h;
  coverage.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  SDL_LockSurface(argb);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(argb->pixels) +
                                                      static_cast<size_t>(y) * argb->pitch);
    for (int x = 0; x < width; ++x)
      coverage[static_cast<size_t>(y) * width + x] = static_cast<std::uint8_t>(row[x] >> 24);
  }
  SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
}

void SdlPainter::Picture(SDL_Surface* target, const DrawCommand& c) {
  const plat::Picture* p = c.picture;
  if (!p || !p->pixels) return;
  // Pictures are opaque: the top byte is ignored.
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<std::uint32_t*>(p->pixels), p->width, p->height, 32, p->width * 4,
      SDL_PIXELFORMAT_RGB888);
  if (!source) return;
  SDL_Rect from{c.sourceX, c.sourceY, c.rect.Width(), c.rect.Height()};
  SDL_Rect to = ToSdl(c.rect);
  SDL_BlitSurface(source, &from, target, &to);
  SDL_FreeSurface(source);
}

void SdlPainter::FocusMark(SDL_Surface* target, const Rect& r) {
  // A dotted rectangle: every other pixel of the outline.
  const Uint32 ink = Map(target, 0x000000);
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) != 0) return;
    SDL_Rect p{x, y, 1, 1};
    SDL_FillRect(target, &p, ink);
  };
  for (int x = r.left; x < r.right; ++x) {
    dot(x, r.top);
    dot(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    dot(r.left, y);
    dot(r.right - 1, y);
  }
}

void SdlPainter::Paint(SDL_Surface* target, const std::vector<DrawCommand>& commands) {
  for (const DrawCommand& c : commands) {
    const SDL_Rect r = ToSdl(c.rect);
    switch (c.kind) {
      case DrawCommand::kFill:
        SDL_FillRect(target, &r, Map(target, c.color));
        break;
      case DrawCommand::kFrame: {
        const Uint32 ink = Map(target, c.color);
        const SDL_Rect sides[4] = {{r.x, r.y, r.w, 1},
                                   {r.x, r.y + r.h - 1, r.w, 1},
                                   {r.x, r.y, 1, r.h},
                                   {r.x + r.w - 1, r.y, 1, r.h}};
        SDL_FillRects(target, sides, 4, ink);
        break;
      }
      case DrawCommand::kText:
        Text(target, c);
        break;
      case DrawCommand::kPicture:
        Picture(target, c);
        break;
      case DrawCommand::kFocusMark:
        FocusMark(target, c.rect);
        break;
    }
  }
}

}  // namespace plat::sdl
