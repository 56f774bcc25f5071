// The web backend's side facing the page (through the module's exports): the
// page sets the time, hands over keys and reads the frames. The page calls
// in from its own event loop, so nothing here ever blocks.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace plat::web {

struct Page {
  // The tick count: the audio clock's position in milliseconds, as the page
  // last gave it; it stands still between the page's calls.
  std::uint32_t tick = 0;
  // Keys to deliver, in order, at the next message polls: a Win32 key code
  // and whether it goes down or up.
  struct Key {
    unsigned code = 0;
    bool down = true;
  };
  std::deque<Key> keys;
  // The last frame shown: 32-bit 0x00RRGGBB, rows top to bottom.
  int width = 640;
  int height = 480;
  std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(640 * 480);
  int framesShown = 0;
};

// The page of the running web backend (valid after StartWeb).
Page& ThePage();

}  // namespace plat::web

namespace plat {

// Installs the web backend: a 640x480 32-bit screen, windows that are the
// page's canvas, no exclusive output. False if a backend is already running.
bool StartWeb();

}  // namespace plat
