// Draw contexts, the program's system-memory bitmaps (DIB sections) and the
// block copies that show them, on GDI.
#include "Win32Desktop.h"

namespace plat {

DCHandle WindowDC(WindowHandle window) { return Handle(GetWindowDC(Native(window))); }

DCHandle ClientDC(WindowHandle window) { return Handle(GetDC(Native(window))); }

bool ReleaseDrawContext(WindowHandle window, DCHandle dc) {
  return ReleaseDC(Native(window), Native(dc)) == 1;
}

DCHandle CreateMemoryDC(DCHandle compatibleWith) {
  return Handle(CreateCompatibleDC(Native(compatibleWith)));
}

bool DeleteMemoryDC(DCHandle dc) { return DeleteDC(Native(dc)); }

BitmapHandle CreatePixelBitmap(DCHandle dc, int width, int height, std::uint32_t** pixels) {
  if (pixels) *pixels = nullptr;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down: row 0 is the top row
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(Native(dc), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  if (pixels) *pixels = static_cast<std::uint32_t*>(bits);
  return reinterpret_cast<BitmapHandle>(bitmap);
}

bool DeletePixelBitmap(BitmapHandle bitmap) {
  return DeleteObject(reinterpret_cast<HBITMAP>(bitmap));
}

BitmapHandle SelectPixelBitmap(DCHandle dc, BitmapHandle bitmap) {
  return reinterpret_cast<BitmapHandle>(
      SelectObject(Native(dc), reinterpret_cast<HBITMAP>(bitmap)));
}

bool CopyPixels(DCHandle destination, int x, int y, int width, int height, DCHandle source,
                int sourceX, int sourceY) {
  const bool copied = BitBlt(Native(destination), x, y, width, height, Native(source), sourceX,
                             sourceY, SRCCOPY);
  // GDI may batch the copy; the program writes the next frame into the same
  // memory as soon as this returns.
  GdiFlush();
  return copied;
}

}  // namespace plat
