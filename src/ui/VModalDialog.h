// A dialog run modally from its template: DoModal returns when the dialog is
// closed, with the result it was closed with. A box that cannot be made is
// reported ("Windows error 0x..." with the system's error code) and gives a
// negative result.
#pragma once

#include "VDialog.h"

class VModalDialog : public VDialog {
 public:
  explicit VModalDialog(int id) : VDialog(id) { TheModalDialogs() = true; }

  int DoModal(plat::InstanceHandle instance) override;
};
