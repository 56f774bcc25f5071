// What the portable core asks of the operating system beneath it: native
// shared libraries and the program's own path. system/posix/ provides these on
// Linux, system/windows/ on Windows; the core never includes an OS header itself.
#pragma once

#include <string>

namespace plat {

// Loads a shared library. A path is loaded only when it is a regular file
// holding a whole library for this machine, so a truncated or damaged file is
// a failed load rather than a crash in the loader; a bare name is searched
// for by the system as it is. Null on failure.
void* OpenNativeLibrary(const char* name);
void* NativeLibrarySymbol(void* library, const char* name);
void CloseNativeLibrary(void* library);
// The running executable's path as the system reports it; empty if unknown.
std::string NativeProgramPath();
// A program's name as people call it: its path's last part without ".exe".
std::string ProgramBaseName(const std::string& path);
// Removes the files RemoveFile could not because they were in use (Windows
// keeps a loaded DLL's file); called once the libraries are unloaded.
void RemoveFilesLeftInUse();
// Holds the lock that keeps the table of loaded libraries whole while a
// background task loads one; a no-op where there are no threads (the web).
class LibraryTableLock {
 public:
  LibraryTableLock();
  ~LibraryTableLock();
  LibraryTableLock(const LibraryTableLock&) = delete;
  LibraryTableLock& operator=(const LibraryTableLock&) = delete;
};

}  // namespace plat
