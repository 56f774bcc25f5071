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
constexpr unsigned kMsgClose = 0x0010;
constexpr unsigned kMsgQuit = 0x0012;
constexpr unsigned kMsgKeyDown = 0x0100;
constexpr unsigned kMsgKeyUp = 0x0101;
constexpr unsigned kMsgChar = 0x0102;
constexpr unsigned kMsgInitDialog = 0x0110;
constexpr unsigned kMsgCommand = 0x0111;

// Virtual-key codes.
constexpr unsigned kKeyBack = 0x08;
constexpr unsigned kKeyTab = 0x09;
constexpr unsigned kKeyReturn = 0x0D;
constexpr unsigned kKeyShift = 0x10;
constexpr unsigned kKeyEscape = 0x1B;
constexpr unsigned kKeySpace = 0x20;
constexpr unsigned kKeyLeft = 0x25;
constexpr unsigned kKeyUp = 0x26;
constexpr unsigned kKeyRight = 0x27;
constexpr unsigned kKeyDown = 0x28;
constexpr unsigned kKeyA = 0x41;
constexpr unsigned kKeyZ = 0x5A;

// Window styles (the bits the program uses).
constexpr unsigned kStylePopup = 0x80000000u;
constexpr unsigned kStyleVisible = 0x10000000u;
constexpr unsigned kStyleCaption = 0x00C00000u;  // title bar and border
constexpr unsigned kStyleBorder = 0x00800000u;
constexpr unsigned kStyleSysMenu = 0x00080000u;
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
