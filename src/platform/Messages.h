// Message, key and result codes of the platform layer. The program was designed
// around the Win32 message model, so the numbers are the ones Win32 uses; the
// names are our own, so a native Windows backend can include <windows.h> beside
// this header without clashes.
#pragma once

#include <cstdint>

namespace plat {

// Window messages.
constexpr unsigned kMsgCreate = 0x0001;
constexpr unsigned kMsgDestroy = 0x0002;
constexpr unsigned kMsgSetFocus = 0x0007;
constexpr unsigned kMsgKillFocus = 0x0008;
constexpr unsigned kMsgPaint = 0x000F;  // wParam: the Canvas to draw on
constexpr unsigned kMsgClose = 0x0010;
constexpr unsigned kMsgQuit = 0x0012;
constexpr unsigned kMsgKeyDown = 0x0100;
constexpr unsigned kMsgKeyUp = 0x0101;
constexpr unsigned kMsgChar = 0x0102;
constexpr unsigned kMsgInitDialog = 0x0110;
constexpr unsigned kMsgCommand = 0x0111;
// Mouse messages: lParam holds x in the low and y in the high 16 bits, client
// coordinates of the window under the pointer.
constexpr unsigned kMsgLeftButtonDown = 0x0201;
constexpr unsigned kMsgLeftButtonUp = 0x0202;
constexpr unsigned kMsgLeftButtonDoubleClick = 0x0203;

// List-box messages and notifications.
constexpr unsigned kListBoxAddString = 0x0180;     // lParam: const char*; answers the index
constexpr unsigned kListBoxResetContent = 0x0184;
constexpr unsigned kListBoxSetCurrentSelection = 0x0186;  // wParam: index, -1 for none
constexpr unsigned kListBoxGetCurrentSelection = 0x0188;  // answers kListBoxError when none
constexpr unsigned kListBoxGetText = 0x0189;       // wParam: index, lParam: std::string*
constexpr unsigned kListBoxGetCount = 0x018B;
constexpr unsigned kListBoxGetItemData = 0x0199;
constexpr unsigned kListBoxSetItemData = 0x019A;   // wParam: index, lParam: the data
constexpr std::intptr_t kListBoxError = -1;
constexpr unsigned kListBoxSelectionChange = 1;
constexpr unsigned kListBoxDoubleClick = 2;
constexpr unsigned kListBoxSetFocus = 4;
constexpr unsigned kListBoxKillFocus = 5;
constexpr unsigned kButtonClicked = 0;

// Command ids the dialog manager sends for Enter and Escape.
constexpr int kCommandOk = 1;
constexpr int kCommandCancel = 2;

// WM_COMMAND's wParam: the id in the low word, the notification in the high word.
constexpr std::uintptr_t MakeCommand(int id, unsigned notification) {
  return (static_cast<std::uintptr_t>(notification & 0xFFFFu) << 16) |
         (static_cast<std::uintptr_t>(id) & 0xFFFFu);
}
constexpr int CommandId(std::uintptr_t wParam) { return static_cast<int>(wParam & 0xFFFFu); }
constexpr unsigned CommandNotification(std::uintptr_t wParam) {
  return static_cast<unsigned>((wParam >> 16) & 0xFFFFu);
}
constexpr std::intptr_t MakePoint(int x, int y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                    static_cast<std::uint32_t>(x & 0xFFFF));
}
constexpr int PointX(std::intptr_t lParam) { return static_cast<std::int16_t>(lParam & 0xFFFF); }
constexpr int PointY(std::intptr_t lParam) {
  return static_cast<std::int16_t>((lParam >> 16) & 0xFFFF);
}

