#include "X11SharedPresenter.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "StreamCopy.h"

namespace plat::sdl {

namespace {

Display* gOwnDisplay = nullptr;
// Set by the error handler for an error on the presenter's own connection.
bool gOwnConnectionFailed = false;

struct SharedImage {
  XImage* image = nullptr;
  XShmSegmentInfo segment = {};
  bool beingRead = false;  // sent, and no completion seen yet
};

}  // namespace

struct X11SharedPresenter::State {
  Display* display = nullptr;
  int completionType = 0;
  unsigned long window = 0;  // the window the images and GC are for
  GC gc = nullptr;
  int width = 0, height = 0;
  SharedImage images[2];
  int next = 0;
  bool unusable = false;  // for this window: fall back until another comes

  void Release() {
    if (display) XSync(display, False);
    for (SharedImage& shared : images) {
      if (shared.image) {
        XShmDetach(display, &shared.segment);
        XDestroyImage(shared.image);  // not the shared memory: that goes below
      }
      if (shared.segment.shmaddr) shmdt(shared.segment.shmaddr);
      shared = SharedImage{};
    }
    if (gc) XFreeGC(display, gc);
    gc = nullptr;
    width = height = 0;
    window = 0;
  }

  bool MakeImages(int w, int h) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    Visual* visual = attributes.visual;
    // The program's pixels are 0x00RRGGBB words: only a visual that takes
    // them as they are is served here.
    if (attributes.depth != 24 || visual->red_mask != 0xFF0000 ||
        visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF)
      return false;
    gc = XCreateGC(display, window, 0, nullptr);
    for (SharedImage& shared : images) {
      shared.image = XShmCreateImage(display, visual, 24, ZPixmap, nullptr, &shared.segment,
                                     static_cast<unsigned>(w), static_cast<unsigned>(h));
      if (!shared.image || shared.image->bits_per_pixel != 32) return false;
      const size_t bytes = static_cast<size_t>(shared.image->bytes_per_line) * h;
      shared.segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
      if (shared.segment.shmid < 0) return false;
      void* memory = shmat(shared.segment.shmid, nullptr, 0);
      // Removed now, so the memory goes with the last of us and the server.
      shmctl(shared.segment.shmid, IPC_RMID, nullptr);
      if (memory == reinterpret_cast<void*>(-1)) return false;
      shared.segment.shmaddr = shared.image->data = static_cast<char*>(memory);
      shared.segment.readOnly = True;
      if (!XShmAttach(display, &shared.segment)) return false;
    }
    XSync(display, False);
    if (gOwnConnectionFailed) return false;
    width = w;
    height = h;
    return true;
  }

  // Waits for the server's copy out of this image: its completion event, as
  // it comes. A server that sends none within half a second (an error on the
  // way) is asked outright with a round trip.
  void WaitUntilRead(SharedImage& shared) {
    for (int tries = 0; shared.beingRead && !gOwnConnectionFailed; ++tries) {
      if (tries == 50) {
        XSync(display, False);
        TakeCompletions();
        for (SharedImage& other : images) other.beingRead = false;
        return;
      }
      pollfd connection = {ConnectionNumber(display), POLLIN, 0};
      poll(&connection, 1, 10);
      TakeCompletions();
    }
  }

  // Notes the copies the server has finished, without waiting.
  void TakeCompletions() {
    XEvent event;
    while (XCheckTypedEvent(display, completionType, &event)) {
      const auto& done = reinterpret_cast<const XShmCompletionEvent&>(event);
      for (SharedImage& shared : images)
        if (shared.segment.shmseg == done.shmseg) shared.beingRead = false;
    }
  }
};

X11SharedPresenter::X11SharedPresenter(std::unique_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<X11SharedPresenter> X11SharedPresenter::Open() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  int major = 0, minor = 0;
  Bool pixmaps = False;
  if (!XShmQueryVersion(display, &major, &minor, &pixmaps)) {
    XCloseDisplay(display);
    return nullptr;
  }
  auto state = std::make_unique<State>();
  state->display = display;
  state->completionType = XShmGetEventBase(display) + ShmCompletion;
  gOwnDisplay = display;
  gOwnConnectionFailed = false;
  return std::unique_ptr<X11SharedPresenter>(new X11SharedPresenter(std::move(state)));
}

X11SharedPresenter::~X11SharedPresenter() {
  state_->Release();
  XCloseDisplay(state_->display);
  gOwnDisplay = nullptr;
}

bool X11SharedPresenter::OwnsConnection(const void* display) {
  if (!display || display != gOwnDisplay) return false;
  gOwnConnectionFailed = true;
  return true;
}

bool X11SharedPresenter::Present(unsigned long window, const std::uint32_t* pixels, int width,
                                 int height, int pitch) {
  State& s = *state_;
  if (gOwnConnectionFailed || !window || width <= 0 || height <= 0) return false;
  if (window != s.window || width != s.width || height != s.height) {
    s.Release();
    s.window = window;
    s.unusable = !s.MakeImages(width, height);
    if (s.unusable) {
      s.Release();
      s.window = window;
      s.unusable = true;
    }
  }
  if (s.unusable) return false;
  SharedImage& shared = s.images[s.next];
  s.TakeCompletions();
  // The other image may still be read meanwhile; this one must be done.
  if (shared.beingRead) s.WaitUntilRead(shared);
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  auto* to = reinterpret_cast<std::uint8_t*>(shared.image->data);
  const size_t line = static_cast<size_t>(shared.image->bytes_per_line);
  if (line == rowBytes && pitch == width)
    StreamCopy(to, pixels, rowBytes * height);
  else
    for (int y = 0; y < height; ++y)
      StreamCopy(to + line * y, pixels + static_cast<size_t>(y) * pitch, rowBytes);
  XShmPutImage(s.display, window, s.gc, shared.image, 0, 0, 0, 0, static_cast<unsigned>(width),
               static_cast<unsigned>(height), True);
  XFlush(s.display);
  shared.beingRead = true;
  s.next ^= 1;
  return !gOwnConnectionFailed;
}

void X11SharedPresenter::Forget(unsigned long window) {
  if (state_->window == window) state_->Release();
}

}  // namespace plat::sdl
