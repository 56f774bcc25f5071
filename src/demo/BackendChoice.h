// The backend a program runs on, as its environment asks: the viewer and
// solvane-live start theirs here, so both read SOLVANE_PLATFORM (sdl, the
// default, or headless) and SOLVANE_HEADLESS_INPUT alike and word refusals
// alike. On Windows the viewer runs on the desktop's own Win32 calls instead.
#pragma once

#include <string>

struct BackendChoice {
  const char* programName = "solvane";  // the prefix of the refusal line
  // Headless: close the window once the scripted keys are typed, for a program
  // that waits for its user to quit and would otherwise wait for ever.
  bool closeAfterScriptedKeys = false;
  // A desktop backend: the windows carry the program's icon.
  bool setProgramIcon = false;
};

// Starts the backend; false with one line, "name: why", in refusal.
bool StartChosenBackend(const BackendChoice& choice, std::string& refusal);
