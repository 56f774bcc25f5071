// The dialog manager on the headless backend: a box built from a template of
// our own, driven by injected keys and mouse buttons, watched through what its
// procedure receives and what the box paints.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "HeadlessControl.h"
#include "Platform.h"
#include "TestSupport.h"

namespace {

using plat::headless::TheHeadless;

constexpr int kTemplate = 100;
constexpr int kPictureId = 200;
constexpr int kButton = 1, kList1 = 1001, kList2 = 1002, kPictureItem = -1;
constexpr int kLine = 13;  // a list line at 8 points on the headless font
constexpr unsigned kBoxStyle = plat::kStylePopup | plat::kStyleCaption | plat::kStyleSysMenu |
                               plat::kDialogModalFrame | plat::kDialogSetFont | plat::kDialogCenter;
constexpr std::uint32_t kAccent = 0x0078D7;
const std::uint32_t kPixels[8] = {1, 2, 3, 4, 5, 6, 7, 8};

// 201 x 124 dialog units; items in tab order: the button, two lists, a picture.
plat::ResourceModule MakeModule() {
  plat::ResourceModule module;
  module.bitmaps[kPictureId] = plat::Picture{4, 2, kPixels};
  plat::DialogTemplate& t = module.dialogs[kTemplate];
  t.style = kBoxStyle;
  t.width = 201;
  t.height = 124;
  t.caption = "Start dialog";
  t.fontName = "MS Shell Dlg";
  t.pointSize = 8;
  t.items = {{plat::kClassButton, kButton, 140, 104, 50, 14, 0x50010001u, "Start"},
             {plat::kClassListBox, kList1, 10, 10, 60, 64, 0x50810101u, ""},
             {plat::kClassListBox, kList2, 80, 10, 60, 64, 0x50810101u, ""},
             {plat::kClassStatic, kPictureItem, 150, 10, 20, 10, 0x5000020Eu, "", kPictureId}};
  return module;
}

std::vector<plat::Message> gSeen;
plat::WindowHandle gDialog = nullptr, gButton = nullptr, gList1 = nullptr, gList2 = nullptr;
std::intptr_t gInitAnswer = 1;
bool gEndOnCancel = true;
// What the test does each time the box waits for input, one step a wait.
std::deque<std::function<void()>> gSteps;

void Fill(plat::WindowHandle list, std::initializer_list<const char*> texts) {
  for (const char* text : texts)
    plat::SendAppMessage(list, plat::kListBoxAddString, 0, reinterpret_cast<std::intptr_t>(text));
}

std::intptr_t PLAT_CALLBACK DialogProcedure(plat::WindowHandle w, unsigned m, std::uintptr_t wp,
                              std::intptr_t lp) {
  gSeen.push_back({w, m, wp, lp});
  if (m == plat::kMsgInitDialog) {
    gDialog = w;
    gButton = plat::DialogItem(w, kButton);
    gList1 = plat::DialogItem(w, kList1);
    gList2 = plat::DialogItem(w, kList2);
    Fill(gList1, {"Alpha", "Beta", "Gamma"});
    Fill(gList2, {"One", "Two"});
    return gInitAnswer;
  }
  if (m != plat::kMsgCommand) return 0;
  if (plat::CommandId(wp) == plat::kCommandOk) return plat::EndDialogBox(w, 1);
  if (plat::CommandId(wp) == plat::kCommandCancel && gEndOnCancel) return plat::EndDialogBox(w, 0);
  return 0;
}

plat::WindowHandle Item(int id) { return plat::DialogItem(gDialog, id); }
plat::Rect RectOf(int id) {
  plat::Rect r;
  plat::WindowRectangle(Item(id), r);
  return r;
}
std::vector<int> Corners(const plat::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }
std::intptr_t Selection(int id) {
  return plat::SendAppMessage(Item(id), plat::kListBoxGetCurrentSelection, 0, 0);
}
// The mouse button pressed or released in the middle of a control.
void Press(int id, bool down = true) {
  const plat::Rect r = RectOf(id);
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  down ? TheHeadless().MouseDown(x, y) : TheHeadless().MouseUp(x, y);
}
// The middle of a list's line: lines start inside the one-pixel border.
std::pair<int, int> LinePoint(int id, int line) {
  const plat::Rect r = RectOf(id);
  return {(r.left + r.right) / 2, r.top + 1 + line * kLine + kLine / 2};
}
void ShiftTab() {
  TheHeadless().PressKey(plat::kKeyShift);
  TheHeadless().TypeKey(plat::kKeyTab);
  TheHeadless().ReleaseKey(plat::kKeyShift);
}

// The commands the procedure received, as id and notification.
std::vector<std::pair<int, unsigned>> Commands() {
  std::vector<std::pair<int, unsigned>> commands;
  for (const plat::Message& m : gSeen)
    if (m.message == plat::kMsgCommand)
      commands.emplace_back(plat::CommandId(m.wParam), plat::CommandNotification(m.wParam));
  return commands;
}
int Seen(unsigned message) {
  int n = 0;
  for (const plat::Message& m : gSeen) n += m.message == message;
  return n;
}
plat::Message LastCommand() {
  for (auto it = gSeen.rbegin(); it != gSeen.rend(); ++it)
    if (it->message == plat::kMsgCommand) return *it;
  return {};
}

using Notes = std::vector<std::pair<int, unsigned>>;
constexpr unsigned kSel = plat::kListBoxSelectionChange, kSetFocus = plat::kListBoxSetFocus,
                   kKillFocus = plat::kListBoxKillFocus;

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plat::StartHeadless());
    gSeen.clear();
    gDialog = gButton = gList1 = gList2 = nullptr;
    gInitAnswer = 1;
    gEndOnCancel = true;
    gSteps.clear();
    TheHeadless().onIdle = [] {
      if (gSteps.empty()) return;
      auto step = std::move(gSteps.front());
      gSteps.pop_front();
      step();
    };
  }
  void TearDown() override { plat::Shutdown(); }
  // Runs the box; every step given must have had its turn before the box ended.
  std::intptr_t Run(std::intptr_t parameter = 0) {
    const std::intptr_t result =
        plat::RunDialogBox(&module, kTemplate, nullptr, DialogProcedure, parameter);
    EXPECT_TRUE(gSteps.empty()) << gSteps.size() << " steps left: the box ended too soon";
    return result;
  }

  LogCapture capture;
  plat::ResourceModule module = MakeModule();
};

