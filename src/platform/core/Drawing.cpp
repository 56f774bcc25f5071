// Draw contexts and 32-bit pixel bitmaps: a window's DC, memory DCs with a
// bitmap selected, and the block copy that shows a frame on a window or puts
// it into the exclusive output's back buffer.
#include <algorithm>
#include <cstring>

#include "Desktop.h"
#include "ExclusiveSurfaces.h"

namespace plat {

namespace {

// Bitmaps larger than this are refused rather than allocated.
constexpr long long kMaxBitmapPixels = 64LL * 1024 * 1024;

DCHandle NewContext(DrawContext::Kind kind, Window* window) {
  auto context = std::make_unique<DrawContext>();
  context->kind = kind;
  context->window = window;
  DrawContext* handle = context.get();
  TheDesktop().contexts.push_back(std::move(context));
  return handle;
}

DCHandle WindowContext(WindowHandle handle, DrawContext::Kind kind) {
  if (!Started()) return nullptr;
  Window* window = FindLiveWindow(handle);
  if (!window || !TheDesktop().backend->DrawContextAvailable(*window)) return nullptr;
  return NewContext(kind, window);
}

PixelBitmap* FindBitmap(BitmapHandle handle) {
  return Started() ? FindOwned(TheDesktop().bitmaps, handle) : nullptr;
}

}  // namespace

void CopyClipped(std::uint32_t* target, int targetWidth, int targetHeight, int x, int y,
                 const std::uint32_t* source, int width, int height, int pitch) {
  // Only the part that lies inside the target, one row at a time.
  const int left = std::max(0, -x), top = std::max(0, -y);
  const int right = std::min(width, targetWidth - x), bottom = std::min(height, targetHeight - y);
  if (left >= right) return;
  for (int row = top; row < bottom; ++row)
    std::memcpy(target + static_cast<size_t>(y + row) * targetWidth + x + left,
                source + static_cast<size_t>(row) * pitch + left,
                static_cast<size_t>(right - left) * 4);
}

DCHandle WindowDC(WindowHandle window) { return WindowContext(window, DrawContext::kWhole); }
DCHandle ClientDC(WindowHandle window) { return WindowContext(window, DrawContext::kClient); }

bool ReleaseDrawContext(WindowHandle, DCHandle dc) {
  DrawContext* context = FindContext(dc);
  if (!context || (context->kind != DrawContext::kWhole && context->kind != DrawContext::kClient))
    return false;
  EraseOwned(TheDesktop().contexts, context);
  return true;
}

DCHandle CreateMemoryDC(DCHandle) {
  if (!Started()) return nullptr;
  return NewContext(DrawContext::kMemory, nullptr);
}

bool DeleteMemoryDC(DCHandle dc) {
  DrawContext* context = FindContext(dc);
  if (!context || context->kind != DrawContext::kMemory) return false;
  EraseOwned(TheDesktop().contexts, context);
  return true;
}

BitmapHandle CreatePixelBitmap(DCHandle, int width, int height, std::uint32_t** pixels) {
  if (pixels) *pixels = nullptr;
  if (!Started() || width <= 0 || height <= 0 ||
      static_cast<long long>(width) * height > kMaxBitmapPixels ||
      !TheDesktop().backend->PixelBitmapAvailable())
    return nullptr;
  auto bitmap = std::make_unique<PixelBitmap>();
  bitmap->width = width;
  bitmap->height = height;
  bitmap->pixels =
      std::make_shared<std::vector<std::uint32_t>>(static_cast<size_t>(width) * height, 0u);
  if (pixels) *pixels = bitmap->pixels->data();
  PixelBitmap* handle = bitmap.get();
  TheDesktop().bitmaps.push_back(std::move(bitmap));
  return handle;
}

bool DeletePixelBitmap(BitmapHandle handle) {
  PixelBitmap* bitmap = FindBitmap(handle);
  if (!bitmap) return false;
  for (const auto& c : TheDesktop().contexts)
    if (c->selected == bitmap) c->selected = nullptr;
  EraseOwned(TheDesktop().bitmaps, bitmap);
  return true;
}

BitmapHandle SelectPixelBitmap(DCHandle dc, BitmapHandle handle) {
  DrawContext* context = FindContext(dc);
  PixelBitmap* bitmap = FindBitmap(handle);
  if (!context || context->kind != DrawContext::kMemory || !bitmap) return nullptr;
  PixelBitmap* previous = context->selected;
  context->selected = bitmap;
  return previous;
}

bool CopyPixels(DCHandle destination, int x, int y, int width, int height, DCHandle source,
                int sourceX, int sourceY) {
  DrawContext* to = FindContext(destination);
  DrawContext* from = FindContext(source);
  if (!to || !from || !from->selected || width <= 0 || height <= 0) return false;
  const PixelBitmap& bitmap = *from->selected;
  // Only what lies inside the source bitmap is copied.
  if (sourceX < 0 || sourceY < 0 || sourceX >= bitmap.width || sourceY >= bitmap.height)
    return false;
  width = std::min(width, bitmap.width - sourceX);
  height = std::min(height, bitmap.height - sourceY);
  const std::uint32_t* pixels =
      bitmap.pixels->data() + static_cast<size_t>(sourceY) * bitmap.width + sourceX;

  switch (to->kind) {
    case DrawContext::kWhole:
    case DrawContext::kClient:
      if (x != 0 || y != 0) return false;  // frames are always shown whole
      TheDesktop().backend->PresentWindow(*to->window, bitmap.pixels, pixels, width, height,
                                          bitmap.width);
      return true;
    case DrawContext::kBackBuffer:
      return to->backBuffer && to->backBuffer->CopyIn(x, y, pixels, width, height, bitmap.width);
    case DrawContext::kMemory: {
      if (!to->selected) return false;
      PixelBitmap& target = *to->selected;
      CopyClipped(target.pixels->data(), target.width, target.height, x, y, pixels, width, height,
                  bitmap.width);
      return true;
    }
  }
  return false;
}

}  // namespace plat
