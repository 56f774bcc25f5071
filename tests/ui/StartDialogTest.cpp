// The start dialog on the headless backend, driven by scripted keys and clicks:
// what it writes into the demo, when it starts, and the list-box wrapper's
// reports.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "HeadlessControl.h"
#include "KolLog.h"
#include "Platform.h"
#include "StartResourcePixels.h"
#include "StartResources.h"
#include "TestSupport.h"
#include "VListBox.h"
#include "VStartDialog.h"

namespace {

plat::headless::Control& TheHeadless() { return plat::headless::TheHeadless(); }

class StartDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(plat::StartHeadless()); }
  void TearDown() override { plat::Shutdown(); }

  // Runs the start dialog over a fresh demo; the modes start at values the
  // dialog never writes, so every write shows.
  int Run() {
    modes = DemoModes{0, 0};
    VStartDialog dialog;
    dialog.demo = &modes;
    current = &dialog;
    const int result = dialog.DoModal(ProgramResources());
    current = nullptr;
    return result;
  }

  // Where a line of a list lies, in the dialog's client coordinates.
  static void ClickLine(int listId, int line, bool twice = false) {
    plat::Rect r;
    plat::WindowRectangle(plat::DialogItem(Dialog(), listId), r);
    const int x = r.left + 10, y = r.top + 1 + line * 13 + 6;
    twice ? TheHeadless().DoubleClick(x, y) : TheHeadless().Click(x, y);
  }
  static void ClickStart() {
    plat::Rect r;
    plat::WindowRectangle(plat::DialogItem(Dialog(), 1), r);
    TheHeadless().Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  static plat::WindowHandle Dialog() { return plat::ForegroundWindow(); }

  // Steps run one at a time whenever the dialog waits for input.
  void Steps(std::vector<std::function<void()>> steps) {
    auto next = std::make_shared<size_t>(0);
    TheHeadless().onIdle = [steps = std::move(steps), next] {
      if (*next < steps.size()) steps[(*next)++]();
    };
  }

  LogCapture capture;
  DemoModes modes;
  VStartDialog* current = nullptr;
};

TEST_F(StartDialogTest, KeysOrClicksChooseTheModesAndStartWithThem) {
  const auto keys = [](std::vector<unsigned> list) {
    return [list] { for (unsigned key : list) TheHeadless().TypeKey(key); };
  };
  using StepList = std::vector<std::function<void()>>;
  const struct { const char* what; StepList steps; int sound, display; } cases[] = {
      {"Enter at once", {keys({plat::kKeyReturn})}, kSoundStereo, kDisplayFullScreenExclusive},
      // Tab to the sound list, End; Tab to the display list, Down twice; Enter.
      {"keys", {keys({plat::kKeyTab, plat::kKeyEnd, plat::kKeyTab, plat::kKeyDown, plat::kKeyDown,
                      plat::kKeyReturn})}, kSoundNone, kDisplayWindowed},
      {"clicks", {[] { ClickLine(1001, 2); }, [] { ClickLine(1002, 2); }, [] { ClickStart(); }},
       kSoundNone, kDisplayWindowed}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetDialogsForTest();
    ResetListBoxesForTest();
    Steps(c.steps);
    EXPECT_EQ(1, Run());
    EXPECT_EQ(c.sound, modes.soundMode);
    EXPECT_EQ(c.display, modes.displayMode);
    EXPECT_EQ(0, TheHeadless().inputRunOut);
    EXPECT_EQ(0, capture.Records());
    // The dialog left the map when its window went; its lists stay registered.
    EXPECT_TRUE(TheDialogs().empty());
    EXPECT_EQ(2u, TheListBoxes().size());
  }
}

TEST_F(StartDialogTest, EachChangeOfSelectionReachesTheDemoAtOnce) {
  std::vector<int> seen;
  Steps({[] { TheHeadless().TypeKey(plat::kKeyTab); TheHeadless().TypeKey(plat::kKeyDown); },
         [&] { seen.push_back(modes.soundMode); TheHeadless().TypeKey(plat::kKeyDown); },
         [&] { seen.push_back(modes.soundMode); TheHeadless().TypeKey(plat::kKeyUp); },
         [&] { seen.push_back(modes.soundMode); TheHeadless().TypeKey(plat::kKeyEscape); }});
  EXPECT_EQ(0, Run());
  EXPECT_EQ((std::vector<int>{kSoundMono, kSoundNone, kSoundMono}), seen);
}