TEST_F(DialogTest, BoxIsBuiltCentredFromItsTemplateAndEndsWithTheResultGiven) {
  gSteps.push_back([] {
    plat::Rect window, client;
    ASSERT_TRUE(plat::WindowRectangle(gDialog, window));
    ASSERT_TRUE(plat::ClientRectangle(gDialog, client));
    // 201 x 124 units at 6 x 13 pixels a character: 301.5 x 201.5, halves rounded up.
    EXPECT_EQ((std::vector<int>{0, 0, 302, 202}), Corners(client));
    plat::Rect framed{0, 0, 302, 202};
    plat::AdjustWindowRectangle(framed, kBoxStyle);
    const int left = (1024 - framed.Width()) / 2, top = (768 - framed.Height()) / 2;
    EXPECT_EQ(Corners({left, top, left + framed.Width(), top + framed.Height()}), Corners(window));
    EXPECT_EQ(gDialog, plat::ForegroundWindow());
    // Controls sit in the box's client coordinates.
    EXPECT_EQ((std::vector<int>{210, 169, 285, 192}), Corners(RectOf(kButton)));
    EXPECT_EQ((std::vector<int>{15, 16, 105, 120}), Corners(RectOf(kList1)));
    EXPECT_EQ((std::vector<int>{120, 16, 210, 120}), Corners(RectOf(kList2)));
    EXPECT_EQ((std::vector<int>{225, 16, 255, 33}), Corners(RectOf(kPictureItem)));
    for (int id : {kButton, kList1, kList2, kPictureItem}) {
      ASSERT_NE(nullptr, Item(id)) << id;
      EXPECT_EQ(id, plat::DialogItemId(Item(id)));
      EXPECT_EQ(gDialog, plat::ParentWindow(Item(id)));
    }
    EXPECT_EQ(nullptr, plat::DialogItem(gDialog, 2));
    EXPECT_EQ(nullptr, plat::ParentWindow(gDialog));
    EXPECT_EQ(gButton, plat::FocusWindow());  // the first tab stop
    TheHeadless().TypeKey(plat::kKeyReturn);
  });
  EXPECT_EQ(1, Run(0x5A5A));
  ASSERT_FALSE(gSeen.empty());
  const plat::Message& init = gSeen.front();
  const auto button = reinterpret_cast<std::uintptr_t>(gButton);
  EXPECT_EQ(std::make_tuple(plat::kMsgInitDialog, button, 0x5A5A),
            std::make_tuple(init.message, init.wParam, init.lParam));
  EXPECT_EQ(1, Seen(plat::kMsgInitDialog));
  EXPECT_EQ(plat::kMsgDestroy, gSeen.back().message);
  EXPECT_EQ(gDialog, gSeen.back().window);
  EXPECT_FALSE(plat::IsWindowAlive(gDialog));
  EXPECT_FALSE(plat::IsWindowAlive(gList1));
  EXPECT_EQ(nullptr, plat::FocusWindow());

  // Answering zero keeps the focus where it was; Tab then starts at the first stop.
  gInitAnswer = 0;
  gSteps.push_back([] {
    EXPECT_EQ(nullptr, plat::FocusWindow());
    TheHeadless().TypeKey(plat::kKeyTab);
  });
  gSteps.push_back([] {
    EXPECT_EQ(gButton, plat::FocusWindow());
    TheHeadless().TypeKey(plat::kKeyEscape);
  });
  EXPECT_EQ(0, Run());
  EXPECT_EQ(0, TheHeadless().inputRunOut);
}

