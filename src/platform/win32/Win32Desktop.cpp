// Windows, classes, the thread's message queue, input state, the screen and
// its modes, on the real Win32 calls.
#include "Win32Desktop.h"

#include <cstring>

#include "DirectDrawOutput.h"
#include "SystemServices.h"

namespace plat {

namespace {

std::unique_ptr<Win32State> gState;

BOOL CALLBACK DestroyThreadWindow(HWND window, LPARAM) {
  DestroyWindow(window);
  return TRUE;
}

BOOL CALLBACK CloseForTermination(HWND window, LPARAM) {
  if (gState && gState->toldToClose.insert(window).second) PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

Win32State* TheWin32() { return gState.get(); }

bool StartWin32(std::string& error) {
  if (gState) {
    error = "a platform backend is already running";
    return false;
  }
  gState = std::make_unique<Win32State>();
  gState->instance = GetModuleHandleA(nullptr);
  gState->directDraw = std::make_unique<DirectDrawObjects>();
  // One pixel of the picture is one pixel of the screen, whatever the
  // desktop's scaling.
  SetProcessDPIAware();
  // Windows' default timer ticks every 15.6 ms, and a wait for a frame 20 ms
  // away would wake a whole tick late; 1 ms while the program runs.
  timeBeginPeriod(1);
  return true;
}

bool Started() { return gState != nullptr; }

void Shutdown() {
  if (!gState) return;
  ReleaseDirectDrawObjects();
  EnumThreadWindows(GetCurrentThreadId(), DestroyThreadWindow, 0);
  for (const auto& library : gState->libraries) FreeLibrary(library->module);
  RemoveFilesLeftInUse();
  timeEndPeriod(1);
  if (gState->bigIcon) DestroyIcon(gState->bigIcon);
  if (gState->smallIcon) DestroyIcon(gState->smallIcon);
  gState.reset();
}

void SetProgramIcon(const Picture& icon) {
  if (!gState || icon.width <= 0 || icon.height <= 0 || !icon.pixels) return;
  BITMAPV5HEADER header = {};
  header.bV5Size = sizeof header;
  header.bV5Width = icon.width;
  header.bV5Height = -icon.height;  // rows top to bottom
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (!colour) return;
  std::memcpy(bits, icon.pixels, static_cast<size_t>(icon.width) * icon.height * 4);
  // The picture's alpha says what shows; the mask, all zero, hides nothing.
  const std::vector<BYTE> maskBits(static_cast<size_t>((icon.width + 15) / 16) * 2 * icon.height, 0);
  HBITMAP mask = CreateBitmap(icon.width, icon.height, 1, 1, maskBits.data());
  ICONINFO info = {};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask;
  HICON made = CreateIconIndirect(&info);
  DeleteObject(colour);
  if (mask) DeleteObject(mask);
  if (!made) return;
  HICON& slot = icon.width <= GetSystemMetrics(SM_CXSMICON) ? gState->smallIcon : gState->bigIcon;
  if (slot) DestroyIcon(slot);
  slot = made;
}

void ApplyProgramIcon(HWND window) {
  if (!gState) return;
  HICON big = gState->bigIcon ? gState->bigIcon : gState->smallIcon;
  HICON small = gState->smallIcon ? gState->smallIcon : gState->bigIcon;
  if (big) SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

std::uint32_t TickCount() { return GetTickCount(); }

unsigned LastError() { return GetLastError(); }

int RegisterWindowClass(const WindowClass& windowClass) {
  if (!gState || !windowClass.name || !windowClass.procedure) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  WNDCLASSA native = {};
  native.style = windowClass.style;
  native.lpfnWndProc = reinterpret_cast<WNDPROC>(windowClass.procedure);
  native.hInstance = gState->instance;
  native.hIcon = windowClass.icon ? LoadIconA(nullptr, MAKEINTRESOURCEA(windowClass.icon)) : nullptr;
  native.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
  native.hbrBackground =
      windowClass.blackBackground ? static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)) : nullptr;
  native.lpszClassName = windowClass.name;
  return RegisterClassA(&native);
}

bool UnregisterWindowClass(const char* name) {
  return gState && name && UnregisterClassA(name, gState->instance);
}

WindowHandle CreateAppWindow(unsigned exStyle, const char* className, const char* title,
                             unsigned style, int x, int y, int width, int height) {
  if (!gState) return nullptr;
  HWND window = CreateWindowExA(exStyle, className, title, style, x, y, width, height, nullptr,
                                nullptr, gState->instance, nullptr);
  if (window) ApplyProgramIcon(window);
  return Handle(window);
}

bool DestroyAppWindow(WindowHandle window) { return DestroyWindow(Native(window)); }

bool ShowAppWindow(WindowHandle window, int command) {
  // The answer is whether it was visible before, as Win32's; success is that
  // the window exists.
  if (!IsWindow(Native(window))) return false;
  ShowWindow(Native(window), command);
  if (command != SW_HIDE) UpdateWindow(Native(window));
  return true;
}

bool IsWindowAlive(WindowHandle window) { return window && IsWindow(Native(window)); }

bool SetWindowTitle(WindowHandle window, const char* title) {
  return SetWindowTextA(Native(window), title ? title : "");
}

WindowHandle FindWindowOfClass(const char* className) {
  return className ? Handle(FindWindowA(className, nullptr)) : nullptr;
}

std::string WindowClassHolder(const char* className) {
  const HWND window = className ? FindWindowA(className, nullptr) : nullptr;
  DWORD process = 0;
  if (!window || !GetWindowThreadProcessId(window, &process)) return "";
  const HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
  if (!handle) return "";
  char path[MAX_PATH * 2];
  DWORD length = sizeof path;
  const bool named = QueryFullProcessImageNameA(handle, 0, path, &length) != 0;
  CloseHandle(handle);
  return named ? ProgramBaseName(std::string(path, length)) : "";
}

WindowHandle ForegroundWindow() { return Handle(GetForegroundWindow()); }

std::intptr_t PLAT_CALLBACK DefaultWindowProcedure(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
  return DefWindowProcA(Native(window), message, wParam, lParam);
}

std::intptr_t SendAppMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
  return SendMessageA(Native(window), message, wParam, lParam);
}

WindowProc SubclassWindow(WindowHandle window, WindowProc procedure) {
  return reinterpret_cast<WindowProc>(SetWindowLongPtrA(Native(window), GWLP_WNDPROC,
                                                        reinterpret_cast<LONG_PTR>(procedure)));
}

std::intptr_t CallWindowProcedure(WindowProc procedure, WindowHandle window, unsigned message,
                                  std::uintptr_t wParam, std::intptr_t lParam) {
  if (!procedure) return DefWindowProcA(Native(window), message, wParam, lParam);
  return CallWindowProcA(reinterpret_cast<WNDPROC>(procedure), Native(window), message, wParam,
                         lParam);
}

bool PeekAppMessage(Message& message, bool remove) {
  if (!gState) return false;
  // A termination request becomes one close request per top-level window.
  if (TerminationRequested())
    EnumThreadWindows(GetCurrentThreadId(), CloseForTermination, 0);
  MSG native;
  if (!PeekMessageA(&native, nullptr, 0, 0, remove ? PM_REMOVE : PM_NOREMOVE)) return false;
  message.window = Handle(native.hwnd);
  message.message = native.message;
  message.wParam = native.wParam;
  message.lParam = native.lParam;
  return true;
}

bool PostAppMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                    std::intptr_t lParam) {
  return PostMessageA(Native(window), message, wParam, lParam);
}

