// The dialog shown before the demo starts: a sound list and a display list
// whose chosen values it writes into the demo as soon as they are known (at
// kMsgInitDialog and at every change of selection), and a start button. Its
// result is 1 to start and 0 to quit.
#pragma once

#include "DemoModes.h"
#include "VListBox.h"
#include "VModalDialog.h"

class VStartDialog : public VModalDialog {
 public:
  static constexpr int kTemplateId = 107;
  static constexpr int kSoundListId = 1001;
  static constexpr int kDisplayListId = 1002;

  VStartDialog();

  int OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

  VDefaultListBox soundList;
  VDefaultListBox displayList;
  DemoModes* demo = nullptr;  // where the choices go; may be empty
};

// The two tables in their display order.
extern const VListItem kSoundItems[3];
extern const VListItem kDisplayItems[3];
