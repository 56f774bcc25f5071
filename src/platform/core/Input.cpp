// Raw input routed to windows as the system would route it: keys to the focus
// window, mouse buttons to the control under the pointer (or the one holding
// the button), close requests to the top-level window. Key state follows the
// queue: it changes when a key message is taken out, so a handler sees the
// state as of its own message.
#include "Desktop.h"

namespace plat {

namespace {

bool Inside(const Rect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The visible control of the window under the point (client coordinates), the
// one made last first, as it is drawn on top.
Window* ControlAt(Window* topLevel, int x, int y) {
  auto& windows = TheDesktop().windows;
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    if ((*it)->parent == topLevel && (*it)->visible && Inside((*it)->rect, x, y)) return it->get();
  return nullptr;
}

}  // namespace

bool KeyIsDown(unsigned key) { return Started() && TheDesktop().keysDown.count(key) != 0; }

void NoteKeyMessage(const Message& message) {
  if (message.message == kMsgKeyDown) TheDesktop().keysDown.insert(static_cast<unsigned>(message.wParam));
  if (message.message == kMsgKeyUp) TheDesktop().keysDown.erase(static_cast<unsigned>(message.wParam));
}

WindowHandle FocusWindow() { return Started() ? TheDesktop().focus : nullptr; }

WindowHandle SetFocusWindow(WindowHandle handle) {
  if (!Started()) return nullptr;
  Desktop& desktop = TheDesktop();
  Window* window = FindLiveWindow(handle);
  if (handle && !window) return nullptr;
  Window* previous = desktop.focus;
  if (previous == window) return previous;
  desktop.focus = window;
  if (FindLiveWindow(previous)) {
    Invalidate(previous);
    SendAppMessage(previous, kMsgKillFocus, reinterpret_cast<std::uintptr_t>(window), 0);
  }
  if (FindLiveWindow(window)) {
    Invalidate(window);
    SendAppMessage(window, kMsgSetFocus, reinterpret_cast<std::uintptr_t>(previous), 0);
  }
  return previous;
}

void DeliverKey(Window* topLevel, bool down, unsigned key) {
  if (!FindLiveWindow(topLevel)) return;
  Window* focus = TheDesktop().focus;
  Window* target = focus && TopLevelOf(focus) == topLevel ? focus : topLevel;
  PostAppMessage(target, down ? kMsgKeyDown : kMsgKeyUp, key, 0);
}

void DeliverMouse(Window* topLevel, unsigned message, int x, int y) {
  if (!FindLiveWindow(topLevel)) return;
  Desktop& desktop = TheDesktop();
  Window* target = desktop.capture && TopLevelOf(desktop.capture) == topLevel ? desktop.capture
                                                                               : ControlAt(topLevel, x, y);
  if (message == kMsgLeftButtonUp) desktop.capture = nullptr;
  else if (target) desktop.capture = target;
  if (target) {
    x -= target->client.left;
    y -= target->client.top;
  } else {
    target = topLevel;
  }
  PostAppMessage(target, message, 0, MakePoint(x, y));
}

void DeliverClose(Window* topLevel) {
  if (FindLiveWindow(topLevel)) PostAppMessage(topLevel, kMsgClose, 0, 0);
}

void DeliverTerminationCloses() {
  if (!TerminationRequested() || !Started()) return;
  for (const auto& window : TheDesktop().windows) {
    if (window->parent || window->foreign || window->terminationNoticed) continue;
    window->terminationNoticed = true;
    DeliverClose(window.get());
  }
}

}  // namespace plat
