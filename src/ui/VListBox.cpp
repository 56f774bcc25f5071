#include "VListBox.h"

#include <cinttypes>

#include "KolLog.h"

ListBoxMap& TheListBoxes() {
  static ListBoxMap map;
  return map;
}

plat::WindowProc& TheSavedListBoxProcedure() {
  static plat::WindowProc procedure = nullptr;
  return procedure;
}

void ResetListBoxesForTest() {
  TheListBoxes().clear();
  TheSavedListBoxProcedure() = nullptr;
}

void VListBox::Init() {
  if (count == 0) {
    plat::SendAppMessage(window, plat::kListBoxAddString, 0, reinterpret_cast<std::intptr_t>(""));
    plat::SendAppMessage(window, plat::kListBoxSetItemData, 0, 0);
  } else {
    for (int i = 0; i < count; ++i) {
      plat::SendAppMessage(window, plat::kListBoxAddString, 0,
                           reinterpret_cast<std::intptr_t>(items[i].text));
      plat::SendAppMessage(window, plat::kListBoxSetItemData, static_cast<std::uintptr_t>(i), i);
    }
  }
  ApplySelection();
  // Subclassing a control twice must not save our own procedure as the one to
  // call on, or every message would loop back here.
  plat::WindowProc replaced = plat::SubclassWindow(window, ListBoxProcedure);
  if (replaced && replaced != ListBoxProcedure) TheSavedListBoxProcedure() = replaced;
  TheListBoxes().emplace(window, this);
}

void VListBox::Done() {
  if (TheSavedListBoxProcedure()) plat::SubclassWindow(window, TheSavedListBoxProcedure());
  TheListBoxes().erase(window);
  plat::SendAppMessage(window, plat::kListBoxResetContent, 0, 0);
  count = 0;
  items = nullptr;
}

void VListBox::ApplySelection() {
  if (currentIndex < 0 || currentIndex >= count) currentIndex = 0;  // never index past the table
  plat::SendAppMessage(window, plat::kListBoxSetCurrentSelection,
                       static_cast<std::uintptr_t>(currentIndex), 0);
  if (count != 0) {
    currentValue = items[currentIndex].value;
  } else {
    currentIndex = 0;
    currentValue = 0;
  }
}

void VListBox::ReadSelection() {
  if (count == 0) {
    currentIndex = 0;
    currentValue = 0;
    return;
  }
  currentIndex = static_cast<int>(plat::SendAppMessage(window, plat::kListBoxGetCurrentSelection, 0, 0));
  // No selection (a negative index) is as wrong as one past the table.
  if (currentIndex < 0 || currentIndex >= count) {
    TheLog().Report(2, kModuleListBox, "VListBox", 2, "Changed selection to invalid index: %d>=%d",
                       currentIndex, count);
    currentIndex = 0;
  }
  currentValue = items[currentIndex].value;
}

void VDefaultListBox::Init() {
  currentIndex = defaultIndex;
  VListBox::Init();
}

void VDefaultListBox::Reset() {
  if (count == 0) return;
  currentIndex = defaultIndex >= 0 && defaultIndex < count ? defaultIndex : 0;
  plat::SendAppMessage(window, plat::kListBoxSetCurrentSelection,
                       static_cast<std::uintptr_t>(currentIndex), 0);
  currentValue = items[currentIndex].value;
}

std::intptr_t PLAT_CALLBACK VListBox::ListBoxProcedure(plat::WindowHandle window, unsigned message,
                                         std::uintptr_t wParam, std::intptr_t lParam) {
  const auto found = TheListBoxes().find(window);
  if (found != TheListBoxes().end()) {
    if (message == plat::kMsgKeyDown) found->second->OnKeyDown(static_cast<unsigned>(wParam));
  } else {
    TheLog().Report(2, kModuleListBox, "VListBox", 1,
                       "Windows Message sent to unknown list box: HWND=0x%04" PRIXPTR "\n",
                       reinterpret_cast<std::uintptr_t>(window));
  }
  return plat::CallWindowProcedure(TheSavedListBoxProcedure(), window, message, wParam, lParam);
}
