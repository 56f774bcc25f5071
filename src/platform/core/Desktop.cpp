#include "Desktop.h"

#include <algorithm>

#include "SystemServices.h"

namespace plat {

namespace {

std::unique_ptr<Desktop> gDesktop;

// Frame sizes of the decorated window styles, so a client area can be centred
// and measured as the program expects.
constexpr int kCaptionHeight = 23;
constexpr int kFrame = 3;

Rect ClientOf(const Rect& window, unsigned style) {
  Rect client = window;
  if ((style & kStyleCaption) == kStyleCaption) {
    client.left += kFrame;
    client.right -= kFrame;
    client.top += kFrame + kCaptionHeight;
    client.bottom -= kFrame;
  } else if (style & kStyleBorder) {
    client.left += 1;
    client.right -= 1;
    client.top += 1;
    client.bottom -= 1;
  }
  return client;
}

}  // namespace

Desktop& TheDesktop() { return *gDesktop; }

bool InstallBackend(std::unique_ptr<Backend> backend) {
  if (gDesktop) return false;
  gDesktop = std::make_unique<Desktop>();
  gDesktop->backend = std::move(backend);
  gDesktop->foreignWindow.foreign = true;
  RegisterDialogClasses();
  return true;
}

Backend* CurrentBackend() { return gDesktop ? gDesktop->backend.get() : nullptr; }

bool Started() { return gDesktop != nullptr; }

void Shutdown() {
  if (!gDesktop) return;
  gDesktop->backend->ReleaseExclusiveOutputs();
  CloseLibraries();
  RemoveFilesLeftInUse();
  while (!gDesktop->windows.empty()) DestroyAppWindow(gDesktop->windows.back().get());
  gDesktop.reset();
}

Window* FindLiveWindow(WindowHandle handle) {
  if (!gDesktop || !handle) return nullptr;
  return FindOwned(gDesktop->windows, handle);
}

DrawContext* FindContext(DCHandle handle) {
  if (!gDesktop || !handle) return nullptr;
  return FindOwned(gDesktop->contexts, handle);
}

std::uint32_t TickCount() { return gDesktop ? gDesktop->backend->TickCount() : 0; }


unsigned LastError() { return gDesktop ? gDesktop->lastError : kErrorNone; }

int RegisterWindowClass(const WindowClass& windowClass) {
  if (!gDesktop || !windowClass.name || !windowClass.procedure) {
    if (gDesktop) gDesktop->lastError = kErrorInvalidHandle;
    return 0;
  }
  const std::string name = windowClass.name;
  if (gDesktop->classes.count(name)) {
    gDesktop->lastError = kErrorClassAlreadyExists;
    return 0;
  }
  WindowClass stored = windowClass;
  gDesktop->classNames[name] = name;
  stored.name = gDesktop->classNames[name].c_str();
  gDesktop->classes[name] = stored;
  return 1;
}

bool UnregisterWindowClass(const char* name) {
  if (!gDesktop || !name) return false;
  if (!gDesktop->classes.erase(name)) {
    gDesktop->lastError = kErrorClassDoesNotExist;
    return false;
  }
  return true;
}

Window* CreateWindowRecord(unsigned exStyle, const char* className, const char* title,
                           unsigned style, const Rect& rect, Window* parent, int id) {
  if (!gDesktop || !className) return nullptr;
  const auto found = gDesktop->classes.find(className);
  if (found == gDesktop->classes.end()) {
    gDesktop->lastError = kErrorClassDoesNotExist;
    return nullptr;
  }
  auto window = std::make_unique<Window>();
  window->className = className;
  window->title = title ? title : "";
  window->style = style;
  window->exStyle = exStyle;
  window->rect = rect;
  window->client = ClientOf(window->rect, style);
  window->procedure = found->second.procedure;
  window->parent = parent;
  window->id = id;
  // Controls are drawn by the dialog manager inside their dialog box's window.
  if (!parent && !gDesktop->backend->OpenWindow(*window)) {
    gDesktop->lastError = kErrorCannotCreateWindow;
    return nullptr;
  }
  Window* handle = window.get();
  gDesktop->windows.push_back(std::move(window));
  if (!parent) gDesktop->backend->ClassWindowCreated(className);
  handle->procedure(handle, kMsgCreate, 0, 0);
  if (FindLiveWindow(handle) && (style & kStyleVisible)) ShowAppWindow(handle, kShowShow);
  return FindLiveWindow(handle);
}

bool SetWindowTitle(WindowHandle handle, const char* title) {
  Window* window = FindLiveWindow(handle);
  if (!window) return false;
  window->title = title ? title : "";
  if (!window->parent) gDesktop->backend->WindowRetitled(*window);
  Invalidate(window);
  return true;
}

WindowHandle CreateAppWindow(unsigned exStyle, const char* className, const char* title,
                             unsigned style, int x, int y, int width, int height) {
  return CreateWindowRecord(exStyle, className, title, style, Rect{x, y, x + width, y + height},
                            nullptr, 0);
}

Window* TopLevelOf(Window* window) {
  while (window && window->parent) window = window->parent;
  return window;
}

bool DestroyAppWindow(WindowHandle handle) {
  Window* window = FindLiveWindow(handle);
  if (!window) return false;
  window->procedure(window, kMsgDestroy, 0, 0);
  if (!FindLiveWindow(handle)) return true;  // destroyed by its own procedure
  // Its controls go after it, the last made first.
  for (auto it = gDesktop->windows.rbegin(); it != gDesktop->windows.rend();) {
    if ((*it)->parent == window) {
      DestroyAppWindow(it->get());
      it = gDesktop->windows.rbegin();
    } else {
      ++it;
    }
  }
  if (!window->parent) {
    gDesktop->backend->CloseWindow(*window);
    gDesktop->backend->ClassWindowDestroyed(window->className.c_str());
  }
  if (gDesktop->focus == window) gDesktop->focus = nullptr;
  if (gDesktop->capture == window) gDesktop->capture = nullptr;
  // Draw contexts of the window die with it; queued messages for it are dropped.
  EraseOwnedIf(gDesktop->contexts, [window](const DrawContext* c) { return c->window == window; });
  auto& queue = gDesktop->queue;
  queue.erase(std::remove_if(queue.begin(), queue.end(),
                             [window](const Message& m) { return m.window == window; }),
              queue.end());
  EraseOwned(gDesktop->windows, window);
  return true;
}

bool ShowAppWindow(WindowHandle handle, int command) {
  Window* window = FindLiveWindow(handle);
  if (!window) return false;
  const bool wasVisible = window->visible;
  window->visible = command != kShowHide;
  if (window->visible) window->style |= kStyleVisible;
  else window->style &= ~kStyleVisible;
  if (window->parent) Invalidate(window);
  else gDesktop->backend->WindowShown(*window, window->visible);
  return wasVisible;
}

bool IsWindowAlive(WindowHandle handle) { return FindLiveWindow(handle) != nullptr; }

WindowHandle FindWindowOfClass(const char* className) {
  if (!gDesktop || !className) return nullptr;
  for (const auto& w : gDesktop->windows)
    if (!w->parent && w->className == className) return w.get();
  if (gDesktop->backend->ForeignWindowOfClass(className)) return &gDesktop->foreignWindow;
  return nullptr;
}

std::string WindowClassHolder(const char* className) {
  if (!gDesktop || !className) return "";
  for (const auto& w : gDesktop->windows)
    if (!w->parent && w->className == className) return ProgramBaseName(ProgramPath());
  return gDesktop->backend->ForeignWindowHolder(className);
}

WindowHandle ForegroundWindow() {
  if (!gDesktop) return nullptr;
  for (auto it = gDesktop->windows.rbegin(); it != gDesktop->windows.rend(); ++it)
    if (!(*it)->parent && (*it)->visible) return it->get();
  return nullptr;
}

std::intptr_t PLAT_CALLBACK DefaultWindowProcedure(WindowHandle window, unsigned message, std::uintptr_t,
                                     std::intptr_t) {
  if (message == kMsgClose) DestroyAppWindow(window);
  return 0;
}

std::intptr_t SendAppMessage(WindowHandle handle, unsigned message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
  Window* window = FindLiveWindow(handle);
  if (!window) return 0;
  return window->procedure(window, message, wParam, lParam);
}

WindowProc SubclassWindow(WindowHandle handle, WindowProc procedure) {
  Window* window = FindLiveWindow(handle);
  if (!window || !procedure) return nullptr;
  WindowProc previous = window->procedure;
  window->procedure = procedure;
  return previous;
}

std::intptr_t CallWindowProcedure(WindowProc procedure, WindowHandle window, unsigned message,
                                  std::uintptr_t wParam, std::intptr_t lParam) {
  return procedure ? procedure(window, message, wParam, lParam) : 0;
}

bool PeekAppMessage(Message& message, bool remove) {
  if (!gDesktop) return false;
  // Input is taken one event at a time, only once the posted messages are
  // done, so it is routed to the focus as it stands when its turn comes.
  if (gDesktop->queue.empty()) DeliverTerminationCloses();
  if (gDesktop->queue.empty()) gDesktop->backend->PollInput();
  if (gDesktop->queue.empty()) return false;
  message = gDesktop->queue.front();
  if (remove) {
    gDesktop->queue.pop_front();
    NoteKeyMessage(message);
  }
  return true;
}

void WaitForInputUntil(std::uint32_t tick) {
  if (!gDesktop || !gDesktop->queue.empty()) return;
  // A termination signal that came meanwhile is input as well.
  if (TerminationRequested()) return;
  gDesktop->backend->WaitForInputUntil(tick);
}

bool PostAppMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                    std::intptr_t lParam) {
  if (!gDesktop) return false;
  if (window && !FindLiveWindow(window)) return false;
  gDesktop->queue.push_back(Message{window, message, wParam, lParam});
  return true;
}

