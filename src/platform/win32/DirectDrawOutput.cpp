#include "DirectDrawOutput.h"

#include <algorithm>

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

int DirectDrawSurfaceAdapter::GetAttachedSurface(unsigned caps, ExclusiveSurface** surface) {
  if (!surface) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
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
  return surface_->Flip(adapter ? adapter->Native() : nullptr, flags);
}

int DirectDrawSurfaceAdapter::Restore() { return surface_->Restore(); }

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
  return object_->SetCooperativeLevel(plat::Native(window), flags);
}

int DirectDrawAdapter::SetDisplayMode(int width, int height, int bitsPerPixel) {
  return object_->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height),
                                 static_cast<DWORD>(bitsPerPixel));
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
  return DD_OK;
}

int DirectDrawAdapter::RestoreDisplayMode() { return object_->RestoreDisplayMode(); }

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
