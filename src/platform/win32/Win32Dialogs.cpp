// Dialog boxes from the executable's own dialog resources, run by the system's
// dialog manager with its real controls.
#include "Win32Desktop.h"

namespace plat {

namespace {

// The program's procedure for the dialog box being made, until it has its
// window; after that the window's DWLP_USER holds it.
thread_local DialogProc gStartingProcedure = nullptr;

// Stands between the dialog manager and the program's procedure only to give
// the box the program's icon as it starts; every message reaches the program.
INT_PTR CALLBACK DialogThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto procedure = reinterpret_cast<DialogProc>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (!procedure) {
    procedure = gStartingProcedure;
    if (!procedure) return FALSE;
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(procedure));
      ApplyProgramIcon(dialog);
    }
  }
  return procedure(Handle(dialog), message, wParam, lParam);
}

}  // namespace

std::intptr_t RunDialogBox(InstanceHandle, int templateId, WindowHandle owner,
                           DialogProc procedure, std::intptr_t parameter) {
  // The templates are the executable's resources, compiled from the same
  // definitions the emulating backends build their boxes from.
  if (!TheWin32() || !procedure) {
    SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  DialogProc outer = gStartingProcedure;
  gStartingProcedure = procedure;
  const INT_PTR result = DialogBoxParamA(TheWin32()->instance, MAKEINTRESOURCEA(templateId),
                                         Native(owner), DialogThunk, parameter);
  gStartingProcedure = outer;
  return result;
}

bool EndDialogBox(WindowHandle dialog, std::intptr_t result) {
  return EndDialog(Native(dialog), result);
}

WindowHandle DialogItem(WindowHandle dialog, int id) {
  return Handle(GetDlgItem(Native(dialog), id));
}

int DialogItemId(WindowHandle control) {
  // Ids are 16 bits in a template; -1 (a static's) comes back as itself.
  return static_cast<short>(GetDlgCtrlID(Native(control)));
}

WindowHandle ParentWindow(WindowHandle window) { return Handle(GetParent(Native(window))); }

}  // namespace plat
