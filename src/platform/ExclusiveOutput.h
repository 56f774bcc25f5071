// The exclusive full-screen output with a flipping chain of one back buffer,
// the platform's stand-in for the run-time-loaded "ddraw.dll". The program
// loads it by that name (LoadRuntimeLibrary), looks up kExclusiveCreateName and
// works through these two interfaces, whose calls keep the DirectDraw contract:
// int results with kResultOk for success, Release to give an object back.
#pragma once

#include "Platform.h"

namespace plat {

constexpr const char* kExclusiveLibraryName = "ddraw.dll";
constexpr const char* kExclusiveCreateName = "DirectDrawCreate";

struct SurfaceDescription {
  unsigned size = 108;
  unsigned flags = 0;            // kSurfaceDesc... bits saying which fields count
  unsigned backBufferCount = 0;
  unsigned caps = 0;             // kCaps... bits
};

class ExclusiveSurface {
 public:
  virtual int GetAttachedSurface(unsigned caps, ExclusiveSurface** surface) = 0;
  // A draw context that CopyPixels can copy into; give it back with ReleaseDC.
  virtual int GetDC(DCHandle* dc) = 0;
  virtual int ReleaseDC(DCHandle dc) = 0;
  // Shows the back buffer: kResultOk, kResultSurfaceLost or kResultStillDrawing.
  virtual int Flip(ExclusiveSurface* target, unsigned flags) = 0;
  virtual int Restore() = 0;
  virtual unsigned Release() = 0;

 protected:
  virtual ~ExclusiveSurface() = default;
};

class ExclusiveOutput {
 public:
  virtual int SetCooperativeLevel(WindowHandle window, unsigned flags) = 0;
  virtual int SetDisplayMode(int width, int height, int bitsPerPixel) = 0;
  virtual int CreateSurface(const SurfaceDescription& description, ExclusiveSurface** surface,
                            void* outer) = 0;
  virtual int RestoreDisplayMode() = 0;
  virtual unsigned Release() = 0;

 protected:
  virtual ~ExclusiveOutput() = default;
};

// The entry point found under kExclusiveCreateName.
using ExclusiveCreateFunction = int (*)(const void* driver, ExclusiveOutput** output,
                                        void* outer);

}  // namespace plat
