#include "DemoRelease.h"

#include <cstring>

#include "KolData.h"
#include "KolLog.h"
#include "KolText.h"
#include "VBitmap.h"

namespace {

// Why a file was set aside, and where: the place of the line at fault.
struct Refusal {
  int line = 0;
  int column = 0;
  std::string why;
};

bool Refuse(Refusal& refusal, int line, int column, const std::string& why) {
  refusal = Refusal{line, column, why};
  return false;
}

// A step of a line failed with code: what the lexer says, what was wanted instead.
bool RefuseToken(Refusal& refusal, const KolText& lexer, int code, const char* wanted) {
  return Refuse(refusal, lexer.Line(), lexer.Column(),
                std::string(KolText::Message(code)) + ": expected " + wanted + ", found " +
                    lexer.DescribeCurrent());
}

// A banner the dialog can show in place of its own: a TGA or JPEG of exactly
// the title picture's size.
bool LoadBanner(const std::string& file, std::vector<std::uint32_t>& pixels, std::string& why) {
  const int type = VBitmap::DetectType(file.c_str());
  if (type != kFileTga && type != kFileJpeg) {
    why = "the banner \"" + file + "\" is no TGA (.tga) or JPEG (.jpg) image";
    return false;
  }
  VBitmap bitmap;
  bitmap.name = file;
  ClearImageLoadProblem();
  if (bitmap.Build() != 0) {
    const std::string& reason = LastImageLoadProblem().reason;
    why = "the banner \"" + file + "\" cannot be loaded: " +
          (reason.empty() ? std::string("the image cannot be read") : reason);
    return false;
  }
  if (bitmap.width != DemoRelease::kBannerWidth || bitmap.height != DemoRelease::kBannerHeight) {
    why = "the banner \"" + file + "\" is " + std::to_string(bitmap.width) + " x " +
          std::to_string(bitmap.height) + " pixels; it must be " +
          std::to_string(DemoRelease::kBannerWidth) + " x " +
          std::to_string(DemoRelease::kBannerHeight);
    return false;
  }
  // Bytes blue, green, red, alpha from the top row down: the words 0xAARRGGBB.
  if (bitmap.Convert(bitmap.WithCodes(kB32, kBgr, kLeft, kUp)) != 0) {
    why = "the banner \"" + file + "\" cannot be converted to 32-bit pixels";
    return false;
  }
  pixels.resize(static_cast<std::size_t>(bitmap.width) * bitmap.height);
  std::memcpy(pixels.data(), bitmap.Pixels(), pixels.size() * 4);
  for (std::uint32_t& p : pixels) p &= 0x00FFFFFF;  // the title picture has no alpha
  return true;
}

// Reads the lines of an opened Release.txt into release; false with the refusal.
bool ReadLines(KolText& lexer, DemoRelease& release, Refusal& refusal) {
  std::string banner;
  int bannerLine = 0, bannerColumn = 0;
  bool titled = false;
  for (;;) {
    if (int r = lexer.SkipSpace()) return RefuseToken(refusal, lexer, r, "Title or Banner");
    if (lexer.Current() == 0) break;
    const int line = lexer.Line(), column = lexer.Column();
    if (int r = lexer.ReadWord()) return RefuseToken(refusal, lexer, r, "Title or Banner");
    const std::string key = lexer.Token();
    const bool isTitle = key == "Title";
    if (!isTitle && key != "Banner")
      return Refuse(refusal, line, column,
                    "unknown key \"" + key + "\" (expected Title or Banner)");
    if (isTitle ? titled : bannerLine != 0)
      return Refuse(refusal, line, column, key + " is given twice");
    const std::string afterKey = "\"=\" after " + key;
    if (int r = lexer.Expect('=')) return RefuseToken(refusal, lexer, r, afterKey.c_str());
    const std::string quoted = "a quoted " + std::string(isTitle ? "title" : "image file name");
    if (int r = lexer.ReadQuoted()) return RefuseToken(refusal, lexer, r, quoted.c_str());
    const std::string value = lexer.Token();
    if (int r = lexer.Expect(';'))
      return RefuseToken(refusal, lexer, r, "\";\" at the end of the line");
    if (value.empty()) return Refuse(refusal, line, column, "the " + key + " is empty");
    if (isTitle) {
      release.title = value;
      titled = true;
    } else {
      banner = value;
      bannerLine = line;
      bannerColumn = column;
    }
  }
  std::string why;
  if (bannerLine && !LoadBanner(banner, release.banner, why))
    return Refuse(refusal, bannerLine, bannerColumn, why);
  return true;
}

}  // namespace

void DemoRelease::Load(KolText& lexer) {
  if (!KolData(false).Contains(kFileName)) return;  // the engine's own release
  Refusal refusal;
  DemoRelease read;
  if (const int opened = lexer.OpenText(kFileName)) {
    refusal.why = lexer.ExplainOpenFailure(opened, "release file", refusal.line, refusal.column);
  } else if (ReadLines(lexer, read, refusal)) {
    read.named = true;
    *this = std::move(read);
  }
  lexer.CloseFile();
  if (named) return;
  TheLog().PrintLine("Warning: %s (line %d, column %d): %s; the release keeps the name %s and "
                     "its banner",
                     kFileName, refusal.line, refusal.column, refusal.why.c_str(), kDefaultTitle);
}
