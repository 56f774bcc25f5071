// The portable core shared by the emulating backends: window classes and
// windows with their procedures, the thread's message queue, draw contexts and
// pixel bitmaps, and the exclusive output's objects. Internal to the platform.
#pragma once

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Backend.h"
#include "ExclusiveOutput.h"

namespace plat {

struct PixelBitmap {
  int width = 0;
  int height = 0;
  // Shared with the windows it was last copied to, which draw the frame again
  // from here when exposed or resized instead of keeping a copy of every frame;
  // the memory lives on while one still refers to it, after the bitmap is
  // deleted. Sized once: the program holds a pointer into it.
  std::shared_ptr<std::vector<std::uint32_t>> pixels;
};

class BackBufferSurface;

struct DrawContext {
  enum Kind { kWhole, kClient, kMemory, kBackBuffer } kind = kMemory;
  Window* window = nullptr;
  PixelBitmap* selected = nullptr;
  BackBufferSurface* backBuffer = nullptr;
};

struct Library {
  bool builtinExclusive = false;
  void* native = nullptr;
};

// Everything the core keeps for the running backend.
struct Desktop {
  std::unique_ptr<Backend> backend;
  std::map<std::string, WindowClass> classes;
  std::map<std::string, std::string> classNames;  // keeps the names alive
  std::vector<std::unique_ptr<Window>> windows;
  Window foreignWindow;  // what FindWindowOfClass returns for another process's window
  std::deque<Message> queue;
  unsigned lastError = 0;
  int pointerCount = 0;
  std::vector<std::unique_ptr<DrawContext>> contexts;
  std::vector<std::unique_ptr<PixelBitmap>> bitmaps;
  std::vector<std::unique_ptr<Library>> libraries;
  std::set<unsigned> keysDown;
  Window* focus = nullptr;
  Window* capture = nullptr;  // the control that holds the mouse button
};

Desktop& TheDesktop();

// The core owns its objects in vectors of unique_ptr and hands out raw
// pointers as handles; these find and release them by handle.
template <typename T, typename H>
T* FindOwned(const std::vector<std::unique_ptr<T>>& owned, H handle) {
  for (const auto& p : owned)
    if (p.get() == handle) return p.get();
  return nullptr;
}

template <typename T, typename Predicate>
void EraseOwnedIf(std::vector<std::unique_ptr<T>>& owned, Predicate predicate) {
  owned.erase(std::remove_if(owned.begin(), owned.end(),
                             [&](const std::unique_ptr<T>& p) { return predicate(p.get()); }),
              owned.end());
}

template <typename T>
void EraseOwned(std::vector<std::unique_ptr<T>>& owned, const T* item) {
  EraseOwnedIf(owned, [item](const T* p) { return p == item; });
}
Window* FindLiveWindow(WindowHandle handle);
// Makes a window record; a control (parent set) gets no native window and is
// placed in its parent's client coordinates. Null on failure, with LastError set.
Window* CreateWindowRecord(unsigned exStyle, const char* className, const char* title,
                           unsigned style, const Rect& rect, Window* parent, int id);
// The top-level window a window belongs to (itself when it has no parent).
Window* TopLevelOf(Window* window);
// Registers the dialog manager's own classes (dialog box and controls).
void RegisterDialogClasses();
// Draws every dialog box whose look changed since it was last shown.
void PaintDialogs();
// Marks a window's dialog box for drawing again.
void Invalidate(Window* window);
// Copies a width x height block of source (pitch pixels a row) to (x, y) of a
// target of targetWidth x targetHeight pixels, leaving out what falls outside.
void CopyClipped(std::uint32_t* target, int targetWidth, int targetHeight, int x, int y,
                 const std::uint32_t* source, int width, int height, int pitch);
// Keeps the key state in step with a key message taken from the queue.
void NoteKeyMessage(const Message& message);
DrawContext* FindContext(DCHandle handle);
// The built-in exclusive output's entry point.
int CreateExclusiveOutput(const void* driver, ExclusiveOutput** output, void* outer);
// Sends a close request to each top-level window not yet told, once a
// termination signal has come.
void DeliverTerminationCloses();
// Unloads the shared objects loaded at run time.
void CloseLibraries();

}  // namespace plat
