// The headless backend's controls, for tests and offline rendering: a virtual
// tick count, the screen and its display modes, injected keys and close
// requests, the frames that were shown, and switches that make chosen
// operations fail so every failure path above the platform can be reached.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <set>
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
  std::set<std::string> foreignWindowClasses;  // "another process" holds a window of these
  bool exclusiveMissing = false;  // the exclusive output library cannot be loaded
  int exclusiveCreateResult = kResultOk;
  int cooperativeResult = kResultOk;
  int setModeResult = kResultOk;
  int createChainResult = kResultOk;
  int attachResult = kResultOk;
  int backBufferDCResult = kResultOk;
  int restoreResult = kResultOk;
  std::deque<int> flipResults;  // results of the coming flips; kResultOk once empty

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

  // Input, delivered at the next message poll to the newest visible window.
  void PressKey(unsigned key);
  void ReleaseKey(unsigned key);
  void RequestClose();
  std::deque<Message> pendingInput;
};

// The controls of the running headless backend (valid after StartHeadless).
Control& Headless();

}  // namespace plat::headless
