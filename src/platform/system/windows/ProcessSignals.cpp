// The requests that end a program from outside: Ctrl+C, Ctrl+Break and the
// console closing. The handler runs on a thread of its own, so it only notes
// the request; the message poll turns it into close requests, and the program
// then stops the music, restores the display and writes its log on the way
// out exactly as after Escape.
#include <fcntl.h>
#include <io.h>
#include "WindowsHeaders.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "Platform.h"

namespace plat {

namespace {

std::atomic<bool> gTerminationRequested{false};
// Set once the program has come to its end: the console's closing waits for
// it, since Windows ends the process as soon as the handler returns.
HANDLE gFinished = nullptr;

void NoteFinished() { SetEvent(gFinished); }

BOOL WINAPI NoteTermination(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      // Asked twice: whatever holds the program up, the user means it.
      if (gTerminationRequested.exchange(true)) ExitProcess(1);
      return TRUE;
    case CTRL_CLOSE_EVENT:
      // The program stops the music, gives the display back and unloads its
      // libraries on its way out; Windows allows a handler five seconds.
      gTerminationRequested = true;
      if (gFinished) WaitForSingleObject(gFinished, 4500);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void PrepareProcess() {
  // A window program started from a console (cmd, PowerShell) writes its
  // output there, unless it was sent somewhere else already.
  const bool outputSent = _get_osfhandle(1) >= 0, errorSent = _get_osfhandle(2) >= 0;
  if ((!outputSent || !errorSent) && !GetConsoleWindow() && AttachConsole(ATTACH_PARENT_PROCESS)) {
    if (!outputSent) std::freopen("CONOUT$", "w", stdout);
    if (!errorSent) std::freopen("CONOUT$", "w", stderr);
  }
  // A program without a console has no standard streams; the C library's
  // descriptors 0 to 2 then go to the null device, so no file opened later
  // takes their place and receives the program's output.
  for (int fd = 0; fd <= 2; ++fd) {
    if (_get_osfhandle(fd) != -1 && _get_osfhandle(fd) != -2) continue;
    const int null = _open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
    if (null >= 0 && null != fd) {
      _dup2(null, fd);
      _close(null);
    }
  }
  // No "insert a disk" or "cannot open the file" boxes for a drive or file the
  // program looks for; a crash is still Windows' to report.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

void CatchTerminationSignals() {
  if (!gFinished) {
    gFinished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atexit(NoteFinished);
  }
  SetConsoleCtrlHandler(NoteTermination, TRUE);
}

bool TerminationRequested() { return gTerminationRequested.load(); }

void ResetTerminationForTest() { gTerminationRequested = false; }

}  // namespace plat
