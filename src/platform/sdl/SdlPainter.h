// Draws what the dialog manager painted (fills, frames, text, pictures, focus
// marks) onto an SDL window surface, with text in DejaVu Sans through SDL_ttf.
// Internal to the SDL backend.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <map>
#include <string>
#include <vector>

#include "Platform.h"

namespace plat::sdl {

class SdlPainter {
 public:
  SdlPainter() = default;
  ~SdlPainter();
  SdlPainter(const SdlPainter&) = delete;
  SdlPainter& operator=(const SdlPainter&) = delete;

  // Finds the dialog font; false (with the reason) when it is not installed.
  bool Open(std::string& error);
  // The average character width and line height at a size in points.
  void Metrics(int pointSize, int& averageWidth, int& height);
  void Paint(SDL_Surface* target, const std::vector<DrawCommand>& commands);
  // One line of text as coverage bytes (0 to 255), width x height.
  void Coverage(const std::string& text, int pointSize, std::vector<std::uint8_t>& coverage,
                int& width, int& height);

 private:
  TTF_Font* FontAt(int pointSize);
  void Text(SDL_Surface* target, const DrawCommand& c);
  void Picture(SDL_Surface* target, const DrawCommand& c);
  void FocusMark(SDL_Surface* target, const Rect& r);

  std::string fontPath_;
  std::map<int, TTF_Font*> fonts_;  // by pixel size
};

}  // namespace plat::sdl
