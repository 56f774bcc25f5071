// The signals that end a program from outside. A handler may do next to
// nothing safely, so it only notes the request; the message poll turns it into
// close requests, and the program then stops the music, restores the display
// and writes its log on the way out exactly as after Escape.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>

#include "Platform.h"

namespace plat {

namespace {

volatile std::sig_atomic_t gTerminationRequested = 0;
constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

void NoteTermination(int signal) {
  if (gTerminationRequested) {
    // Asked twice: whatever holds the program up, the user means it.
    std::signal(signal, SIG_DFL);
    raise(signal);
    return;
  }
  gTerminationRequested = 1;
}

}  // namespace

void PrepareProcess() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1) continue;
    const int null = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    // open takes the lowest free number, which is this one; anything else is
    // not ours to keep.
    if (null >= 0 && null != fd) close(null);
  }
  std::signal(SIGPIPE, SIG_IGN);
}

void CatchTerminationSignals() {
  struct sigaction action = {};
  action.sa_handler = NoteTermination;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait in progress returns, so the request is seen at once.
  action.sa_flags = 0;
  for (int signal : kTerminationSignals) sigaction(signal, &action, nullptr);
}

bool TerminationRequested() { return gTerminationRequested != 0; }

void ResetTerminationForTest() { gTerminationRequested = 0; }

}  // namespace plat
