// The platform layer: every facility of the operating system the program uses,
// in our own words. The program's logic was designed around Win32 (window
// procedures, a thread message queue, display modes, a system-memory bitmap
// copied to a window each frame, an exclusive flipping full-screen output, a
// library loaded at run time), so these calls keep those semantics. On Linux
// a portable core emulates them over two backends, SDL for the real program
// and headless for tests and offline rendering; on Windows the real program
// makes the Win32 calls themselves (win32/), and tests and the renderer use
// the emulation with the headless backend there too. This is the only code
// that may include OS or SDL headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Messages.h"
#include "Resources.h"

namespace plat {

// Opaque handles. Null is "none".
struct Window;
struct DrawContext;
struct PixelBitmap;
struct Library;
using WindowHandle = Window*;
using DCHandle = DrawContext*;
using BitmapHandle = PixelBitmap*;
using LibraryHandle = Library*;

// The calling convention of procedures the system calls back (Win32's
// CALLBACK): the default one on x64, not on 32-bit x86.
#if defined(_WIN32)
#define PLAT_CALLBACK __stdcall
#else
#define PLAT_CALLBACK
#endif

using WindowProc = std::intptr_t(PLAT_CALLBACK*)(WindowHandle window, unsigned message,
                                                 std::uintptr_t wParam, std::intptr_t lParam);

struct Message {
  WindowHandle window = nullptr;
  unsigned message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

struct DisplayMode {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;  // bytes per pixel x 8
  int refreshRate = 0;
};

struct WindowClass {
  const char* name = nullptr;
  unsigned style = 0;
  WindowProc procedure = nullptr;
  int icon = 0;  // a stock icon id, or 0
  bool blackBackground = false;
};

// --- Backend selection ------------------------------------------------------
// Starts the headless backend (virtual clock, configurable screen, captured
// frames). Returns false if a backend is already running.
bool StartHeadless();
// Starts the SDL backend on the desktop's display. False, with a one-line
// reason, when there is no display to open or no dialog font.
bool StartSdl(std::string& error);
// The picture the windows of the program carry as their icon (the desktop
// backends: Win32 keeps one large and one small picture, SDL the last given).
void SetProgramIcon(const Picture& icon);
// Windows builds: starts the backend on the desktop's own Win32 calls.
bool StartWin32(std::string& error);
// Ends the running backend: destroys every window and releases what it holds.
void Shutdown();
bool Started();

// --- The process -------------------------------------------------------------
// Makes the process sound on a hostile machine; called first thing by the
// programs. On Windows a program started from a console (cmd, PowerShell)
// writes to that console. A standard stream that is closed is opened on the null device, so
// no file opened later takes its number and receives the program's output;
// SIGPIPE is ignored, so a reader that went away is a failed write, not the
// end of the program.
void PrepareProcess();
// From here on SIGTERM, SIGINT and SIGHUP ask the program to end the way the
// user would: at the next message poll every top-level window is sent a close
// request, once. A second such signal ends the process at once.
void CatchTerminationSignals();
bool TerminationRequested();
// Tells a person why the program could not start when its output reaches
// nobody: a message box on the desktop when no console (Windows) or terminal
// (Linux) shows standard error; nothing otherwise, and never without a
// display. Waits until the box is closed.
void ShowFailureNotice(const char* title, const char* text);
// Tests only: forget a request, as if no signal had come.
void ResetTerminationForTest();

// --- Time, program, files ---------------------------------------------------
std::uint32_t TickCount();  // milliseconds, wrapping at 2^32
// The running program's path as the OS gives it (tests may set it).
std::string ProgramPath();
void SetProgramPathForTest(const std::string& path);

// --- Windows, classes, messages -----------------------------------------------
// 0 on failure; LastError() tells why (kErrorClassAlreadyExists, ...).
int RegisterWindowClass(const WindowClass& windowClass);
bool UnregisterWindowClass(const char* name);
unsigned LastError();
WindowHandle CreateAppWindow(unsigned exStyle, const char* className, const char* title,
                             unsigned style, int x, int y, int width, int height);
bool DestroyAppWindow(WindowHandle window);
bool ShowAppWindow(WindowHandle window, int command);
bool IsWindowAlive(WindowHandle window);
// A window's new title, or a control's new text (a button's label).
bool SetWindowTitle(WindowHandle window, const char* title);
// A top-level window of the class anywhere on the desktop (this or another
// process); another process's window comes back as a non-null stand-in.
WindowHandle FindWindowOfClass(const char* className);
// The name of the program whose window FindWindowOfClass finds ("solvane"),
// for a refusal to say what to close; empty when none or not known.
std::string WindowClassHolder(const char* className);
WindowHandle ForegroundWindow();
std::intptr_t PLAT_CALLBACK DefaultWindowProcedure(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                     std::intptr_t lParam);
std::intptr_t SendAppMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                             std::intptr_t lParam);
// Replaces a window's procedure; returns the previous one.
WindowProc SubclassWindow(WindowHandle window, WindowProc procedure);
std::intptr_t CallWindowProcedure(WindowProc procedure, WindowHandle window, unsigned message,
                                  std::uintptr_t wParam, std::intptr_t lParam);

// The thread's message queue. PeekAppMessage first lets the backend post the
// input that arrived (keys, close requests).
bool PeekAppMessage(Message& message, bool remove);
bool PostAppMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                    std::intptr_t lParam);
void PostQuit(int exitCode);
// Waits until input arrives or the tick count reaches tick, whichever is
// first: a loop with nothing to do before a given time sleeps here instead of
// polling. Returns at once when input is already waiting or the time has come.
void WaitForInputUntil(std::uint32_t tick);
// Adds a character message for a key that types one.
void TranslateAppMessage(const Message& message);
std::intptr_t DispatchAppMessage(const Message& message);

