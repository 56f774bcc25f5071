#include "VDialog.h"

DialogMap& TheDialogs() {
  static DialogMap map;
  return map;
}

VDialog*& TheDialogUnderConstruction() {
  static VDialog* dialog = nullptr;
  return dialog;
}

bool& TheModalDialogs() {
  static bool modal = false;
  return modal;
}

void ResetDialogsForTest() {
  TheDialogs().clear();
  TheDialogUnderConstruction() = nullptr;
  TheModalDialogs() = false;
}

VDialog::~VDialog() {
  // A dialog object that goes while its window lives must not be reached through the map.
  for (auto it = TheDialogs().begin(); it != TheDialogs().end();)
    it = it->second == this ? TheDialogs().erase(it) : std::next(it);
  if (TheDialogUnderConstruction() == this) TheDialogUnderConstruction() = nullptr;
}

void VDialog::Close(int closeResult) {
  if (closed) return;
  if (TheModalDialogs())
    plat::EndDialogBox(window, closeResult);
  else
    plat::DestroyAppWindow(window);
  closed = true;
}

int VDialog::OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) {
  switch (message) {
    case plat::kMsgDestroy:
      TheDialogs().erase(window);
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

std::intptr_t PLAT_CALLBACK VDialog::DialogProcedure(plat::WindowHandle window, unsigned message,
                                       std::uintptr_t wParam, std::intptr_t lParam) {
  if (message == plat::kMsgInitDialog) {
    VDialog* dialog = reinterpret_cast<VDialog*>(lParam);
    TheDialogs().emplace(window, dialog);
    if (dialog) dialog->window = window;
    TheDialogUnderConstruction() = nullptr;
  }
  const auto found = TheDialogs().find(window);
  VDialog* dialog = found != TheDialogs().end() ? found->second : TheDialogUnderConstruction();
  if (!dialog) return 0;
  return dialog->OnMessage(message, wParam, lParam);
}
