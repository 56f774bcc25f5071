// The dialog manager: a modal dialog box built from a template, with its own
// message loop, the keyboard interface every dialog shares (Tab and Shift+Tab
// move the focus, Enter presses the default button, Escape and the close box
// cancel), and the painting of the box and its controls as draw commands.
#include <cmath>

#include "Canvas.h"
#include "Controls.h"
#include "Desktop.h"

namespace plat {

namespace {

constexpr const char* kClassDialog = "#32770";

struct DialogState : WindowExtra {
  DialogProc procedure = nullptr;
  std::intptr_t result = 0;
  bool ended = false;
  bool dirty = true;
  std::string font;
  int pointSize = 0;
  int lineHeight = 0;
};

DialogState* DialogStateOf(Window* window) {
  return window ? dynamic_cast<DialogState*>(window->extra.get()) : nullptr;
}

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
  return c ? static_cast<int>(std::llround(static_cast<double>(a) * b / c)) : -1;
}

std::vector<Window*> ControlsOf(Window* dialog) {
  std::vector<Window*> controls;
  for (const auto& w : TheDesktop().windows)
    if (w->parent == dialog) controls.push_back(w.get());
  return controls;
}

// Tab order is template order; only visible controls with a tab stop count.
void MoveFocus(Window* dialog, bool backwards) {
  std::vector<Window*> stops;
  for (Window* c : ControlsOf(dialog))
    if (c->visible && (c->style & kStyleTabStop)) stops.push_back(c);
  if (stops.empty()) return;
  const int count = static_cast<int>(stops.size());
  int at = -1;
  for (int i = 0; i < count; ++i)
    if (stops[i] == TheDesktop().focus) at = i;
  const int next = at < 0 ? (backwards ? count - 1 : 0) : (at + (backwards ? count - 1 : 1)) % count;
  SetFocusWindow(stops[next]);
}

bool IsPushButton(const Window* w) { return w && w->className == kClassButton; }

// Enter presses the focused push button, else the default one, else sends IDOK.
void PressDefault(Window* dialog) {
  Window* button = FindLiveWindow(TheDesktop().focus);
  if (!button || button->parent != dialog || !IsPushButton(button)) {
    button = nullptr;
    for (Window* c : ControlsOf(dialog))
      if (IsPushButton(c) && (c->style & 0xF) == kButtonDefaultPush) button = c;
  }
  const int id = button ? button->id : kCommandOk;
  SendAppMessage(dialog, kMsgCommand, MakeCommand(id, kButtonClicked),
                 reinterpret_cast<std::intptr_t>(button));
}

void Cancel(Window* dialog) {
  SendAppMessage(dialog, kMsgCommand, MakeCommand(kCommandCancel, kButtonClicked),
                 reinterpret_cast<std::intptr_t>(DialogItem(dialog, kCommandCancel)));
}

// The keys the dialog box handles itself, before its controls see them.
bool HandleDialogKey(Window* dialog, const Message& message) {
  if (message.message != kMsgKeyDown) return false;
  Window* target = FindLiveWindow(message.window);
  if (!target || TopLevelOf(target) != dialog) return false;
  switch (message.wParam) {
    case kKeyTab:
      MoveFocus(dialog, KeyIsDown(kKeyShift));
      return true;
    case kKeyReturn:
      PressDefault(dialog);
      return true;
    case kKeyEscape:
      Cancel(dialog);
      return true;
    default:
      return false;
  }
}

std::intptr_t PLAT_CALLBACK DialogWindowProcedure(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
  DialogState* state = DialogStateOf(window);
  if (!state) return 0;  // still being made
  const std::intptr_t answer = state->procedure(window, message, wParam, lParam);
  if (answer || !FindLiveWindow(window)) return answer;
  if (message == kMsgClose) {
    Cancel(window);
  } else if (message == kMsgPaint) {
    Rect client;
    ClientRectangle(window, client);
    reinterpret_cast<Canvas*>(wParam)->Fill(client, kColorFace);
  }
  return 0;
}

void PaintDialog(Window* dialog, DialogState& state) {
  state.dirty = false;
  std::vector<DrawCommand> commands;
  Canvas canvas(commands, state.font, state.pointSize);
  SendAppMessage(dialog, kMsgPaint, reinterpret_cast<std::uintptr_t>(&canvas), 0);
  for (Window* c : ControlsOf(dialog)) {
    if (!c->visible) continue;
    Canvas inside = canvas.Moved(c->rect.left, c->rect.top);
    SendAppMessage(c, kMsgPaint, reinterpret_cast<std::uintptr_t>(&inside), 0);
  }
  if (FindLiveWindow(dialog)) TheDesktop().backend->PaintWindow(*dialog, commands);
}

Window* MakeDialog(InstanceHandle instance, const DialogTemplate& t, DialogProc procedure) {
  Desktop& desktop = TheDesktop();
  int baseWidth = 0, lineHeight = 0;
  desktop.backend->FontMetrics(t.fontName, t.pointSize, baseWidth, lineHeight);
  auto x = [&](int units) { return MulDiv(units, baseWidth, 4); };
  auto y = [&](int units) { return MulDiv(units, lineHeight, 8); };

  const unsigned style = t.style & ~kStyleVisible;
  Rect rect{0, 0, x(t.width), y(t.height)};
  AdjustWindowRectangle(rect, style);
  int left = x(t.x) + rect.left, top = y(t.y) + rect.top;
  if (t.style & kDialogCenter) {
    left = (ScreenWidth() - rect.Width()) / 2;
    top = (ScreenHeight() - rect.Height()) / 2;
  }
  Window* dialog = CreateWindowRecord(t.exStyle, kClassDialog, t.caption.c_str(), style,
                                      Rect{left, top, left + rect.Width(), top + rect.Height()},
                                      nullptr, 0);
  if (!dialog) return nullptr;
  auto state = std::make_unique<DialogState>();
  state->procedure = procedure;
  state->font = t.fontName;
  state->pointSize = t.pointSize;
  state->lineHeight = lineHeight;
  dialog->extra = std::move(state);

  for (const DialogItemTemplate& item : t.items) {
    const Rect at{x(item.x), y(item.y), x(item.x + item.width), y(item.y + item.height)};
    Window* control = CreateWindowRecord(0, item.className.c_str(), item.text.c_str(),
                                         (item.style & ~kStyleVisible) | kStyleChild, at, dialog,
                                         item.id);
    if (!control) {
      const unsigned error = desktop.lastError;
      DialogStateOf(dialog)->procedure = [](WindowHandle, unsigned, std::uintptr_t,
                                            std::intptr_t) -> std::intptr_t { return 0; };
      DestroyAppWindow(dialog);
      desktop.lastError = error;
      return nullptr;
    }
    PrepareControl(control, instance->Bitmap(item.pictureId), lineHeight);
    if (item.style & kStyleVisible) ShowAppWindow(control, kShowShow);
  }
  return dialog;
}

// What the modal loop does when the backend says no input will ever come:
// first the user "closes" the box, then, if it is still open, it ends with 0.
void RunOutOfInput(Window* dialog, int& times) {
  if (++times == 1) DeliverClose(dialog);
  else EndDialogBox(dialog, 0);
}

}  // namespace

