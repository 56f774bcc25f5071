#include "VTex.h"

#include "KolLog.h"
#include "VBitmap.h"

void VTex::Load() {
  VBitmap bitmap;
  if (!colorMap.empty()) {
    bitmap.name = colorMap;  // the file type follows from the extension
  } else {
    bitmap.fileType = kFileGenerated;
    for (int i = 0; i < 3; ++i) bitmap.color[i] = color[i];
  }
  if (!alphaMap.empty()) {
    bitmap.alphaKind = kAlphaMap;
    bitmap.alphaMap.name = alphaMap;
  } else {
    bitmap.alphaKind = kAlphaConstant;
    bitmap.alpha = alpha;
  }
  if (bitmap.Build() != 0) {
    TheLog().ReportError(kModuleTex, "VTex", 1, "Can't load texture");
    return;
  }
  if (bitmap.Convert(bitmap.WithCodes(kB32, kBgr, kLeft, kDown)) != 0) {
    TheLog().ReportError(kModuleTex, "VTex", 1, "Can't convert bitmap to 32bpp");
    return;
  }
  texels_ = bitmap.TakePixels();
  width = bitmap.width;
  height = bitmap.height;
}