void PostQuit(int exitCode) { PostQuitMessage(exitCode); }

void WaitForInputUntil(std::uint32_t tick) {
  const std::int32_t remaining = static_cast<std::int32_t>(tick - GetTickCount());
  if (remaining <= 0) return;
  // MWMO_INPUTAVAILABLE: input already in the queue ends the wait at once, not
  // only input that arrives from now on.
  MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(remaining), QS_ALLINPUT,
                              MWMO_INPUTAVAILABLE);
}

namespace {
MSG ToNative(const Message& message) {
  MSG native = {};
  native.hwnd = Native(message.window);
  native.message = message.message;
  native.wParam = message.wParam;
  native.lParam = message.lParam;
  native.time = GetTickCount();
  return native;
}
}  // namespace

void TranslateAppMessage(const Message& message) {
  const MSG native = ToNative(message);
  TranslateMessage(&native);
}

std::intptr_t DispatchAppMessage(const Message& message) {
  const MSG native = ToNative(message);
  return DispatchMessageA(&native);
}

bool KeyIsDown(unsigned key) { return (GetKeyState(static_cast<int>(key)) & 0x8000) != 0; }

WindowHandle FocusWindow() { return Handle(GetFocus()); }

WindowHandle SetFocusWindow(WindowHandle window) { return Handle(SetFocus(Native(window))); }

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void AdjustWindowRectangle(Rect& rect, unsigned style) {
  RECT native = {rect.left, rect.top, rect.right, rect.bottom};
  AdjustWindowRect(&native, style, FALSE);
  rect = Rect{native.left, native.top, native.right, native.bottom};
}

