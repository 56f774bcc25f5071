// The base of the program's dialogs: one dialog procedure for all of them
// routes each message to its dialog object through the dialog map (window
// handle to object), or to the dialog under construction before
// kMsgInitDialog has told which window is whose. Never throws; a dialog that
// cannot be made is reported by the caller of DoModal.
#pragma once

#include <cstdint>
#include <map>

#include "Platform.h"

class VDialog {
 public:
  explicit VDialog(int id) : templateId(id) {}
  virtual ~VDialog();
  VDialog(const VDialog&) = delete;
  VDialog& operator=(const VDialog&) = delete;

  virtual int DoModal(plat::InstanceHandle instance) = 0;
  // Non-zero when the message was handled.
  virtual int OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  // Ends the dialog with result, once: a closed dialog ignores further calls.
  void Close(int result);

  // The program-wide dialog procedure that every dialog box is run with.
  static std::intptr_t PLAT_CALLBACK DialogProcedure(plat::WindowHandle window, unsigned message,
                                       std::uintptr_t wParam, std::intptr_t lParam);

  int templateId;
  plat::WindowHandle window = nullptr;  // set at kMsgInitDialog
  plat::InstanceHandle instance = nullptr;
  bool closed = false;
  int result = 0;
};

// Window handles ordered as unsigned numbers.
struct HandleOrder {
  bool operator()(plat::WindowHandle a, plat::WindowHandle b) const {
    return reinterpret_cast<std::uintptr_t>(a) < reinterpret_cast<std::uintptr_t>(b);
  }
};
using DialogMap = std::map<plat::WindowHandle, VDialog*, HandleOrder>;

DialogMap& TheDialogs();
// The dialog whose DoModal is making its window, until kMsgInitDialog.
VDialog*& TheDialogUnderConstruction();
// Set by every modal dialog's construction and never cleared: Close then ends
// the dialog box rather than destroying its window.
bool& TheModalDialogs();
// Tests only: empty the map, forget the dialog under construction, clear the flag.
void ResetDialogsForTest();