TEST_F(DialogTest, BoxThatCannotBeMadeAnswersMinusOneAndSaysWhy) {
  EXPECT_EQ(-1, plat::RunDialogBox(&module, 999, nullptr, DialogProcedure, 0));
  EXPECT_EQ(plat::kErrorResourceNotFound, plat::LastError());
  EXPECT_EQ(-1, plat::RunDialogBox(nullptr, kTemplate, nullptr, DialogProcedure, 0));
  EXPECT_EQ(plat::kErrorResourceNotFound, plat::LastError());
  EXPECT_EQ(-1, plat::RunDialogBox(&module, kTemplate, nullptr, nullptr, 0));
  EXPECT_EQ(plat::kErrorInvalidHandle, plat::LastError());
  TheHeadless().failWindowCreation = true;
  EXPECT_EQ(-1, Run());
  EXPECT_EQ(plat::kErrorCannotCreateWindow, plat::LastError());
  TheHeadless().failWindowCreation = false;
  // A control of a class nobody registered takes the half-made box down with it.
  module.dialogs[kTemplate].items.push_back({"NoSuchClass", 7, 0, 0, 10, 10, 0x50000000u, ""});
  EXPECT_EQ(-1, Run());
  EXPECT_EQ(plat::kErrorClassDoesNotExist, plat::LastError());
  EXPECT_EQ(0, Seen(plat::kMsgInitDialog));
  EXPECT_EQ(nullptr, plat::ForegroundWindow());
  EXPECT_EQ(0, TheHeadless().paints);
}

