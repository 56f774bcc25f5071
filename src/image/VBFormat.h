// The description of an image: file name, file type, size and the four pixel
// format codes (depth, channel order, column order, row order). Bitmaps build
// their pixels from it and conversions aim at one. A persistent object, class
// name "VBFormat".
#pragma once

#include <string>

#include "KolObject.h"

enum VBDepth { kB00 = 0, kB08 = 1, kB24 = 2, kB32 = 3 };
enum VBOrder { kGray = 0, kRgb = 1, kBgr = 2 };
enum VBHorizontal { kLeft = 0, kRight = 1 };
enum VBVertical { kUp = 0, kDown = 1 };
enum VBFileType { kFileUnknown = 0, kFileRaw = 1, kFileTga = 2, kFileJpeg = 3, kFileGenerated = 4 };

class VBFormat : public KolObject {
 public:
  VBFormat() = default;
  // Copies the descriptor only: the class and persistence state stay fresh.
  VBFormat(const VBFormat& other) { CopyFormat(other); }
  VBFormat& operator=(const VBFormat& other) {
    CopyFormat(other);
    return *this;
  }

  const char* ClassName() const override { return "VBFormat"; }
  std::unique_ptr<KolObject> Create() const override;
  int Transfer(KolData& data) override;

  bool Equals(const VBFormat& other) const;
  // Logs "Format: WxH, depth order horizontal vertical [codes] 'name' (type)".
  void PrintFormat() const;
  void CopyFormat(const VBFormat& other);
  // The same descriptor with the four codes replaced.
  VBFormat WithCodes(int depth, int order, int horizontal, int vertical) const;

  // An empty name stands for "no name".
  std::string name;
  int fileType = kFileUnknown;
  int width = 0;
  int height = 0;
  // Signed bit-fields, as the codes are held in stored descriptors.
  int depth : 3 = kB32;
  int order : 3 = kBgr;
  int horizontal : 2 = kLeft;
  int vertical : 2 = kDown;
};
