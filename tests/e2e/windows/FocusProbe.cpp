// Another program on the Windows desktop, for the wine run: it takes the
// foreground away from the demo, gives it back as a taskbar click does, or
// changes the display mode and back, as the programs a viewer runs beside a
// demo would.
//   focus-probe away        a window of its own in front, until "back" closes it
//   focus-probe back        closes that window, restores the demo's and brings it to front
//   focus-probe mode W H    the display at W x H, 32 bits, then the desktop's own mode again
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char* const kProbeClass = "SolvaneFocusProbe";
const char* const kDemoClass = "VSurface";

int Away() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kProbeClass;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  if (!RegisterClassA(&windowClass)) return 1;
  HWND window = CreateWindowExA(0, kProbeClass, "Focus probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                50, 50, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) return 1;
  SetForegroundWindow(window);
  MSG message;
  // "back" posts a close; the default procedure then destroys the window.
  while (IsWindow(window) && GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

int Back() {
  if (HWND probe = FindWindowA(kProbeClass, nullptr)) PostMessageA(probe, WM_CLOSE, 0, 0);
  HWND demo = FindWindowA(kDemoClass, nullptr);
  if (!demo) return 1;
  ShowWindow(demo, SW_RESTORE);
  SetForegroundWindow(demo);
  return 0;
}

int Mode(int width, int height) {
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  mode.dmBitsPerPel = 32;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
  if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return 1;
  return ChangeDisplaySettingsA(nullptr, 0) == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  if (!std::strcmp(commandLine, "away")) return Away();
  if (!std::strcmp(commandLine, "back")) return Back();
  int width = 0, height = 0;
  if (std::sscanf(commandLine, "mode %d %d", &width, &height) == 2) return Mode(width, height);
  return 2;
}
