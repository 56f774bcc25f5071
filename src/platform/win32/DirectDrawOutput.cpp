#include "DirectDrawOutput.h"

#include <algorithm>

#include "FitInside.h"

namespace plat {

namespace {

using DirectDrawCreateFunction = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);

template <typename T>
void EraseOwned(std::vector<std::unique_ptr<T>>& owned, const T* item) {
  owned.erase(std::remove_if(owned.begin(), owned.end(),
                             [item](const std::unique_ptr<T>& p) { return p.get() == item; }),
              owned.end());
}

}  // namespace

// --- Surfaces ------------------------------------------------------------------

DirectDrawSurfaceAdapter::~DirectDrawSurfaceAdapter() {
  attached_.reset();
  if (owned_ && surface_) surface_->Release();
}

bool DirectDrawSurfaceAdapter::SetStage(IDirectDrawSurface* stage, const RECT& into) {
  DDSCAPS wanted = {};
  wanted.dwCaps = DDSCAPS_BACKBUFFER;
  IDirectDrawSurface* back = nullptr;
  if (FAILED(surface_->GetAttachedSurface(&wanted, &back))) return false;
  back->Release();  // the chain keeps it alive
  stageTarget_ = back;
  stage_ = std::make_unique<DirectDrawSurfaceAdapter>(stage, true);
  into_ = into;
  return true;
}

HRESULT DirectDrawSurfaceAdapter::DrawStage() {
  DDBLTFX black = {};
  black.dwSize = sizeof black;
  black.dwFillColor = 0;
  const HRESULT result =
      stageTarget_->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &black);
  if (FAILED(result)) return result;
  return stageTarget_->Blt(&into_, stage_->Native(), nullptr, DDBLT_WAIT, nullptr);
}

int DirectDrawSurfaceAdapter::GetAttachedSurface(unsigned caps, ExclusiveSurface** surface) {
  if (!surface) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  // A scaled chain's program draws into the stage, never the real buffer.
  if (stage_ && (caps & DDSCAPS_BACKBUFFER)) {
    *surface = stage_.get();
    return DD_OK;
  }
  DDSCAPS wanted = {};
  wanted.dwCaps = caps;
  IDirectDrawSurface* found = nullptr;
  const HRESULT result = surface_->GetAttachedSurface(&wanted, &found);
  if (FAILED(result)) return result;
  // GetAttachedSurface counted a reference the program never gives back (a
  // chain's back buffer goes with its primary), so it is given back at once;
  // the chain keeps the buffer alive. Asking again gives the same adapter.
  found->Release();
  if (!attached_ || attached_->Native() != found)
    attached_ = std::make_unique<DirectDrawSurfaceAdapter>(found, false);
  *surface = attached_.get();
  return DD_OK;
}

int DirectDrawSurfaceAdapter::GetDC(DCHandle* dc) {
  if (!dc) return DDERR_INVALIDPARAMS;
  *dc = nullptr;
  HDC native = nullptr;
  const HRESULT result = surface_->GetDC(&native);
  if (SUCCEEDED(result)) *dc = Handle(native);
  return result;
}

int DirectDrawSurfaceAdapter::ReleaseDC(DCHandle dc) {
  return surface_->ReleaseDC(plat::Native(dc));
}

int DirectDrawSurfaceAdapter::Flip(ExclusiveSurface* target, unsigned flags) {
  auto* adapter = static_cast<DirectDrawSurfaceAdapter*>(target);
  if (adapter == stage_.get()) adapter = nullptr;
  if (stage_) {
    const HRESULT drawn = DrawStage();
    if (FAILED(drawn)) return drawn;
  }
  return surface_->Flip(adapter ? adapter->Native() : nullptr, flags);
}

int DirectDrawSurfaceAdapter::Restore() {
  HRESULT result = surface_->Restore();
  // The desktop's mode came back while the program was away; with its window
  // in front again the program's mode is set again first.
  if (result == DDERR_WRONGMODE && owner_ && owner_->SetModeAgain()) result = surface_->Restore();
  if (SUCCEEDED(result) && stage_) return stage_->Restore();
  return result;
}

unsigned DirectDrawSurfaceAdapter::Release() {
  if (!owned_ || !owner_) return 1;  // a back buffer belongs to its chain
  owner_->Forget(this);  // destroys this adapter, which gives the surface back
  return 0;
}

// --- The DirectDraw object -----------------------------------------------------

DirectDrawAdapter::~DirectDrawAdapter() {
  surfaces_.clear();
  if (object_) object_->Release();
}

int DirectDrawAdapter::SetCooperativeLevel(WindowHandle window, unsigned flags) {
  window_ = plat::Native(window);
  return object_->SetCooperativeLevel(window_, flags);
}

bool DirectDrawAdapter::SetModeAgain() {
  if (!modeWidth_ || !window_ || GetForegroundWindow() != window_ || IsIconic(window_)) return false;
  return SUCCEEDED(object_->SetDisplayMode(static_cast<DWORD>(modeWidth_),
                                           static_cast<DWORD>(modeHeight_),
                                           static_cast<DWORD>(modeBits_)));
}

