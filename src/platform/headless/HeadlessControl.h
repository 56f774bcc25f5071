// The headless backend's controls, for tests and offline rendering: a virtual
// tick count, the screen and its display modes, injected keys and close
// requests, the frames that were shown, and switches that make chosen
// operations fail so every failure path above the platform can be reached.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Platform.h"

namespace plat::headless {

struct Frame {
  int width = 0;
  int height = 0;
  bool flipped = false;  // shown by the exclusive output rather than a window copy
  std::vector<std::uint32_t> pixels;  // rows top to bottom
};

struct Control {
  // Time: every TickCount() returns tick and then adds tickStep, so a busy
  // loop that polls the clock moves forward in virtual time.
  std::uint32_t tick = 0;
  std::uint32_t tickStep = 0;
  // Added at every input poll: with tickStep 0, a loop that polls once a pass
  // then sees every millisecond.
  std::uint32_t tickPerPoll = 0;
  int polls = 0;       // input polls so far
  int timedWaits = 0;  // WaitForInputUntil calls so far

  // The screen and the modes the display lists, in enumeration order.
  int screenWidth = 1024;
  int screenHeight = 768;
  int screenBitsPerPixel = 32;
  std::vector<DisplayMode> modes;

  // Failures to inject.
  bool failWindowCreation = false;
  bool failDrawContext = false;
  bool failPixelBitmap = false;
  bool refuseDisplayChange = false;
  // "Another process" holds a window of these classes: class -> its program.
  std::map<std::string, std::string> foreignWindowClasses;
  bool exclusiveMissing = false;  // the exclusive output library cannot be loaded
  int exclusiveCreateResult = kResultOk;
  int cooperativeResult = kResultOk;
  int setModeResult = kResultOk;
  int createChainResult = kResultOk;
  int attachResult = kResultOk;
  int backBufferDCResult = kResultOk;
  int restoreResult = kResultOk;
  std::deque<int> flipResults;  // results of the coming flips; kResultOk once empty
  // The full screen taken away from tick awayFrom until awayUntil (another
  // program in front, as after Alt+Tab): meanwhile the back buffer's draw
  // context and every flip report the surfaces lost and a restore is refused,
  // as Windows does until the program is in front again.
  std::uint32_t awayFrom = 0, awayUntil = 0;
  bool Away() const { return tick - awayFrom < awayUntil - awayFrom; }

  // Observations.
  DisplayMode currentMode;  // the mode in force
  int displayChanges = 0;   // successful ChangeDisplayMode calls with a mode
  int displayRestores = 0;  // ChangeDisplayMode calls without one
  bool pointerVisible = true;
  bool exclusiveActive = false;
  int exclusiveModeWidth = 0, exclusiveModeHeight = 0, exclusiveModeBits = 0;
  int flipCalls = 0;
  int restoreCalls = 0;
  int exclusiveReleases = 0;
  int framesShown = 0;
  bool keepFrames = false;    // store every frame in frames
  std::vector<Frame> frames;
  Frame lastFrame;
  std::function<void(const Frame&)> onFrame;  // called for every frame shown

  // Dialog boxes: what was drawn the last time one was painted, and how often.
  std::vector<DrawCommand> lastPaint;
  std::string lastPaintTitle;
  int paints = 0;

  // Input, delivered at the next message poll to the newest visible top-level
  // window: keys to its focus window, mouse buttons at client coordinates.
  void PressKey(unsigned key);
  void ReleaseKey(unsigned key);
  void TypeKey(unsigned key);  // press and release
  void MouseDown(int x, int y);
  void MouseUp(int x, int y);
  void Click(int x, int y);
  // What the system sends for a double click: down, up, double click, up.
  void DoubleClick(int x, int y);
  void RequestClose();
  struct Input {
    enum Kind { kKeyDown, kKeyUp, kMouse, kClose } kind = kKeyDown;
    unsigned code = 0;  // the key, or the mouse message
    int x = 0, y = 0;
  };
  std::deque<Input> pendingInput;
  // Called when a modal loop waits for input; it may add some. When it adds
  // none the input has run out: the dialog box is closed as by its close box
  // (and ended with 0 if it stays open), and inputRunOut counts it.
  std::function<void()> onIdle;
  int inputRunOut = 0;
};

// The controls of the running headless backend (valid after StartHeadless).
Control& TheHeadless();

// Queues scripted input: words separated by blanks or commas, each a key name
// typed once ("tab", "return", "escape", "up", "down", "home", "end", "space",
// a letter or digit), "shift+KEY", or "close". False, with the reason in
// error and nothing queued, for a word it does not know.
bool QueueInputScript(const std::string& script, std::string& error);

}  // namespace plat::headless
