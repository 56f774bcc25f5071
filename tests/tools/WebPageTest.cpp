// solvane-pack --web's page: the music a browser can decode told apart from
// module music, base64 at every padding, and the template's places filled
// once, with nothing put in searched again and a missing place refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WebPage.h"

namespace {

std::vector<char> Bytes(const std::string& text, std::size_t size = 0) {
  std::vector<char> bytes(text.begin(), text.end());
  if (bytes.size() < size) bytes.resize(size, '\0');
  return bytes;
}

std::vector<char> At(std::size_t offset, const std::string& text) {
  std::vector<char> bytes(offset, '\0');
  bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}

TEST(WebPageTest, MusicKinds) {
  const std::vector<std::pair<std::vector<char>, std::string>> cases = {
      {{}, ""},
      {Bytes("ID3\x04"), "mp3"},
      {Bytes("\xff\xfb\x90\x00"), "mp3"},
      {Bytes("OggS"), "ogg"},
      {Bytes(std::string("RIFF\x10\0\0\0WAVEfmt ", 16)), "wav"},
      {Bytes(std::string("RIFF\x10\0\0\0AVI ", 12)), "audio"},
      {Bytes("fLaC"), "flac"},
      {Bytes("Extended Module: song"), "module"},
      {Bytes("IMPM"), "module"},
      {At(44, "SCRM"), "module"},
      {At(1080, "M.K."), "module"},
      {At(1079, "M.K."), "audio"},
  };
  for (const auto& [music, kind] : cases) EXPECT_EQ(kind, MusicKind(music)) << std::string(music.begin(), music.end());
}

TEST(WebPageTest, Base64AtEveryPadding) {
  EXPECT_EQ("", Base64({}));
  EXPECT_EQ("Zg==", Base64(Bytes("f")));
  EXPECT_EQ("Zm8=", Base64(Bytes("fo")));
  EXPECT_EQ("Zm9v", Base64(Bytes("foo")));
  EXPECT_EQ("/+8A", Base64(Bytes("\xff\xef", 3)));
}

TEST(WebPageTest, PlacesFilledOnce) {
  WebPageParts parts;
  parts.html = "<title>@SOLVANE-TITLE@</title>@x@<style>@SOLVANE-STYLE@</style><script>@SOLVANE-SCRIPT@</script>"
               "@SOLVANE-MODULE@|@SOLVANE-DATA@|@SOLVANE-MUSIC-KIND@|@SOLVANE-MUSIC@";
  parts.title = "<A&B>";
  parts.style = "@SOLVANE-SCRIPT@";
  parts.script = "a@b";
  parts.module = Bytes("f");
  parts.data = Bytes("fo");
  std::string page, error;
  ASSERT_TRUE(ComposeWebPage(parts, page, error)) << error;
  EXPECT_EQ("<title>&lt;A&amp;B&gt;</title>@x@<style>@SOLVANE-SCRIPT@</style><script>a@b</script>Zg==|Zm8=||", page);
  parts.html = "@SOLVANE-TITLE@";
  EXPECT_FALSE(ComposeWebPage(parts, page, error));
  EXPECT_EQ("the page template has no @SOLVANE-DATA@", error);
}

}  // namespace
