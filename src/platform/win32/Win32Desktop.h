// The Windows desktop backend: the platform calls on the real Win32 ones.
// Handles are Win32's own (a WindowHandle is an HWND, a DCHandle an HDC, a
// BitmapHandle an HBITMAP), and window and dialog procedures are handed to
// Windows as they are, since the platform's procedure type has the same shape
// as Win32's. Internal to the platform's Windows build.
#pragma once

#include "WindowsHeaders.h"

#include <memory>
#include <set>
#include <vector>

#include "ExclusiveOutput.h"
#include "Platform.h"

namespace plat {

inline HWND Native(WindowHandle window) { return reinterpret_cast<HWND>(window); }
inline WindowHandle Handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }
inline HDC Native(DCHandle dc) { return reinterpret_cast<HDC>(dc); }
inline DCHandle Handle(HDC dc) { return reinterpret_cast<DCHandle>(dc); }

// A library the program loaded: a module, and whether it is the system's
// DirectDraw, whose entry point the program reaches through an adapter.
struct Library {
  HMODULE module = nullptr;
  bool directDraw = false;
};

class DirectDrawObjects;

struct Win32State {
  HINSTANCE instance = nullptr;
  HICON bigIcon = nullptr, smallIcon = nullptr;  // the program's icon, when set
  std::vector<std::unique_ptr<Library>> libraries;
  std::unique_ptr<DirectDrawObjects> directDraw;
  std::set<HWND> toldToClose;  // top-level windows sent a close for a termination request
  // The full screen of a display mode change: its window, the mode, and the
  // window's own procedure, which the platform's focus handling passes on to.
  HWND fullScreenWindow = nullptr;
  DEVMODEA fullScreenMode = {};
  WNDPROC fullScreenProcedure = nullptr;
};

// The running backend's state; null before StartWin32 and after Shutdown.
Win32State* TheWin32();

// Gives the window the program's icon, if it has one.
void ApplyProgramIcon(HWND window);

// The entry point the program finds under "DirectDrawCreate" in "ddraw.dll":
// the system's DirectDraw behind the platform's exclusive output interface.
int CreateDirectDrawOutput(const void* driver, ExclusiveOutput** output, void* outer);
void ReleaseDirectDrawObjects();

}  // namespace plat