bool ClientRectangle(WindowHandle window, Rect& rect) {
  RECT native;
  if (!GetClientRect(Native(window), &native)) return false;
  rect = Rect{native.left, native.top, native.right, native.bottom};
  return true;
}

bool WindowRectangle(WindowHandle window, Rect& rect) {
  RECT native;
  if (!GetWindowRect(Native(window), &native)) return false;
  rect = Rect{native.left, native.top, native.right, native.bottom};
  return true;
}

bool EnumerateDisplayMode(int index, DisplayMode& mode) {
  if (index < 0) return false;
  DEVMODEA native = {};
  native.dmSize = sizeof native;
  if (!EnumDisplaySettingsA(nullptr, static_cast<DWORD>(index), &native)) return false;
  mode = DisplayMode{static_cast<int>(native.dmPelsWidth), static_cast<int>(native.dmPelsHeight),
                     static_cast<int>(native.dmBitsPerPel),
                     static_cast<int>(native.dmDisplayFrequency)};
  return true;
}

namespace {

// A full screen at its own mode that loses the focus gives the desktop its
// mode back and gets out of the way (minimised, as DirectDraw does with an
// exclusive window); brought back, it sets its mode again.
LRESULT CALLBACK FullScreenFocusProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32State* state = TheWin32();
  if (!state || window != state->fullScreenWindow)
    return DefWindowProcA(window, message, wParam, lParam);
  const WNDPROC procedure = state->fullScreenProcedure;
  if (message == WM_ACTIVATEAPP) {
    if (wParam) {
      ChangeDisplaySettingsA(&state->fullScreenMode, CDS_FULLSCREEN);
      ShowWindow(window, SW_RESTORE);
      SetWindowPos(window, HWND_TOPMOST, 0, 0, static_cast<int>(state->fullScreenMode.dmPelsWidth),
                   static_cast<int>(state->fullScreenMode.dmPelsHeight), SWP_SHOWWINDOW);
    } else {
      ChangeDisplaySettingsA(nullptr, 0);
      ShowWindow(window, SW_MINIMIZE);
    }
  }
  const LRESULT result = CallWindowProcA(procedure, window, message, wParam, lParam);
  if (message == WM_NCDESTROY) state->fullScreenWindow = nullptr;
  return result;
}

void WatchFullScreenFocus(HWND window, const DEVMODEA& mode) {
  Win32State* state = TheWin32();
  if (!state || !IsWindow(window)) return;
  state->fullScreenMode = mode;
  if (state->fullScreenWindow == window) return;
  state->fullScreenWindow = window;
  state->fullScreenProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FullScreenFocusProcedure)));
}

void StopWatchingFullScreenFocus() {
  Win32State* state = TheWin32();
  if (!state || !state->fullScreenWindow) return;
  if (IsWindow(state->fullScreenWindow))
    SetWindowLongPtrA(state->fullScreenWindow, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(state->fullScreenProcedure));
  state->fullScreenWindow = nullptr;
  state->fullScreenProcedure = nullptr;
}

}  // namespace

// Windows changes the mode for the whole display; the window is the one the
// program sized to fill the screen in it. The mode goes to Windows as the
// display listed it (refresh rate and flags too), not rebuilt from its size
// and depth.
int ChangeDisplayMode(WindowHandle window, const DisplayMode* mode, unsigned flags) {
  if (!mode) {
    StopWatchingFullScreenFocus();
    return ChangeDisplaySettingsA(nullptr, 0);
  }
  DEVMODEA native = {};
  native.dmSize = sizeof native;
  bool listed = false;
  for (DWORD i = 0; !listed && EnumDisplaySettingsA(nullptr, i, &native); ++i)
    listed = static_cast<int>(native.dmPelsWidth) == mode->width &&
             static_cast<int>(native.dmPelsHeight) == mode->height &&
             static_cast<int>(native.dmBitsPerPel) == mode->bitsPerPixel &&
             (mode->refreshRate == 0 || static_cast<int>(native.dmDisplayFrequency) == mode->refreshRate);
  if (!listed) return DISP_CHANGE_BADMODE;
  const LONG result = ChangeDisplaySettingsA(&native, flags);
  if (result == DISP_CHANGE_SUCCESSFUL && (flags & CDS_FULLSCREEN))
    WatchFullScreenFocus(Native(window), native);
  return result;
}

int ShowPointer(bool show) { return ShowCursor(show ? TRUE : FALSE); }

// Started from Explorer there is no console, and the log's lines go nowhere.
void ShowFailureNotice(const char* title, const char* text) {
  if (!GetConsoleWindow()) MessageBoxA(nullptr, text, title, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace plat