void PostQuit(int exitCode) { PostAppMessage(nullptr, kMsgQuit, static_cast<std::uintptr_t>(exitCode), 0); }

void TranslateAppMessage(const Message& message) {
  if (message.message != kMsgKeyDown) return;
  const unsigned key = static_cast<unsigned>(message.wParam);
  unsigned character = 0;
  if (key >= kKeyA && key <= kKeyZ) character = key - kKeyA + 'a';
  else if (key >= '0' && key <= '9') character = key;
  else if (key == kKeySpace || key == kKeyReturn || key == kKeyEscape || key == kKeyBack ||
           key == kKeyTab) character = key;
  if (character) PostAppMessage(message.window, kMsgChar, character, message.lParam);
}

std::intptr_t DispatchAppMessage(const Message& message) {
  return SendAppMessage(message.window, message.message, message.wParam, message.lParam);
}

int ScreenWidth() { return gDesktop ? gDesktop->backend->ScreenWidth() : 0; }
int ScreenHeight() { return gDesktop ? gDesktop->backend->ScreenHeight() : 0; }

void AdjustWindowRectangle(Rect& rect, unsigned style) {
  if ((style & kStyleCaption) == kStyleCaption) {
    rect.left -= kFrame;
    rect.right += kFrame;
    rect.top -= kFrame + kCaptionHeight;
    rect.bottom += kFrame;
  } else if (style & kStyleBorder) {
    rect.left -= 1;
    rect.right += 1;
    rect.top -= 1;
    rect.bottom += 1;
  }
}