TEST_F(StartDialogTest, EscapeOrTheCloseBoxReturnZeroAndKeepTheChoicesWritten) {
  for (bool escape : {true, false}) {
    ResetDialogsForTest();
    ResetListBoxesForTest();
    TheHeadless().TypeKey(plat::kKeyTab);
    TheHeadless().TypeKey(plat::kKeyDown);
    escape ? TheHeadless().TypeKey(plat::kKeyEscape) : TheHeadless().RequestClose();
    EXPECT_EQ(0, Run()) << escape;
    EXPECT_EQ(kSoundMono, modes.soundMode) << escape;
    EXPECT_EQ(kDisplayFullScreenExclusive, modes.displayMode) << escape;
  }
  EXPECT_EQ(0, TheHeadless().inputRunOut);
}

TEST_F(StartDialogTest, ADoubleClickSelectsWithoutStarting) {
  bool stillOpen = false;
  Steps({[] { ClickLine(1001, 1, true); },
         [&] { stillOpen = plat::IsWindowAlive(Dialog()) && current && !current->closed;
               TheHeadless().TypeKey(plat::kKeyEscape); }});
  EXPECT_EQ(0, Run());
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(kSoundMono, modes.soundMode);
}

TEST_F(StartDialogTest, CloseTwiceEndsTheDialogOnceWithTheFirstResult) {
  Steps({[this] {
    current->Close(1);
    current->Close(0);
  }});
  EXPECT_EQ(1, Run());
}

TEST_F(StartDialogTest, AReleaseNameAndBannerReplaceTheTemplatesOwnAndNothingElse) {
  const std::vector<std::uint32_t> banner(200 * 40, 0x123456);
  struct Case { const char* title; const std::uint32_t* banner; const char* caption; const char* button; };
  for (const Case& c : {Case{"", nullptr, "Solvane", "Start Solvane"},
                        Case{"Neon", banner.data(), "Neon", "Start Neon"}}) {
    ResetDialogsForTest();
    ResetListBoxesForTest();
    VStartDialog dialog;
    dialog.title = c.title;
    if (c.banner) dialog.banner = {200, 40, c.banner};
    std::vector<std::string> texts;
    const std::uint32_t* shown = nullptr;
    Steps({[&] {
      for (const plat::DrawCommand& command : TheHeadless().lastPaint) {
        if (command.kind == plat::DrawCommand::kText) texts.push_back(command.text);
        if (command.kind == plat::DrawCommand::kPicture) shown = command.picture->pixels;
      }
      TheHeadless().TypeKey(plat::kKeyEscape);
    }});
    EXPECT_EQ(0, dialog.DoModal(ProgramResources()));
    EXPECT_EQ(c.caption, TheHeadless().lastPaintTitle);
    // The button and the two lists' lines, in that order.
    EXPECT_EQ((std::vector<std::string>{c.button, "Stereo", "Mono", "No Sound",
                                        "Full Screen 640x480 (DDraw)", "Full Screen 640x480 (GDI)",
                                        "Windowed"}),
              texts);
    EXPECT_EQ(c.banner ? c.banner : kTitlePicturePixels, shown);
  }
}

TEST_F(StartDialogTest, ADialogThatCannotBeMadeIsReportedWithTheSystemError) {
  const plat::ResourceModule empty;
  VStartDialog dialog;
  dialog.demo = &modes;
  EXPECT_GT(0, dialog.DoModal(&empty));
  EXPECT_EQ("Error: Windows error 0x716\n", capture.Text());
  ASSERT_EQ(1, capture.Records());
  EXPECT_EQ(kModuleModalDialog, TheLog().Record(0).moduleCode);
  EXPECT_EQ(1, TheLog().Record(0).detailCode);

  // A window that cannot be made says so too, and nothing was written into the demo.
  TheHeadless().failWindowCreation = true;
  VStartDialog again;
  again.demo = &modes;
  modes = DemoModes{0, 0};
  EXPECT_GT(0, again.DoModal(ProgramResources()));
  EXPECT_EQ(0, modes.soundMode);
  EXPECT_EQ(2, capture.Records());
}

// The list-box wrapper on its own, over a list control of a plain dialog.
class ListBoxTest : public StartDialogTest {
 protected:
  // Runs the start dialog and calls body while it is open, on its sound list's control.
  void WithControl(const std::function<void(plat::WindowHandle)>& body) {
    Steps({[&] {
      body(plat::DialogItem(Dialog(), 1001));
      TheHeadless().TypeKey(plat::kKeyEscape);
    }});
    Run();
  }
};