TEST_F(DialogTest, EnterPressesTheDefaultButtonWhereverTheFocusIsEscapeAndCloseCancel) {
  // The command's control: the button, or none for Cancel (the box has no control with id 2).
  struct Case {
    const char* script;
    std::intptr_t result;
    Notes commands;
    bool fromButton;
    int closes;
  };
  const unsigned kClicked = plat::kButtonClicked;
  const Case cases[] = {{"return", 1, {{1, kClicked}}, true, 0},  // on the button
                        {"tab return", 1, {{kList1, kSetFocus}, {1, kClicked}}, true, 0},
                        {"escape", 0, {{2, kClicked}}, false, 0},
                        {"close", 0, {{2, kClicked}}, false, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    gSeen.clear();
    std::string error;
    ASSERT_TRUE(plat::headless::QueueInputScript(c.script, error)) << error;
    EXPECT_EQ(c.result, Run());
    EXPECT_EQ(c.commands, Commands());
    EXPECT_EQ(c.fromButton ? reinterpret_cast<std::intptr_t>(gButton) : 0, LastCommand().lParam);
    EXPECT_EQ(c.closes, Seen(plat::kMsgClose));
  }
  EXPECT_EQ(0, TheHeadless().inputRunOut);
}

TEST_F(DialogTest, TabAndShiftTabCycleTheFocusThroughTheTabStops) {
  std::vector<plat::WindowHandle> focus;
  auto snapshotThen = [&focus](std::function<void()> input) {
    gSteps.push_back([&focus, input] {
      focus.push_back(plat::FocusWindow());
      input();
    });
  };
  for (int i = 0; i < 3; ++i) snapshotThen([] { TheHeadless().TypeKey(plat::kKeyTab); });
  for (int i = 0; i < 3; ++i) snapshotThen(ShiftTab);
  snapshotThen([] { TheHeadless().TypeKey(plat::kKeyEscape); });
  EXPECT_EQ(0, Run());
  const std::vector<plat::WindowHandle> expected{gButton, gList1, gList2, gButton,
                                                 gList2,  gList1, gButton};
  EXPECT_EQ(expected, focus);
}

TEST_F(DialogTest, ListKeysMoveTheSelectionAndNotifyOnlyWhenItChanges) {
  std::vector<std::intptr_t> selections;
  const unsigned keys[] = {plat::kKeyTab,  plat::kKeyDown, plat::kKeyDown, plat::kKeyDown,
                           plat::kKeyDown, plat::kKeyEnd,  plat::kKeyHome, plat::kKeyHome,
                           plat::kKeyUp,   plat::kKeyEnd,  plat::kKeyUp,   plat::kKeyTab};
  for (unsigned key : keys)
    gSteps.push_back([&selections, key] {
      selections.push_back(Selection(kList1));
      TheHeadless().TypeKey(key);
    });
  gSteps.push_back([] {
    plat::WindowHandle list = Item(kList2);
    EXPECT_EQ(plat::kListBoxError, Selection(kList2));
    const std::size_t before = gSeen.size();
    EXPECT_EQ(1, plat::SendAppMessage(list, plat::kListBoxSetCurrentSelection, 1, 0));
    EXPECT_EQ(1, Selection(kList2));
    EXPECT_EQ(before, gSeen.size());  // a selection made by the program is not announced
    std::string text;
    const auto into = reinterpret_cast<std::intptr_t>(&text);
    EXPECT_EQ(2, plat::SendAppMessage(list, plat::kListBoxGetCount, 0, 0));
    EXPECT_EQ(3, plat::SendAppMessage(list, plat::kListBoxGetText, 1, into));
    EXPECT_EQ("Two", text);
    EXPECT_EQ(plat::kListBoxError, plat::SendAppMessage(list, plat::kListBoxGetText, 2, into));
    EXPECT_EQ(0, plat::SendAppMessage(list, plat::kListBoxSetItemData, 1, 4242));
    EXPECT_EQ(4242, plat::SendAppMessage(list, plat::kListBoxGetItemData, 1, 0));
    EXPECT_EQ(0, plat::SendAppMessage(list, plat::kListBoxGetItemData, 0, 0));
    EXPECT_EQ(plat::kListBoxError, plat::SendAppMessage(list, plat::kListBoxGetItemData, 2, 0));
    EXPECT_EQ(plat::kListBoxError,
              plat::SendAppMessage(list, plat::kListBoxSetCurrentSelection, 5, 0));
    EXPECT_EQ(plat::kListBoxError, Selection(kList2));  // out of range clears it
    plat::SendAppMessage(list, plat::kListBoxResetContent, 0, 0);
    EXPECT_EQ(0, plat::SendAppMessage(list, plat::kListBoxGetCount, 0, 0));
    TheHeadless().TypeKey(plat::kKeyDown);  // nothing to select in an empty list
  });
  gSteps.push_back([] {
    EXPECT_EQ(plat::kListBoxError, Selection(kList2));
    TheHeadless().TypeKey(plat::kKeyEscape);
  });
  EXPECT_EQ(0, Run());
  EXPECT_EQ((std::vector<std::intptr_t>{-1, -1, 0, 1, 2, 2, 2, 0, 0, 0, 2, 1}), selections);
  EXPECT_EQ((Notes{{kList1, kSetFocus}, {kList1, kSel}, {kList1, kSel}, {kList1, kSel},  // Down x3
                   {kList1, kSel}, {kList1, kSel}, {kList1, kSel},  // Home, End, Up
                   {kList1, kKillFocus}, {kList2, kSetFocus}, {2, plat::kButtonClicked}}),
            Commands());
  for (const plat::Message& m : gSeen) {
    if (m.message == plat::kMsgCommand && plat::CommandId(m.wParam) == kList1) {
      EXPECT_EQ(reinterpret_cast<std::intptr_t>(gList1), m.lParam);
    }
  }
}

TEST_F(DialogTest, MouseSelectsListLinesAndClicksTheButtonOnlyWhenReleasedOverIt) {
  gSteps.push_back([] {
    plat::Rect client;
    ASSERT_TRUE(plat::ClientRectangle(Item(kList1), client));
    // A bordered list's lines fill all but its one-pixel border.
    EXPECT_EQ(std::make_pair(RectOf(kList1).Width() - 2, RectOf(kList1).Height() - 2),
              std::make_pair(client.Width(), client.Height()));
    const auto [x, y] = LinePoint(kList1, 1);
    TheHeadless().Click(x, y);
  });
  gSteps.push_back([] {
    EXPECT_EQ(gList1, plat::FocusWindow());
    EXPECT_EQ(1, Selection(kList1));
    const auto [x, y] = LinePoint(kList2, 0);
    TheHeadless().DoubleClick(x, y);
  });
  gSteps.push_back([] {
    // Still open: what a double click means is the dialog procedure's business.
    EXPECT_EQ(gList2, plat::FocusWindow());
    EXPECT_EQ(0, Selection(kList2));
    const plat::Rect button = RectOf(kButton);
    Press(kButton);
    TheHeadless().MouseUp(button.right + 5, button.top - 5);  // over no control
  });
  gSteps.push_back([] {
    EXPECT_EQ(gButton, plat::FocusWindow());  // pressing it took the focus
    // Pressed on a list and released over the button: the list holds the
    // mouse, so the button's earlier press is no click either.
    const auto [x, y] = LinePoint(kList2, 1);
    TheHeadless().MouseDown(x, y);
    Press(kButton, false);
  });
  gSteps.push_back([] {
    EXPECT_EQ(1, Selection(kList2));
    Press(kButton);
    Press(kButton, false);
  });
  EXPECT_EQ(1, Run());
  EXPECT_EQ((Notes{{kList1, kSetFocus}, {kList1, kSel}, {kList1, kKillFocus}, {kList2, kSetFocus},
                   {kList2, kSel}, {kList2, plat::kListBoxDoubleClick}, {kList2, kKillFocus},
                   {kList2, kSetFocus}, {kList2, kSel}, {kList2, kKillFocus},
                   {kButton, plat::kButtonClicked}}),
            Commands());
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(gButton), LastCommand().lParam);
  EXPECT_EQ(0, TheHeadless().inputRunOut);
}