bool ClientRectangle(WindowHandle handle, Rect& rect) {
  Window* window = FindLiveWindow(handle);
  if (!window) return false;
  rect = Rect{0, 0, window->client.Width(), window->client.Height()};
  return true;
}

bool WindowRectangle(WindowHandle handle, Rect& rect) {
  Window* window = FindLiveWindow(handle);
  if (!window) return false;
  rect = window->rect;
  return true;
}

bool EnumerateDisplayMode(int index, DisplayMode& mode) {
  return gDesktop && index >= 0 && gDesktop->backend->EnumerateDisplayMode(index, mode);
}

int ChangeDisplayMode(WindowHandle window, const DisplayMode* mode, unsigned flags) {
  return gDesktop ? gDesktop->backend->ChangeDisplayMode(FindLiveWindow(window), mode, flags)
                  : kDisplayChangeFailed;
}

void ShowFailureNotice(const char* title, const char* text) {
  if (gDesktop) gDesktop->backend->ShowFailureNotice(title, text);
}

int ShowPointer(bool show) {
  if (!gDesktop) return 0;
  gDesktop->pointerCount += show ? 1 : -1;
  gDesktop->backend->PointerVisible(gDesktop->pointerCount >= 0);
  return gDesktop->pointerCount;
}

}  // namespace plat
