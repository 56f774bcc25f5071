// Dialog boxes from the executable's own dialog resources, run by the system's
// dialog manager with its real controls.
#include "Win32Desktop.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

namespace {

// The program's procedure for the dialog box being made, until it has its
// window; after that the window's DWLP_USER holds it.
thread_local DialogProc gStartingProcedure = nullptr;

// The bitmaps given to static controls: a control never deletes one it was
// given, so each goes once the box that showed it has gone.
thread_local std::vector<HBITMAP> gGivenPictures;

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
  const std::size_t givenBefore = gGivenPictures.size();
  const INT_PTR result = DialogBoxParamA(TheWin32()->instance, MAKEINTRESOURCEA(templateId),
                                         Native(owner), DialogThunk, parameter);
  gStartingProcedure = outer;
  // This box and any it ran are gone, and their controls with them.
  for (std::size_t i = givenBefore; i < gGivenPictures.size(); ++i) DeleteObject(gGivenPictures[i]);
  gGivenPictures.resize(givenBefore);
  return result;
}

bool SetStaticPicture(WindowHandle control, const Picture& picture) {
  if (!IsWindow(Native(control)) || picture.width <= 0 || picture.height <= 0 || !picture.pixels)
    return false;
  // 24 bits, no alpha: a control keeps such a bitmap as it is given rather
  // than a copy of its own.
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // top-down, as the picture's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return false;
  const std::size_t stride = (static_cast<std::size_t>(picture.width) * 3 + 3) & ~std::size_t{3};
  for (int y = 0; y < picture.height; ++y) {
    unsigned char* row = static_cast<unsigned char*>(bits) + stride * y;
    const std::uint32_t* from = picture.pixels + static_cast<std::size_t>(y) * picture.width;
    for (int x = 0; x < picture.width; ++x) {
      row[x * 3] = static_cast<unsigned char>(from[x] & 0xFF);
      row[x * 3 + 1] = static_cast<unsigned char>((from[x] >> 8) & 0xFF);
      row[x * 3 + 2] = static_cast<unsigned char>((from[x] >> 16) & 0xFF);
    }
  }
  GdiFlush();
  const HBITMAP previous = reinterpret_cast<HBITMAP>(SendMessageA(
      Native(control), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  // One of ours shown before goes now; the template's own stays the control's.
  for (auto it = gGivenPictures.begin(); previous && it != gGivenPictures.end(); ++it) {
    if (*it != previous) continue;
    DeleteObject(previous);
    gGivenPictures.erase(it);
    break;
  }
  gGivenPictures.push_back(bitmap);
  return true;
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