std::vector<std::uintptr_t> gReplacementKeys;
plat::WindowProc gListProcedure = nullptr;
bool gCallOn = true;

std::intptr_t PLAT_CALLBACK Replacement(plat::WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
  if (m == plat::kMsgKeyDown) {
    gReplacementKeys.push_back(wp);
    if (!gCallOn) return 0;
  }
  return plat::CallWindowProcedure(gListProcedure, w, m, wp, lp);
}

TEST_F(DialogTest, SubclassedListSeesItsKeysAndMovesOnlyWhenTheReplacementCallsOn) {
  gReplacementKeys.clear();
  gCallOn = true;
  gSteps.push_back([] {
    gListProcedure = plat::SubclassWindow(Item(kList1), Replacement);
    ASSERT_NE(nullptr, gListProcedure);
    // What comes back is the list's own procedure: it answers list messages.
    EXPECT_EQ(3, plat::CallWindowProcedure(gListProcedure, Item(kList1),
                                           plat::kListBoxGetCount, 0, 0));
    TheHeadless().TypeKey(plat::kKeyTab);
    TheHeadless().TypeKey(plat::kKeyDown);
    TheHeadless().TypeKey(plat::kKeyDown);
  });
  gSteps.push_back([] {
    EXPECT_EQ(1, Selection(kList1));
    gCallOn = false;
    TheHeadless().TypeKey(plat::kKeyDown);
  });
  gSteps.push_back([] {
    EXPECT_EQ(1, Selection(kList1));  // the replacement kept the key
    EXPECT_EQ(&Replacement, plat::SubclassWindow(Item(kList1), gListProcedure));
    TheHeadless().TypeKey(plat::kKeyDown);
  });
  gSteps.push_back([] {
    EXPECT_EQ(2, Selection(kList1));  // the list's own procedure again
    TheHeadless().TypeKey(plat::kKeyEscape);
  });
  EXPECT_EQ(0, Run());
  EXPECT_EQ((std::vector<std::uintptr_t>{plat::kKeyDown, plat::kKeyDown, plat::kKeyDown}),
            gReplacementKeys);
}

