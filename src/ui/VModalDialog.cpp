#include "VModalDialog.h"

#include "KolLog.h"

int VModalDialog::DoModal(plat::InstanceHandle module) {
  instance = module;
  TheDialogUnderConstruction() = this;
  result = static_cast<int>(plat::RunDialogBox(module, templateId, nullptr, DialogProcedure,
                                               reinterpret_cast<std::intptr_t>(this)));
  if (result < 0)
    TheLog().Report(2, kModuleModalDialog, "VModalDialog", 1, "Windows error 0x%X",
                       plat::LastError());
  return result;
}