int DirectDrawAdapter::SetDisplayMode(int width, int height, int bitsPerPixel) {
  const HRESULT result = object_->SetDisplayMode(
      static_cast<DWORD>(width), static_cast<DWORD>(height), static_cast<DWORD>(bitsPerPixel));
  // Refused: the chain is made at the desktop's mode and shows the picture
  // scaled, as the other platforms do.
  refusedWidth_ = FAILED(result) ? width : 0;
  refusedHeight_ = FAILED(result) ? height : 0;
  modeWidth_ = FAILED(result) ? 0 : width;
  modeHeight_ = FAILED(result) ? 0 : height;
  modeBits_ = FAILED(result) ? 0 : bitsPerPixel;
  return result;
}

int DirectDrawAdapter::CreateSurface(const SurfaceDescription& description,
                                     ExclusiveSurface** surface, void* outer) {
  if (!surface) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  // The program describes DirectDraw's first surface descriptor, 108 bytes
  // as 32-bit Windows lays it out; this build's own layout has its own size.
  if (description.size != 108) return DDERR_INVALIDPARAMS;
  DDSURFACEDESC native = {};
  native.dwSize = sizeof native;
  native.dwFlags = description.flags;
  native.dwBackBufferCount = description.backBufferCount;
  native.ddsCaps.dwCaps = description.caps;
  IDirectDrawSurface* made = nullptr;
  const HRESULT result = object_->CreateSurface(&native, &made, static_cast<IUnknown*>(outer));
  if (FAILED(result)) return result;
  surfaces_.push_back(std::make_unique<DirectDrawSurfaceAdapter>(made, true));
  surfaces_.back()->SetOwner(this);
  *surface = surfaces_.back().get();
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  if (refusedWidth_ > 0 && refusedHeight_ > 0 && (description.caps & DDSCAPS_PRIMARYSURFACE) &&
      (screenWidth != refusedWidth_ || screenHeight != refusedHeight_)) {
    DDSURFACEDESC stageDescription = {};
    stageDescription.dwSize = sizeof stageDescription;
    stageDescription.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    stageDescription.dwWidth = static_cast<DWORD>(refusedWidth_);
    stageDescription.dwHeight = static_cast<DWORD>(refusedHeight_);
    stageDescription.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface* stage = nullptr;
    if (SUCCEEDED(object_->CreateSurface(&stageDescription, &stage, nullptr))) {
      const Rect fit = FitInside(refusedWidth_, refusedHeight_, screenWidth, screenHeight);
      if (!surfaces_.back()->SetStage(stage, RECT{fit.left, fit.top, fit.right, fit.bottom}))
        stage->Release();
    }
  }
  return DD_OK;
}

int DirectDrawAdapter::RestoreDisplayMode() {
  modeWidth_ = modeHeight_ = modeBits_ = 0;
  return object_->RestoreDisplayMode();
}

unsigned DirectDrawAdapter::Release() {
  objects_.Remove(this);  // destroys this adapter, which gives the object back
  return 0;
}

void DirectDrawAdapter::Forget(DirectDrawSurfaceAdapter* surface) {
  EraseOwned(surfaces_, surface);
}

// --- What is handed out ----------------------------------------------------------

DirectDrawObjects::DirectDrawObjects() = default;
DirectDrawObjects::~DirectDrawObjects() = default;

DirectDrawAdapter* DirectDrawObjects::Add(IDirectDraw* object) {
  outputs_.push_back(std::make_unique<DirectDrawAdapter>(object, *this));
  return outputs_.back().get();
}

void DirectDrawObjects::Remove(DirectDrawAdapter* adapter) { EraseOwned(outputs_, adapter); }

void DirectDrawObjects::Clear() { outputs_.clear(); }

int CreateDirectDrawOutput(const void* driver, ExclusiveOutput** output, void* outer) {
  if (!output) return DDERR_INVALIDPARAMS;
  *output = nullptr;
  Win32State* state = TheWin32();
  if (!state) return DDERR_GENERIC;
  DirectDrawCreateFunction create = nullptr;
  for (const auto& library : state->libraries)
    if (library->directDraw)
      create = reinterpret_cast<DirectDrawCreateFunction>(
          reinterpret_cast<void*>(GetProcAddress(library->module, kExclusiveCreateName)));
  if (!create) return DDERR_GENERIC;
  IDirectDraw* object = nullptr;
  const HRESULT result = create(static_cast<GUID*>(const_cast<void*>(driver)), &object,
                                static_cast<IUnknown*>(outer));
  if (FAILED(result)) return result;
  *output = state->directDraw->Add(object);
  return DD_OK;
}

void ReleaseDirectDrawObjects() {
  if (TheWin32() && TheWin32()->directDraw) TheWin32()->directDraw->Clear();
}

}  // namespace plat
