// A list box control filled from a table of value/text items: it keeps the
// current selection as an index and the value of that item, and subclasses the
// control so key presses reach OnKeyDown. The table is not copied; whoever
// gives it keeps it alive. One list-box procedure serves every list box.
#pragma once

#include <cstdint>
#include <map>

#include "Platform.h"
#include "VDialog.h"

struct VListItem {
  int value = 0;
  const char* text = "";
};

class VListBox {
 public:
  VListBox() = default;
  VListBox(const VListItem* table, int size) : count(size), items(table) {}
  virtual ~VListBox() = default;
  VListBox(const VListBox&) = delete;
  VListBox& operator=(const VListBox&) = delete;

  // Fills the control (one empty line when the table is empty), selects the
  // current index and subclasses the control.
  virtual void Init();
  // Gives the control its own procedure back and empties it and the table.
  virtual void Done();
  virtual void Reset() {}
  virtual void OnDoubleClick() {}
  virtual void OnKeyDown(unsigned virtualKey) {}

  // Takes the control's selection as the current index and value; an index
  // outside the table is reported and replaced by 0.
  void ReadSelection();
  // Selects the current index in the control and takes its value.
  void ApplySelection();

  // The procedure that replaces a list box control's own.
  static std::intptr_t PLAT_CALLBACK ListBoxProcedure(plat::WindowHandle window, unsigned message,
                                        std::uintptr_t wParam, std::intptr_t lParam);

  plat::WindowHandle window = nullptr;
  int count = 0;
  const VListItem* items = nullptr;
  int currentIndex = 0;
  int currentValue = 0;
};

// A list box that starts at, and resets to, a default index.
class VDefaultListBox : public VListBox {
 public:
  VDefaultListBox(int initialIndex, const VListItem* table, int size)
      : VListBox(table, size), defaultIndex(initialIndex) {}

  void Init() override;
  void Reset() override;

  int defaultIndex;
};

using ListBoxMap = std::map<plat::WindowHandle, VListBox*, HandleOrder>;
ListBoxMap& TheListBoxes();
// The control procedure the last subclassing replaced (one for all list boxes).
plat::WindowProc& TheSavedListBoxProcedure();
// Tests only: empty the map and forget the saved procedure.
void ResetListBoxesForTest();