const plat::DrawCommand* Find(const std::vector<plat::DrawCommand>& paint,
                              plat::DrawCommand::Kind kind, const std::string& text = "") {
  for (const plat::DrawCommand& c : paint)
    if (c.kind == kind && c.text == text) return &c;
  return nullptr;
}

TEST_F(DialogTest, PaintShowsTheButtonTextListLinesSelectionAndCentredPicture) {
  std::vector<plat::DrawCommand> paint;
  std::map<int, plat::Rect> at;
  gSteps.push_back([] {
    plat::SendAppMessage(Item(kList2), plat::kListBoxSetCurrentSelection, 1, 0);
    TheHeadless().TypeKey(plat::kKeyTab);
    TheHeadless().TypeKey(plat::kKeyDown);
  });
  gSteps.push_back([&] {
    paint = TheHeadless().lastPaint;
    for (int id : {kButton, kList1, kList2, kPictureItem}) at[id] = RectOf(id);
    TheHeadless().TypeKey(plat::kKeyEscape);
  });
  EXPECT_EQ(0, Run());
  EXPECT_GE(TheHeadless().paints, 2);
  EXPECT_EQ("Start dialog", TheHeadless().lastPaintTitle);
  EXPECT_GE(Seen(plat::kMsgPaint), 2);
  ASSERT_FALSE(paint.empty());
  EXPECT_EQ(plat::DrawCommand::kFill, paint[0].kind);  // the box's face first
  EXPECT_EQ((std::vector<int>{0, 0, 302, 202}), Corners(paint[0].rect));

  const plat::DrawCommand* start = Find(paint, plat::DrawCommand::kText, "Start");
  ASSERT_NE(nullptr, start);
  const plat::Rect& button = at[kButton];
  EXPECT_EQ(std::make_tuple(true, std::string("MS Shell Dlg"), 8),
            std::make_tuple(start->centred, start->font, start->pointSize));
  // Centred on the button, so within it wherever it starts within it.
  EXPECT_LE(button.left, start->rect.left);
  EXPECT_LE(button.top, start->rect.top);
  EXPECT_EQ(button.left + button.right, start->rect.left + start->rect.right);
  EXPECT_EQ(button.top + button.bottom, start->rect.top + start->rect.bottom);

  for (const char* text : {"Alpha", "Beta", "Gamma", "One", "Two"})
    EXPECT_NE(nullptr, Find(paint, plat::DrawCommand::kText, text)) << text;
  const plat::Rect& list1 = at[kList1];
  const plat::DrawCommand* beta = Find(paint, plat::DrawCommand::kText, "Beta");
  ASSERT_NE(nullptr, beta);
  EXPECT_EQ(list1.top + 1 + kLine, beta->rect.top);
  EXPECT_EQ(list1.top + 1 + 2 * kLine, beta->rect.bottom);

  // The focused list's selection in the accent colour, under its text; the
  // other list's selection in some other colour.
  std::vector<std::size_t> accentFills;
  for (std::size_t i = 0; i < paint.size(); ++i)
    if (paint[i].kind == plat::DrawCommand::kFill && paint[i].color == kAccent)
      accentFills.push_back(i);
  ASSERT_EQ(1u, accentFills.size());
  const plat::DrawCommand& selected = paint[accentFills[0]];
  const std::vector<int> line1{list1.left + 1, list1.top + 1, list1.right - 1,
                               list1.top + 1 + kLine};
  EXPECT_EQ(line1, Corners(selected.rect));
  const plat::DrawCommand* alpha = Find(paint, plat::DrawCommand::kText, "Alpha");
  ASSERT_NE(nullptr, alpha);
  EXPECT_LT(accentFills[0], static_cast<std::size_t>(alpha - paint.data()));
  const plat::Rect& list2 = at[kList2];
  const std::vector<int> line2{list2.left + 1, list2.top + 1 + kLine, list2.right - 1,
                               list2.top + 1 + 2 * kLine};
  bool inactive = false;
  for (const plat::DrawCommand& c : paint)
    inactive |= c.kind == plat::DrawCommand::kFill && Corners(c.rect) == line2 &&
                c.color != kAccent;
  EXPECT_TRUE(inactive);

  const plat::DrawCommand* picture = Find(paint, plat::DrawCommand::kPicture);
  ASSERT_NE(nullptr, picture);
  const plat::Rect& frame = at[kPictureItem];
  const int left = frame.left + (frame.Width() - 4) / 2, top = frame.top + (frame.Height() - 2) / 2;
  EXPECT_EQ((std::vector<int>{left, top, left + 4, top + 2}), Corners(picture->rect));
  EXPECT_EQ(module.Bitmap(kPictureId), picture->picture);
  EXPECT_EQ(std::make_pair(0, 0), std::make_pair(picture->sourceX, picture->sourceY));
}

