#include "VDialog.h"

DialogMap& Dialogs() {
  static DialogMap map;
  return map;
}

VDialog*& DialogUnderConstruction() {
  static VDialog* dialog = nullptr;
  return dialog;
}

bool& ModalDialogs() {
  static bool modal = false;
  return modal;
}

void ResetDialogsForTest() {
  Dialogs().clear();
  DialogUnderConstruction() = nullptr;
  ModalDialogs() = false;
}

VDialog::~VDialog() {
  // A dialog object that goes while its window lives must not be reached through the map.
  for (auto it = Dialogs().begin(); it != Dialogs().end();)
    it = it->second == this ? Dialogs().erase(it) : std::next(it);
  if (DialogUnderConstruction() == this) DialogUnderConstruction() = nullptr;
}

void VDialog::Close(int closeResult) {
  if (closed) return;
  if (ModalDialogs())
    plat::EndDialogBox(window, closeResult);
  else
    plat::DestroyAppWindow(window);
  closed = true;
}

int VDialog::OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) {
  switch (message) {
    case plat::kMsgDestroy:
      Dialogs().erase(window);
      return 1;
    case plat::kMsgInitDialog:
      return 1;
    case plat::kMsgCommand:
      if (plat::CommandId(wParam) == plat::kCommandOk) Close(1);
      else if (plat::CommandId(wParam) == plat::kCommandCancel) Close(0);
      return closed ? 1 : 0;
    default:
      return 0;
  }
}

std::intptr_t VDialog::DialogProcedure(plat::WindowHandle window, unsigned message,
                                       std::uintptr_t wParam, std::intptr_t lParam) {
  if (message == plat::kMsgInitDialog) {
    VDialog* dialog = reinterpret_cast<VDialog*>(lParam);
    Dialogs().emplace(window, dialog);
    if (dialog) dialog->window = window;
    DialogUnderConstruction() = nullptr;
  }
  const auto found = Dialogs().find(window);
  VDialog* dialog = found != Dialogs().end() ? found->second : DialogUnderConstruction();
  if (!dialog) return 0;
  return dialog->OnMessage(message, wParam, lParam);
}
