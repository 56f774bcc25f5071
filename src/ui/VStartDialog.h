// The dialog shown before the demo starts: a sound list and a display list
// whose chosen values it writes into the demo as soon as they are known (at
// kMsgInitDialog and at every change of selection), and a start button. Its
// result is 1 to start and 0 to quit. A release with a name of its own shows
// it in the caption and on the button, and its banner as the title picture.
#pragma once

#include <string>

#include "DemoModes.h"
#include "VListBox.h"
#include "VModalDialog.h"

class VStartDialog : public VModalDialog {
 public:
  static constexpr int kTemplateId = 107;
  static constexpr int kSoundListId = 1001;
  static constexpr int kDisplayListId = 1002;
  static constexpr int kTitlePictureId = 1003;

  VStartDialog();

  int OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

  VDefaultListBox soundList;
  VDefaultListBox displayList;
  DemoModes* demo = nullptr;  // where the choices go; may be empty
  // The release's name for the caption and "Start <title>"; empty: the template's.
  std::string title;
  // The release's banner in place of the title picture, of the template
  // picture's size; no pixels: the template's. It must outlive the dialog.
  plat::Picture banner;
};

// The two tables in their display order.
extern const VListItem kSoundItems[3];
extern const VListItem kDisplayItems[3];