// --- Input state ----------------------------------------------------------------
// Whether a key is held, as the delivered key presses and releases say.
bool KeyIsDown(unsigned key);
// The window that receives key presses (a top-level window or a control).
WindowHandle FocusWindow();
// Moves the key focus, telling the old window (kMsgKillFocus) and the new one
// (kMsgSetFocus); returns the previous focus window.
WindowHandle SetFocusWindow(WindowHandle window);

// --- Dialog boxes ---------------------------------------------------------------
// A dialog procedure answers non-zero for a message it handled; the dialog
// manager does the rest (Enter, Escape, Tab, the close box, painting).
using DialogProc = WindowProc;
// Builds the dialog box of template templateId in the module, with its
// controls, sends kMsgInitDialog with parameter as lParam, shows it centred and
// runs its modal loop until EndDialogBox; then destroys the box (kMsgDestroy)
// and answers the result. -1 when the box cannot be made; LastError() says why.
std::intptr_t RunDialogBox(InstanceHandle instance, int templateId, WindowHandle owner,
                           DialogProc procedure, std::intptr_t parameter);
// Ends a dialog box's modal loop with the result.
bool EndDialogBox(WindowHandle dialog, std::intptr_t result);
// The control of the dialog box with the id, or null.
WindowHandle DialogItem(WindowHandle dialog, int id);
int DialogItemId(WindowHandle control);
// Shows another picture in a static picture control of a dialog box, placed as
// its own was. The picture is the caller's and must outlive the box.
bool SetStaticPicture(WindowHandle control, const Picture& picture);
WindowHandle ParentWindow(WindowHandle window);

// What the dialog manager draws, in client coordinates of the dialog box, in
// order; the backend shows it. Colours are 0x00RRGGBB.
struct DrawCommand {
  enum Kind { kFill, kFrame, kText, kPicture, kFocusMark } kind = kFill;
  Rect rect;
  std::uint32_t color = 0;
  std::string text;          // kText: one line, clipped to rect, vertically centred
  bool centred = false;      // kText: centred horizontally, else from the left
  std::string font;          // kText: font name and size in points
  int pointSize = 0;
  // kPicture: the part of the picture from (sourceX, sourceY), rect's size, at rect.
  const Picture* picture = nullptr;
  int sourceX = 0, sourceY = 0;
};

// --- Screen, display modes, cursor -------------------------------------------
int ScreenWidth();
int ScreenHeight();
// Grows a client rectangle to the window rectangle for a style.
void AdjustWindowRectangle(Rect& rect, unsigned style);
bool ClientRectangle(WindowHandle window, Rect& rect);
bool WindowRectangle(WindowHandle window, Rect& rect);
// Modes of the primary display, index 0, 1, ...; false past the last.
bool EnumerateDisplayMode(int index, DisplayMode& mode);
// Switches the display to the mode for the window that is to fill the screen
// in it; null restores the mode of the system settings (the window then goes
// back to its own size). Returns kDisplayChange...
int ChangeDisplayMode(WindowHandle window, const DisplayMode* mode, unsigned flags);
// Like Win32's ShowCursor: a display counter; returns the new count.
int ShowPointer(bool show);

