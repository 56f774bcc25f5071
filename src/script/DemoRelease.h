// What a release of the demo calls itself: a title (the start dialog's caption,
// its "Start <title>" button, the demo window's title) and a banner (the
// dialog's 200 x 40 title picture). Read before the start dialog from the
// optional data member Release.txt, in the scripts' syntax:
//   Title = "Neon" ;  Banner = "Image/banner.tga" ;   (each optional, once)
// Without the file the release is the engine's own: "Solvane" and its banner.
// A wrong file never stops the demo: it is one log line (no error record) and
// the whole file is set aside, so a release is named entirely or not at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class KolText;

class DemoRelease {
 public:
  static constexpr const char* kFileName = "Release.txt";
  static constexpr const char* kDefaultTitle = "Solvane";
  static constexpr int kBannerWidth = 200;
  static constexpr int kBannerHeight = 40;

  // Reads Release.txt through the lexer's default load source when it is there.
  void Load(KolText& lexer);

  // True when Release.txt named the release.
  bool named = false;
  std::string title = kDefaultTitle;
  // kBannerWidth x kBannerHeight words 0x00RRGGBB, rows top to bottom; empty:
  // the engine's own banner.
  std::vector<std::uint32_t> banner;
};
