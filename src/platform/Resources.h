// What the executable carries besides its code: dialog templates, pictures and
// icons, looked up by resource id in the module that holds them (the program's
// instance). The program defines its own module; the dialog manager builds
// dialog boxes from its templates and shows its pictures.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace plat {

// Pixels are 0xAARRGGBB words, rows top to bottom; alpha matters only where a
// picture is drawn over something (icons), and 0 there means transparent.
struct Picture {
  int width = 0;
  int height = 0;
  const std::uint32_t* pixels = nullptr;
};

// Control classes a dialog template can name.
inline constexpr const char* kClassButton = "Button";
inline constexpr const char* kClassListBox = "ListBox";
inline constexpr const char* kClassStatic = "Static";

// One control of a dialog; position and size in dialog units.
struct DialogItemTemplate {
  std::string className;
  int id = 0;
  int x = 0, y = 0, width = 0, height = 0;
  unsigned style = 0;
  std::string text;
  int pictureId = 0;  // for a static picture: the bitmap resource it shows
};

// A dialog box: style, position and size in dialog units, caption and font;
// the items in tab order.
struct DialogTemplate {
  unsigned style = 0;
  unsigned exStyle = 0;
  int x = 0, y = 0, width = 0, height = 0;
  std::string caption;
  std::string fontName;
  int pointSize = 8;
  std::vector<DialogItemTemplate> items;
};

struct ResourceModule {
  std::map<int, DialogTemplate> dialogs;
  std::map<int, Picture> bitmaps;
  std::map<int, std::vector<Picture>> icons;  // an icon group: one picture per size

  const DialogTemplate* Dialog(int id) const {
    const auto found = dialogs.find(id);
    return found == dialogs.end() ? nullptr : &found->second;
  }
  const Picture* Bitmap(int id) const {
    const auto found = bitmaps.find(id);
    return found == bitmaps.end() ? nullptr : &found->second;
  }
};

// The module a dialog template is looked up in (Win32's instance handle).
using InstanceHandle = const ResourceModule*;

}  // namespace plat
