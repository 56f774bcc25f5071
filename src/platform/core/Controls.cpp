#include "Controls.h"

#include <algorithm>

#include "Canvas.h"
#include "Desktop.h"

namespace plat {

namespace {

struct ButtonState : WindowExtra {
  bool pressed = false;
};

struct ListBoxItem {
  std::string text;
  std::intptr_t data = 0;
};

struct ListBoxState : WindowExtra {
  std::vector<ListBoxItem> items;
  int selection = -1;
  int top = 0;  // first item shown
  int lineHeight = 1;
};

struct StaticState : WindowExtra {
  const Picture* picture = nullptr;
};

template <typename State>
State& StateOf(Window* window) {
  if (!dynamic_cast<State*>(window->extra.get())) window->extra = std::make_unique<State>();
  return static_cast<State&>(*window->extra);
}

// The control's own rectangle and client rectangle, in its own coordinates.
Rect Bounds(const Window* w) { return Rect{0, 0, w->rect.Width(), w->rect.Height()}; }
Rect ClientBounds(const Window* w) {
  const int left = w->client.left - w->rect.left, top = w->client.top - w->rect.top;
  return Rect{left, top, left + w->client.Width(), top + w->client.Height()};
}
Rect Inset(Rect r, int by) { return Rect{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

bool HasFocus(const Window* w) { return TheDesktop().focus == w; }

void Notify(Window* control, unsigned code) {
  if (!control->parent) return;
  SendAppMessage(control->parent, kMsgCommand, MakeCommand(control->id, code),
                 reinterpret_cast<std::intptr_t>(control));
}

// --- Push button -----------------------------------------------------------------

void PaintButton(Window* w, Canvas& canvas) {
  const ButtonState& state = StateOf<ButtonState>(w);
  const bool focused = HasFocus(w);
  const bool isDefault = (w->style & 0xF) == kButtonDefaultPush;
  const Rect bounds = Bounds(w);
  canvas.Fill(bounds, state.pressed ? kColorButtonPressed : kColorButtonFace);
  if (focused || isDefault) {
    // The default button wears the accent border, two pixels with the focus.
    canvas.Frame(bounds, kColorAccent);
    if (focused) canvas.Frame(Inset(bounds, 1), kColorAccent);
  } else {
    canvas.Frame(bounds, kColorButtonBorder);
  }
  canvas.Text(Inset(bounds, 2), w->title, kColorText, true);
  if (focused) canvas.FocusMark(Inset(bounds, 3));
}

// --- List box --------------------------------------------------------------------

int VisibleLines(Window* w, const ListBoxState& state) {
  return std::max(1, ClientBounds(w).Height() / state.lineHeight);
}

void ShowItem(Window* w, ListBoxState& state, int index) {
  const int lines = VisibleLines(w, state);
  if (index < state.top) state.top = index;
  else if (index >= state.top + lines) state.top = index - lines + 1;
  state.top = std::max(0, state.top);
}

// A selection made by the user: the list tells its dialog when it changes.
void SelectByUser(Window* w, ListBoxState& state, int index) {
  const int count = static_cast<int>(state.items.size());
  if (count == 0) return;
  index = std::clamp(index, 0, count - 1);
  ShowItem(w, state, index);
  Invalidate(w);
  if (index == state.selection) return;
  state.selection = index;
  if (w->style & kListBoxNotify) Notify(w, kListBoxSelectionChange);
}

int ItemAt(Window* w, const ListBoxState& state, std::intptr_t point) {
  const int y = PointY(point);
  if (y < 0) return -1;
  const int index = state.top + y / state.lineHeight;
  return index < static_cast<int>(state.items.size()) ? index : -1;
}

void PaintListBox(Window* w, Canvas& canvas) {
  const ListBoxState& state = StateOf<ListBoxState>(w);
  const Rect client = ClientBounds(w);
  if (w->style & kStyleBorder) canvas.Frame(Bounds(w), kColorBorder);
  canvas.Fill(client, kColorWindow);
  const bool focused = HasFocus(w);
  const int count = static_cast<int>(state.items.size());
  for (int i = state.top, y = client.top; i < count && y < client.bottom; ++i, y += state.lineHeight) {
    const Rect line{client.left, y, client.right, std::min(client.bottom, y + state.lineHeight)};
    std::uint32_t ink = kColorText;
    if (i == state.selection) {
      canvas.Fill(line, focused ? kColorAccent : kColorInactiveSelection);
      if (focused) ink = kColorHighlightText;
    }
    canvas.Text(Rect{line.left + 2, line.top, line.right - 2, line.bottom}, state.items[i].text,
                ink, false);
    // The focus mark sits on the selected line, or on the first when none is.
    if (focused && i == std::max(state.selection, 0)) canvas.FocusMark(line);
  }
}

std::intptr_t ListBoxMessage(Window* w, unsigned message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
  ListBoxState& state = StateOf<ListBoxState>(w);
  const int count = static_cast<int>(state.items.size());
  const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
  const bool valid = index >= 0 && index < count;
  switch (message) {
    case kListBoxAddString: {
      const char* text = reinterpret_cast<const char*>(lParam);
      state.items.push_back(ListBoxItem{text ? text : "", 0});
      Invalidate(w);
      return count;
    }
    case kListBoxResetContent:
      state.items.clear();
      state.selection = -1;
      state.top = 0;
      Invalidate(w);
      return 0;
    case kListBoxSetCurrentSelection:
      // Set by the program: no notification. Anything out of range clears it.
      state.selection = valid ? index : -1;
      if (valid) ShowItem(w, state, index);
      Invalidate(w);
      return valid ? index : kListBoxError;
    case kListBoxGetCurrentSelection:
      return state.selection >= 0 ? state.selection : kListBoxError;
    case kListBoxGetText:
      if (!valid || !lParam) return kListBoxError;
      *reinterpret_cast<std::string*>(lParam) = state.items[index].text;
      return static_cast<std::intptr_t>(state.items[index].text.size());
    case kListBoxGetCount:
      return count;
    case kListBoxGetItemData:
      return valid ? state.items[index].data : kListBoxError;
    case kListBoxSetItemData:
      if (!valid) return kListBoxError;
      state.items[index].data = lParam;
      return 0;
  }
  return kListBoxError;
}

}  // namespace

void PrepareControl(Window* control, const Picture* picture, int lineHeight) {
  if (control->className == kClassListBox)
    StateOf<ListBoxState>(control).lineHeight = std::max(1, lineHeight);
  else if (control->className == kClassStatic)
    StateOf<StaticState>(control).picture = picture;
}

bool SetStaticPicture(WindowHandle handle, const Picture& picture) {
  Window* control = FindLiveWindow(handle);
  if (!control || control->className != kClassStatic) return false;
  StateOf<StaticState>(control).picture = &picture;
  Invalidate(control);
  return true;
}

std::intptr_t PLAT_CALLBACK ButtonProcedure(WindowHandle w, unsigned message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
  ButtonState& state = StateOf<ButtonState>(w);
  switch (message) {
    case kMsgPaint:
      PaintButton(w, *reinterpret_cast<Canvas*>(wParam));
      return 0;
    case kMsgLeftButtonDown:
    case kMsgLeftButtonDoubleClick:
      state.pressed = true;
      SetFocusWindow(w);
      Invalidate(w);
      return 0;
    case kMsgLeftButtonUp: {
      // A click counts only when the button is released over it.
      const Rect client = ClientBounds(w);
      const int x = PointX(lParam) + client.left, y = PointY(lParam) + client.top;
      const bool over = x >= 0 && y >= 0 && x < w->rect.Width() && y < w->rect.Height();
      const bool click = state.pressed && over;
      state.pressed = false;
      Invalidate(w);
      if (click) Notify(w, kButtonClicked);
      return 0;
    }
    case kMsgKeyDown:
      if (wParam == kKeySpace) Notify(w, kButtonClicked);
      return 0;
    default:
      return DefaultWindowProcedure(w, message, wParam, lParam);
  }
}

std::intptr_t PLAT_CALLBACK ListBoxProcedure(WindowHandle w, unsigned message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
  ListBoxState& state = StateOf<ListBoxState>(w);
  const int count = static_cast<int>(state.items.size());
  switch (message) {
    case kMsgPaint:
      PaintListBox(w, *reinterpret_cast<Canvas*>(wParam));
      return 0;
    case kMsgSetFocus:
      Invalidate(w);
      Notify(w, kListBoxSetFocus);
      return 0;
    case kMsgKillFocus:
      Invalidate(w);
      Notify(w, kListBoxKillFocus);
      return 0;
    case kMsgLeftButtonDown:
    case kMsgLeftButtonDoubleClick: {
      SetFocusWindow(w);
      const int index = ItemAt(w, state, lParam);
      if (index < 0) return 0;
      SelectByUser(w, state, index);
      if (message == kMsgLeftButtonDoubleClick && (w->style & kListBoxNotify))
        Notify(w, kListBoxDoubleClick);
      return 0;
    }
    case kMsgKeyDown: {
      const int lines = VisibleLines(w, state);
      const int at = state.selection;
      switch (wParam) {
        case kKeyUp: SelectByUser(w, state, at < 0 ? 0 : at - 1); break;
        case kKeyDown: SelectByUser(w, state, at < 0 ? 0 : at + 1); break;
        case kKeyPageUp: SelectByUser(w, state, at - lines + 1); break;
        case kKeyPageDown: SelectByUser(w, state, at < 0 ? 0 : at + lines - 1); break;
        case kKeyHome: SelectByUser(w, state, 0); break;
        case kKeyEnd: SelectByUser(w, state, count - 1); break;
      }
      return 0;
    }
    default:
      if (message >= kListBoxAddString && message <= kListBoxSetItemData)
        return ListBoxMessage(w, message, wParam, lParam);
      return DefaultWindowProcedure(w, message, wParam, lParam);
  }
}

std::intptr_t PLAT_CALLBACK StaticProcedure(WindowHandle w, unsigned message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
  if (message != kMsgPaint) return DefaultWindowProcedure(w, message, wParam, lParam);
  Canvas& canvas = *reinterpret_cast<Canvas*>(wParam);
  const Rect bounds = Bounds(w);
  const Picture* picture = StateOf<StaticState>(w).picture;
  if ((w->style & 0x1F) != kStaticBitmap) {
    canvas.Text(bounds, w->title, kColorText, false);
  } else if (picture && picture->pixels) {
    // Centred with its own size, cut to the control where it is larger.
    const bool centre = w->style & kStaticCenterImage;
    const int x = centre ? (bounds.Width() - picture->width) / 2 : 0;
    const int y = centre ? (bounds.Height() - picture->height) / 2 : 0;
    canvas.DrawPicture(x, y, *picture, bounds);
  }
  return 0;
}

}  // namespace plat
