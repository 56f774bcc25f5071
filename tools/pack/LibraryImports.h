// What a program or library needs from others, read from its own headers
// (no loader is run): an ELF file's needed shared objects and run path, a
// Windows executable's imported DLLs. And the rule of which libraries every
// machine a release runs on already has, so a release carries the rest.
#pragma once

#include <string>
#include <vector>

struct ElfLinks {
  std::vector<std::string> needed;  // DT_NEEDED, in order
  std::string soname;
  std::string runPath;              // DT_RUNPATH, else DT_RPATH
};

// False for a file that is not a whole 64-bit little-endian ELF object.
bool ReadElfLinks(const std::vector<char>& bytes, ElfLinks& links);
// False for a file that is not a whole PE image.
bool ReadPeImports(const std::vector<char>& bytes, std::vector<std::string>& dlls);

// glibc, the compiler's runtime that every Debian and Ubuntu system has, the
// display system's libraries (X11, xcb, Wayland, DRM) and the sound system's
// (ALSA, PulseAudio, JACK, PipeWire): a Linux release uses the machine's own.
bool IsLinuxSystemLibrary(const std::string& soname);
// Windows' own DLLs (kernel32, user32, gdi32, winmm, the C runtime, ...).
bool IsWindowsSystemDll(const std::string& name);
