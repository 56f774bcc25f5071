#include "StartResources.h"

#include "StartResourcePixels.h"

namespace {

constexpr unsigned kDialogStyle = plat::kStylePopup | plat::kStyleCaption | plat::kStyleSysMenu |
                                  plat::kDialogModalFrame | plat::kDialogSetFont |
                                  plat::kDialogCenter;
constexpr unsigned kButtonStyle = plat::kStyleChild | plat::kStyleVisible | plat::kStyleTabStop |
                                  plat::kButtonDefaultPush;
constexpr unsigned kListStyle = plat::kStyleChild | plat::kStyleVisible | plat::kStyleBorder |
                                plat::kStyleTabStop | plat::kListBoxNoIntegralHeight |
                                plat::kListBoxNotify;
constexpr unsigned kPictureStyle = plat::kStyleChild | plat::kStyleVisible | plat::kStaticBitmap |
                                   plat::kStaticCenterImage;
static_assert(kDialogStyle == 0x80C808C0u && kButtonStyle == 0x50010001u &&
              kListStyle == 0x50810101u && kPictureStyle == 0x5000020Eu);

plat::ResourceModule MakeResources() {
  plat::ResourceModule module;
  plat::DialogTemplate& start = module.dialogs[kStartDialogTemplate];
  start.style = kDialogStyle;
  start.width = 182;
  start.height = 94;
  start.caption = "Solvane";
  start.fontName = "MS Sans Serif";
  start.pointSize = 8;
  // Tab order is this order.
  start.items = {
      {plat::kClassButton, 1, 7, 38, 168, 14, kButtonStyle, "Start Solvane", 0},
      {plat::kClassListBox, 1001, 7, 58, 43, 28, kListStyle, "", 0},
      {plat::kClassListBox, 1002, 56, 58, 119, 28, kListStyle, "", 0},
      {plat::kClassStatic, 1003, 7, 7, 168, 25, kPictureStyle, "", kTitlePictureResource},
  };
  module.bitmaps[kTitlePictureResource] = {200, 40, kTitlePicturePixels};
  module.icons[kProgramIconResource] = {{32, 32, kIconPixels32}, {16, 16, kIconPixels16}};
  return module;
}

}  // namespace

plat::InstanceHandle ProgramResources() {
  static const plat::ResourceModule module = MakeResources();
  return &module;
}
