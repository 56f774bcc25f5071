// The surface a dialog box and its controls draw on while the dialog manager
// paints: it collects draw commands in the dialog box's client coordinates,
// so each control draws in its own coordinates with its origin moved.
// Internal to the platform; a control finds it in kMsgPaint's wParam.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "Platform.h"

namespace plat {

class Canvas {
 public:
  Canvas(std::vector<DrawCommand>& commands, const std::string& font, int pointSize)
      : commands_(commands), font_(font), pointSize_(pointSize) {}

  // The same canvas with its origin moved to (x, y) of this one.
  Canvas Moved(int x, int y) const {
    Canvas moved = *this;
    moved.x_ += x;
    moved.y_ += y;
    return moved;
  }

  void Fill(const Rect& rect, std::uint32_t color) { Add(DrawCommand::kFill, rect, color); }
  void Frame(const Rect& rect, std::uint32_t color) { Add(DrawCommand::kFrame, rect, color); }
  void FocusMark(const Rect& rect) { Add(DrawCommand::kFocusMark, rect, 0); }
  void Text(const Rect& rect, const std::string& text, std::uint32_t color, bool centred) {
    DrawCommand& c = Add(DrawCommand::kText, rect, color);
    c.text = text;
    c.centred = centred;
    c.font = font_;
    c.pointSize = pointSize_;
  }
  // The picture with its top left at (x, y), cut to the rectangle clip.
  void DrawPicture(int x, int y, const Picture& picture, const Rect& clip) {
    const Rect shown{std::max(x, clip.left), std::max(y, clip.top),
                     std::min(x + picture.width, clip.right), std::min(y + picture.height, clip.bottom)};
    if (shown.Width() <= 0 || shown.Height() <= 0) return;
    DrawCommand& c = Add(DrawCommand::kPicture, shown, 0);
    c.picture = &picture;
    c.sourceX = shown.left - x;
    c.sourceY = shown.top - y;
  }


 private:
  DrawCommand& Add(DrawCommand::Kind kind, const Rect& rect, std::uint32_t color) {
    DrawCommand c;
    c.kind = kind;
    c.rect = Rect{rect.left + x_, rect.top + y_, rect.right + x_, rect.bottom + y_};
    c.color = color;
    commands_.push_back(std::move(c));
    return commands_.back();
  }

  std::vector<DrawCommand>& commands_;
  std::string font_;
  int pointSize_ = 0;
  int x_ = 0, y_ = 0;
};

// Colours of the dialog look.
constexpr std::uint32_t kColorFace = 0xF0F0F0;
constexpr std::uint32_t kColorText = 0x000000;
constexpr std::uint32_t kColorWindow = 0xFFFFFF;
constexpr std::uint32_t kColorBorder = 0x7A7A7A;
constexpr std::uint32_t kColorButtonFace = 0xE1E1E1;
constexpr std::uint32_t kColorButtonBorder = 0xADADAD;
constexpr std::uint32_t kColorButtonPressed = 0xCCE4F7;
constexpr std::uint32_t kColorAccent = 0x0078D7;  // default button, selection with focus
constexpr std::uint32_t kColorHighlightText = 0xFFFFFF;
constexpr std::uint32_t kColorInactiveSelection = 0xD9D9D9;

}  // namespace plat