// Virtual-key codes.
constexpr unsigned kKeyBack = 0x08;
constexpr unsigned kKeyTab = 0x09;
constexpr unsigned kKeyReturn = 0x0D;
constexpr unsigned kKeyShift = 0x10;
constexpr unsigned kKeyControl = 0x11;
constexpr unsigned kKeyEscape = 0x1B;
constexpr unsigned kKeySpace = 0x20;
constexpr unsigned kKeyPageUp = 0x21;
constexpr unsigned kKeyPageDown = 0x22;
constexpr unsigned kKeyEnd = 0x23;
constexpr unsigned kKeyHome = 0x24;
constexpr unsigned kKeyLeft = 0x25;
constexpr unsigned kKeyUp = 0x26;
constexpr unsigned kKeyRight = 0x27;
constexpr unsigned kKeyDown = 0x28;
constexpr unsigned kKeyDelete = 0x2E;
constexpr unsigned kKey0 = 0x30;             // digits are their characters, '0' to '9'
constexpr unsigned kKeyA = 0x41;
constexpr unsigned kKeyZ = 0x5A;
constexpr unsigned kKeyNumpad0 = 0x60;       // to 0x69 for 9
constexpr unsigned kKeyNumpadMinus = 0x6D;
constexpr unsigned kKeyNumpadPeriod = 0x6E;
constexpr unsigned kKeyMinus = 0xBD;         // '-' on the main keyboard
constexpr unsigned kKeyPeriod = 0xBE;        // '.'
constexpr unsigned kKeyOpenBracket = 0xDB;   // '[' on a US keyboard
constexpr unsigned kKeyCloseBracket = 0xDD;  // ']'

// Window styles (the bits the program uses).
constexpr unsigned kStylePopup = 0x80000000u;
constexpr unsigned kStyleChild = 0x40000000u;
constexpr unsigned kStyleVisible = 0x10000000u;
constexpr unsigned kStyleCaption = 0x00C00000u;  // title bar and border
constexpr unsigned kStyleBorder = 0x00800000u;
constexpr unsigned kStyleSysMenu = 0x00080000u;
constexpr unsigned kStyleTabStop = 0x00010000u;
// Dialog, button, list-box and static styles.
constexpr unsigned kDialogModalFrame = 0x80;
constexpr unsigned kDialogSetFont = 0x40;
constexpr unsigned kDialogCenter = 0x800;
constexpr unsigned kButtonDefaultPush = 0x1;
constexpr unsigned kListBoxNotify = 0x1;
constexpr unsigned kListBoxNoIntegralHeight = 0x100;
constexpr unsigned kStaticBitmap = 0xE;
constexpr unsigned kStaticCenterImage = 0x200;
constexpr unsigned kExStyleTopmost = 0x00000008u;
constexpr unsigned kClassOwnDC = 0x0020u;

// ShowWindow commands.
constexpr int kShowHide = 0;
constexpr int kShowShow = 5;

// Last-error codes.
constexpr unsigned kErrorNone = 0;
constexpr unsigned kErrorInvalidHandle = 6;
constexpr unsigned kErrorClassAlreadyExists = 1410;
constexpr unsigned kErrorClassDoesNotExist = 1411;
constexpr unsigned kErrorCannotCreateWindow = 1400;
constexpr unsigned kErrorResourceNotFound = 1814;

// Display mode change flags and results.
constexpr unsigned kDisplayFullScreen = 4;
constexpr int kDisplayChangeSuccessful = 0;
constexpr int kDisplayChangeFailed = -1;
constexpr int kDisplayChangeBadMode = -2;

// Exclusive full-screen output: flags and results (the DirectDraw values).
constexpr unsigned kCooperativeExclusive = 0x10;
constexpr unsigned kCooperativeFullScreen = 0x01;
constexpr unsigned kSurfaceDescCaps = 0x1;
constexpr unsigned kSurfaceDescBackBufferCount = 0x20;
constexpr unsigned kCapsBackBuffer = 0x4;
constexpr unsigned kCapsComplex = 0x8;
constexpr unsigned kCapsFlip = 0x10;
constexpr unsigned kCapsPrimarySurface = 0x200;
constexpr int kResultOk = 0;
constexpr int kResultGenericFailure = static_cast<int>(0x80004005u);
constexpr int kResultSurfaceLost = static_cast<int>(0x887601C2u);
constexpr int kResultStillDrawing = static_cast<int>(0x8876021Cu);
constexpr int kResultUnsupportedMode = static_cast<int>(0x8876024Eu);
constexpr int kResultNoExclusiveMode = static_cast<int>(0x887600E1u);

// Stock icon ids.
constexpr int kIconExclamation = 32515;

}  // namespace plat