// --- Drawing ----------------------------------------------------------------
DCHandle WindowDC(WindowHandle window);  // the whole window
DCHandle ClientDC(WindowHandle window);  // the client area
bool ReleaseDrawContext(WindowHandle window, DCHandle dc);
DCHandle CreateMemoryDC(DCHandle compatibleWith);
bool DeleteMemoryDC(DCHandle dc);
// A 32-bit top-down system-memory bitmap: *pixels receives width x height words
// 0x00RRGGBB, rows top to bottom, written directly by the program.
BitmapHandle CreatePixelBitmap(DCHandle dc, int width, int height, std::uint32_t** pixels);
bool DeletePixelBitmap(BitmapHandle bitmap);
// Selects the bitmap into a memory DC; returns the previous one.
BitmapHandle SelectPixelBitmap(DCHandle dc, BitmapHandle bitmap);
// Copies a block (SRCCOPY) from source to destination; on a window DC this is
// what shows a frame.
bool CopyPixels(DCHandle destination, int x, int y, int width, int height, DCHandle source,
                int sourceX, int sourceY);

// --- Text on pixel memory (author tools) --------------------------------------
// Draws one line of text in the dialog's font at pointSize, its top-left
// corner at (x, y), blended in color over pixel memory of width x height words
// 0x00RRGGBB and clipped to it. Returns the text's width in pixels, which with
// pixels null is only measured. lineHeight, when given, receives the height
// of a line at that size.
int DrawTextOnPixels(std::uint32_t* pixels, int width, int height, int x, int y,
                     const std::string& text, std::uint32_t color, int pointSize,
                     int* lineHeight = nullptr);

// --- Files -------------------------------------------------------------------
// Opens a file as a C stream (mode as for fopen: "rb", "wb", "ab", ...) only
// when it is a regular file. A FIFO, device, socket or directory is never
// waited on: the file is opened without blocking and its type checked before
// any read or write, so such a path fails at once with notRegular set. The
// stream never takes descriptors 0 to 2, so a program started with a standard
// stream closed cannot end up writing its output into the file twice.
std::FILE* OpenRegularFile(const char* path, const char* mode, bool* notRegular = nullptr);
// The names in a directory, without "." and "..", in the order the OS gives
// them; false (names empty) when path is not a directory that can be read.
bool ListDirectory(const char* path, std::vector<std::string>& names);
// Gives the file at path exactly these bytes, or leaves it as it was: they go
// to a new file beside it, which then takes its name in one step, so nobody
// ever reads half a file and a failure loses nothing. An existing file keeps
// its permissions. False on failure (nothing is left behind then).
bool ReplaceRegularFile(const std::string& path, const void* bytes, std::size_t size);

// --- Temporary files ------------------------------------------------------------
// The directory for temporary files, with its trailing separator.
std::string TempDirectory();
// Writes bytes to a new file in directory whose name starts with prefix and
// ends in characters chosen so that no existing file (or link) is opened or
// replaced. Returns its path, or an empty string when it cannot be written
// (nothing is left behind then).
std::string WriteNewTempFile(const std::string& directory, const char* prefix, const void* bytes,
                             std::size_t size);
bool RemoveFile(const std::string& path);

// --- Run-time libraries -------------------------------------------------------
// Loads a library by name. "ddraw.dll" names the platform's built-in exclusive
// full-screen output (see ExclusiveOutput.h); other names are shared objects.
// A path (a name with a '/') is loaded only when it is a regular file holding
// a whole shared object for this machine: a truncated or damaged file is a
// failed load, never a crash in the loader. A bare name is searched for by the
// loader as it is.
LibraryHandle LoadRuntimeLibrary(const char* name);
void* FindLibrarySymbol(LibraryHandle library, const char* name);

// --- Processes and streams (used by the command-line tools) -----------------
bool StandardErrorIsTerminal();
struct Pipe;
using PipeHandle = Pipe*;
// Runs a shell command whose standard input is the pipe; null if it cannot start.
PipeHandle OpenWritePipe(const std::string& command);
bool WritePipe(PipeHandle pipe, const void* bytes, std::size_t size);
// Closes the pipe and waits for the command: its exit status, or -1.
int ClosePipe(PipeHandle pipe);
// Runs a shell command and reads its whole standard output into output (its
// standard error is the caller's): its exit status, or -1.
int RunCommand(const std::string& command, std::string& output);
// Whether the pointer on the X display (empty: $DISPLAY) is drawn blank, as a
// program that hides it makes it; false when the display cannot be asked.
// Linux (SDL backend) only.
bool PointerImageBlank(const std::string& display, bool& blank);
// Whether an executable of this name is found on the PATH.
bool ExecutableOnPath(const char* name);

}  // namespace plat

// Windows builds: the program's entry, which the platform's WinMain calls with
// the command line after the program's name. The program defines it.
int ProgramMain(const char* commandLine);