void RegisterDialogClasses() {
  RegisterWindowClass(WindowClass{kClassDialog, 0, DialogWindowProcedure});
  RegisterWindowClass(WindowClass{kClassButton, 0, ButtonProcedure});
  RegisterWindowClass(WindowClass{kClassListBox, 0, ListBoxProcedure});
  RegisterWindowClass(WindowClass{kClassStatic, 0, StaticProcedure});
}

void Invalidate(Window* window) {
  if (DialogState* state = DialogStateOf(TopLevelOf(FindLiveWindow(window)))) state->dirty = true;
}

void PaintDialogs() {
  std::vector<Window*> dirty;
  for (const auto& w : TheDesktop().windows) {
    DialogState* state = DialogStateOf(w.get());
    if (state && state->dirty && w->visible) dirty.push_back(w.get());
  }
  for (Window* dialog : dirty)
    if (DialogState* state = DialogStateOf(FindLiveWindow(dialog))) PaintDialog(dialog, *state);
}

std::intptr_t RunDialogBox(InstanceHandle instance, int templateId, WindowHandle owner,
                           DialogProc procedure, std::intptr_t parameter) {
  if (!Started()) return -1;
  Desktop& desktop = TheDesktop();
  const DialogTemplate* t = instance ? instance->Dialog(templateId) : nullptr;
  if (!t || !procedure || (owner && !FindLiveWindow(owner))) {
    desktop.lastError = !t ? kErrorResourceNotFound : kErrorInvalidHandle;
    return -1;
  }
  Window* dialog = MakeDialog(instance, *t, procedure);
  if (!dialog) return -1;

  Window* first = nullptr;
  for (Window* c : ControlsOf(dialog))
    if (!first && c->visible && (c->style & kStyleTabStop)) first = c;
  // Answering non-zero lets the dialog manager put the focus on the first stop.
  if (SendAppMessage(dialog, kMsgInitDialog, reinterpret_cast<std::uintptr_t>(first), parameter) &&
      first && FindLiveWindow(first))
    SetFocusWindow(first);
  DialogState* state = DialogStateOf(FindLiveWindow(dialog));
  if (state && !state->ended) ShowAppWindow(dialog, kShowShow);

  int outOfInput = 0;
  while ((state = DialogStateOf(FindLiveWindow(dialog))) && !state->ended) {
    Message message;
    if (!PeekAppMessage(message, true)) {
      PaintDialogs();
      if (!desktop.backend->WaitForInput()) RunOutOfInput(dialog, outOfInput);
      continue;
    }
    if (message.message == kMsgQuit) {
      // The loop is left and the quit goes back for whoever runs the next one.
      PostQuit(static_cast<int>(message.wParam));
      EndDialogBox(dialog, 0);
      break;
    }
    if (HandleDialogKey(dialog, message)) continue;
    TranslateAppMessage(message);
    DispatchAppMessage(message);
  }
  state = DialogStateOf(FindLiveWindow(dialog));
  const std::intptr_t result = state ? state->result : 0;
  if (state) DestroyAppWindow(dialog);
  return result;
}

bool EndDialogBox(WindowHandle handle, std::intptr_t result) {
  Window* dialog = FindLiveWindow(handle);
  DialogState* state = DialogStateOf(dialog);
  if (!state) {
    if (Started()) TheDesktop().lastError = kErrorInvalidHandle;
    return false;
  }
  state->result = result;
  state->ended = true;
  ShowAppWindow(dialog, kShowHide);
  return true;
}

WindowHandle DialogItem(WindowHandle dialog, int id) {
  Window* window = FindLiveWindow(dialog);
  if (!window) return nullptr;
  for (Window* c : ControlsOf(window))
    if (c->id == id) return c;
  return nullptr;
}

int DialogItemId(WindowHandle control) {
  Window* window = FindLiveWindow(control);
  return window ? window->id : 0;
}

WindowHandle ParentWindow(WindowHandle window) {
  Window* w = FindLiveWindow(window);
  return w ? w->parent : nullptr;
}

}  // namespace plat