TEST_F(DialogTest, RunningOutOfInputClosesTheBoxAndScriptsQueueKeys) {
  EXPECT_EQ(0, Run());
  EXPECT_EQ(1, TheHeadless().inputRunOut);
  EXPECT_EQ(1, Seen(plat::kMsgClose));
  EXPECT_EQ((Notes{{2, plat::kButtonClicked}}), Commands());

  // A box that stays open when cancelled is ended with 0 when input runs out again.
  gSeen.clear();
  gEndOnCancel = false;
  EXPECT_EQ(0, Run());
  EXPECT_EQ(3, TheHeadless().inputRunOut);
  EXPECT_EQ((Notes{{2, plat::kButtonClicked}}), Commands());
  EXPECT_EQ(plat::kMsgDestroy, gSeen.back().message);

  std::string error;
  EXPECT_FALSE(plat::headless::QueueInputScript("tab bogus return", error));
  EXPECT_NE(std::string::npos, error.find("bogus")) << error;
  EXPECT_TRUE(TheHeadless().pendingInput.empty());
  ASSERT_TRUE(plat::headless::QueueInputScript("tab shift+tab return", error));
  using In = plat::headless::Control::Input;
  std::vector<std::pair<In::Kind, unsigned>> queued;
  for (const In& input : TheHeadless().pendingInput) queued.emplace_back(input.kind, input.code);
  EXPECT_EQ((std::vector<std::pair<In::Kind, unsigned>>{
                {In::kKeyDown, plat::kKeyTab}, {In::kKeyUp, plat::kKeyTab},
                {In::kKeyDown, plat::kKeyShift}, {In::kKeyDown, plat::kKeyTab},
                {In::kKeyUp, plat::kKeyTab}, {In::kKeyUp, plat::kKeyShift},
                {In::kKeyDown, plat::kKeyReturn}, {In::kKeyUp, plat::kKeyReturn}}),
            queued);
  gSeen.clear();
  TheHeadless().onIdle = nullptr;
  EXPECT_EQ(1, Run());
  EXPECT_EQ((Notes{{kList1, kSetFocus}, {kList1, kKillFocus}, {1, plat::kButtonClicked}}),
            Commands());
  EXPECT_EQ(3, TheHeadless().inputRunOut);
}

}  // namespace
