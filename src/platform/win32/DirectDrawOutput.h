// The system's DirectDraw behind the platform's exclusive output interface:
// each call goes to the same IDirectDraw or IDirectDrawSurface method with the
// same arguments, and its HRESULT comes back as the result.
#pragma once

#include <ddraw.h>

#include <memory>
#include <vector>

#include "Win32Desktop.h"

namespace plat {

class DirectDrawSurfaceAdapter;
class DirectDrawAdapter;

// The adapters handed out and not yet released; whatever is left goes when
// the platform shuts down.
class DirectDrawObjects {
 public:
  DirectDrawObjects();
  ~DirectDrawObjects();
  DirectDrawAdapter* Add(IDirectDraw* object);
  void Remove(DirectDrawAdapter* adapter);
  void Clear();

 private:
  std::vector<std::unique_ptr<DirectDrawAdapter>> outputs_;
};

class DirectDrawSurfaceAdapter : public ExclusiveSurface {
 public:
  // owned: whether Release gives the system's surface back (a primary
  // surface); a chain's back buffer goes with its primary.
  DirectDrawSurfaceAdapter(IDirectDrawSurface* surface, bool owned)
      : surface_(surface), owned_(owned) {}
  ~DirectDrawSurfaceAdapter() override;

  int GetAttachedSurface(unsigned caps, ExclusiveSurface** surface) override;
  int GetDC(DCHandle* dc) override;
  int ReleaseDC(DCHandle dc) override;
  int Flip(ExclusiveSurface* target, unsigned flags) override;
  int Restore() override;
  unsigned Release() override;

  IDirectDrawSurface* Native() const { return surface_; }
  void SetOwner(DirectDrawAdapter* owner) { owner_ = owner; }
  // A primary whose display could not take the program's mode: the program
  // draws into the stage, a surface of the size it asked for, and each flip
  // first scales the stage into the middle of the real back buffer. False
  // (and the stage not taken) when the chain has no back buffer.
  bool SetStage(IDirectDrawSurface* stage, const RECT& into);

 private:
  // Scales the stage into the back buffer with black bars around it.
  HRESULT DrawStage();

  IDirectDrawSurface* surface_;
  bool owned_;
  DirectDrawAdapter* owner_ = nullptr;
  std::unique_ptr<DirectDrawSurfaceAdapter> attached_;
  std::unique_ptr<DirectDrawSurfaceAdapter> stage_;
  IDirectDrawSurface* stageTarget_ = nullptr;  // the chain's real back buffer
  RECT into_ = {};
};

class DirectDrawAdapter : public ExclusiveOutput {
 public:
  DirectDrawAdapter(IDirectDraw* object, DirectDrawObjects& objects)
      : object_(object), objects_(objects) {}
  ~DirectDrawAdapter() override;

  int SetCooperativeLevel(WindowHandle window, unsigned flags) override;
  int SetDisplayMode(int width, int height, int bitsPerPixel) override;
  int CreateSurface(const SurfaceDescription& description, ExclusiveSurface** surface,
                    void* outer) override;
  int RestoreDisplayMode() override;
  unsigned Release() override;

  void Forget(DirectDrawSurfaceAdapter* surface);
  // Sets the program's mode again once its window is back in front (after
  // the desktop had its own mode while it was away); false while it is not.
  bool SetModeAgain();

 private:
  IDirectDraw* object_;
  HWND window_ = nullptr;
  int modeWidth_ = 0, modeHeight_ = 0, modeBits_ = 0;  // the mode in force, once set
  DirectDrawObjects& objects_;
  std::vector<std::unique_ptr<DirectDrawSurfaceAdapter>> surfaces_;
  // The size the program asked for when the display refused it; 0 otherwise.
  int refusedWidth_ = 0, refusedHeight_ = 0;
};

}  // namespace plat
