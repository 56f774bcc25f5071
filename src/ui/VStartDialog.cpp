#include "VStartDialog.h"

const VListItem kSoundItems[3] = {{kSoundStereo, "Stereo"}, {kSoundMono, "Mono"}, {kSoundNone, "No Sound"}};
const VListItem kDisplayItems[3] = {{kDisplayFullScreenExclusive, "Full Screen 640x480 (DDraw)"},
                                    {kDisplayFullScreenPixels, "Full Screen 640x480 (GDI)"},
                                    {kDisplayWindowed, "Windowed"}};

VStartDialog::VStartDialog()
    : VModalDialog(kTemplateId), soundList(0, kSoundItems, 3), displayList(0, kDisplayItems, 3) {}

int VStartDialog::OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case plat::kMsgInitDialog:
      if (!title.empty()) {
        plat::SetWindowTitle(window, title.c_str());
        const std::string button = "Start " + title;
        plat::SetWindowTitle(plat::DialogItem(window, plat::kCommandOk), button.c_str());
      }
      if (banner.pixels) plat::SetStaticPicture(plat::DialogItem(window, kTitlePictureId), banner);
      soundList.window = plat::DialogItem(window, kSoundListId);
      soundList.Init();
      soundList.ReadSelection();
      if (demo) demo->soundMode = soundList.currentValue;
      displayList.window = plat::DialogItem(window, kDisplayListId);
      displayList.Init();
      displayList.ReadSelection();
      if (demo) demo->displayMode = displayList.currentValue;
      return 1;
    case plat::kMsgDestroy:
      TheDialogs().erase(window);
      return 1;
    case plat::kMsgCommand:
      break;
    default:
      return 0;
  }

  const int id = plat::CommandId(wParam);
  if (id == plat::kCommandOk || id == plat::kCommandCancel) {
    Close(id == plat::kCommandOk ? 1 : 0);
    return 1;
  }
  if (closed) return 1;
  const plat::WindowHandle control = reinterpret_cast<plat::WindowHandle>(lParam);
  VListBox* list = !control                        ? nullptr
                   : control == soundList.window   ? &soundList
                   : control == displayList.window ? &displayList
                                                   : nullptr;
  if (!list) return 0;
  switch (plat::CommandNotification(wParam)) {
    case plat::kListBoxSelectionChange:
      list->ReadSelection();
      if (demo) (list == &soundList ? demo->soundMode : demo->displayMode) = list->currentValue;
      return 1;
    case plat::kListBoxDoubleClick:
      list->OnDoubleClick();
      return 1;
    case plat::kListBoxSetFocus:
    case plat::kListBoxKillFocus:
      return 1;
    default:
      return 0;
  }
}