TEST_F(ListBoxTest, AnEmptyTableShowsOneEmptyLineAndReportsZero) {
  WithControl([](plat::WindowHandle control) {
    plat::SendAppMessage(control, plat::kListBoxResetContent, 0, 0);
    VListBox list;
    list.window = control;
    list.currentIndex = 2;
    list.Init();
    EXPECT_EQ(1, plat::SendAppMessage(control, plat::kListBoxGetCount, 0, 0));
    std::string text = "x";
    plat::SendAppMessage(control, plat::kListBoxGetText, 0, reinterpret_cast<std::intptr_t>(&text));
    EXPECT_EQ("", text);
    list.ReadSelection();
    EXPECT_EQ(0, list.currentIndex);
    EXPECT_EQ(0, list.currentValue);
    list.Done();
    EXPECT_EQ(0, plat::SendAppMessage(control, plat::kListBoxGetCount, 0, 0));
  });
  EXPECT_EQ(0, capture.Records());
}

TEST_F(ListBoxTest, ASelectionOutsideTheTableIsReportedAndReadAsTheFirstItem) {
  WithControl([](plat::WindowHandle control) {
    VListBox list(kSoundItems, 2);  // the control shows three lines, the table has two
    list.window = control;
    plat::SendAppMessage(control, plat::kListBoxSetCurrentSelection, 2, 0);
    list.ReadSelection();
    EXPECT_EQ(0, list.currentIndex);
    EXPECT_EQ(kSoundStereo, list.currentValue);
    // No selection at all is read the same way instead of indexing before the table.
    plat::SendAppMessage(control, plat::kListBoxSetCurrentSelection,
                         static_cast<std::uintptr_t>(-1), 0);
    list.ReadSelection();
    EXPECT_EQ(0, list.currentIndex);
  });
  EXPECT_EQ("Error: Changed selection to invalid index: 2>=2\n"
            "Error: Changed selection to invalid index: -1>=2\n",
            capture.Text());
  ASSERT_EQ(2, capture.Records());
  EXPECT_EQ(kModuleListBox, TheLog().Record(0).moduleCode);
  EXPECT_EQ(2, TheLog().Record(0).detailCode);
}

TEST_F(ListBoxTest, AMessageForASubclassedListNoLongerInTheMapIsReportedAndPassedOn) {
  std::string handle;
  WithControl([&](plat::WindowHandle control) {
    // The start dialog's sound list is subclassed and registered; forget it.
    ASSERT_EQ(1u, TheListBoxes().erase(control));
    char text[32];
    std::snprintf(text, sizeof text, "0x%04" PRIXPTR, reinterpret_cast<std::uintptr_t>(control));
    handle = text;
    EXPECT_EQ(3, plat::SendAppMessage(control, plat::kListBoxGetCount, 0, 0));  // still answered
    plat::SubclassWindow(control, TheSavedListBoxProcedure());  // quiet again
  });
  EXPECT_EQ("Error: Windows Message sent to unknown list box: HWND=" + handle + "\n\n",
            capture.Text());
  ASSERT_EQ(1, capture.Records());
  EXPECT_EQ(1, TheLog().Record(0).detailCode);
}

TEST_F(ListBoxTest, KeysReachOnKeyDownAndDoneGivesTheControlItsProcedureBack) {
  struct Recorder : VDefaultListBox {
    Recorder() : VDefaultListBox(1, kSoundItems, 3) {}
    void OnKeyDown(unsigned key) override { keys.push_back(key); }
    std::vector<unsigned> keys;
  } list;
  WithControl([&](plat::WindowHandle control) {
    // Take the control back from the start dialog's own list first.
    plat::SubclassWindow(control, TheSavedListBoxProcedure());
    TheListBoxes().erase(control);
    plat::SendAppMessage(control, plat::kListBoxResetContent, 0, 0);
    list.window = control;
    list.Init();
    EXPECT_EQ(kSoundMono, list.currentValue);  // the default index
    plat::SendAppMessage(control, plat::kMsgKeyDown, plat::kKeyDown, 0);
    list.ReadSelection();
    EXPECT_EQ(kSoundNone, list.currentValue);  // the control moved on as well
    list.Reset();
    EXPECT_EQ(1, plat::SendAppMessage(control, plat::kListBoxGetCurrentSelection, 0, 0));
    list.Done();
    plat::SendAppMessage(control, plat::kMsgKeyDown, plat::kKeyUp, 0);
  });
  EXPECT_EQ(std::vector<unsigned>{plat::kKeyDown}, list.keys);
  EXPECT_EQ(0, capture.Records());
}

}  // namespace
