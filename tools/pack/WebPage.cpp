#include "WebPage.h"

#include <cstring>
#include <map>

namespace {

bool At(const std::vector<char>& bytes, std::size_t offset, const char* text) {
  const std::size_t length = std::strlen(text);
  return bytes.size() >= offset + length && std::memcmp(bytes.data() + offset, text, length) == 0;
}

// The signatures a MOD file carries at 1080: its channel count and tracker.
bool IsModSignature(const std::vector<char>& bytes) {
  static const char* const kSignatures[] = {"M.K.", "M!K!", "M&K!", "FLT4", "FLT8", "4CHN", "6CHN", "8CHN",
                                            "CD81", "OKTA", "16CH", "32CH"};
  for (const char* signature : kSignatures)
    if (At(bytes, 1080, signature)) return true;
  return false;
}

std::string HtmlText(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

}  // namespace

std::string MusicKind(const std::vector<char>& music) {
  if (music.empty()) return "";
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(music[i]); };
  if (At(music, 0, "ID3") || (music.size() > 1 && byte(0) == 0xff && (byte(1) & 0xe0) == 0xe0)) return "mp3";
  if (At(music, 0, "OggS")) return "ogg";
  if (At(music, 0, "RIFF") && At(music, 8, "WAVE")) return "wav";
  if (At(music, 0, "fLaC")) return "flac";
  if (At(music, 0, "Extended Module:") || At(music, 0, "IMPM") || At(music, 44, "SCRM") || IsModSignature(music))
    return "module";
  return "audio";
}

std::string Base64(const std::vector<char>& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t left = bytes.size() - i;
    const unsigned value = static_cast<unsigned char>(bytes[i]) << 16 |
                           (left > 1 ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0u) |
                           (left > 2 ? static_cast<unsigned char>(bytes[i + 2]) : 0u);
    text += kDigits[value >> 18 & 63];
    text += kDigits[value >> 12 & 63];
    text += left > 1 ? kDigits[value >> 6 & 63] : '=';
    text += left > 2 ? kDigits[value & 63] : '=';
  }
  return text;
}

bool ComposeWebPage(const WebPageParts& parts, std::string& page, std::string& error) {
  const std::string title = HtmlText(parts.title);
  const std::map<std::string, std::string> places = {
      {"@SOLVANE-TITLE@", title},
      {"@SOLVANE-STYLE@", parts.style},
      {"@SOLVANE-SCRIPT@", parts.script},
      {"@SOLVANE-MODULE@", Base64(parts.module)},
      {"@SOLVANE-DATA@", Base64(parts.data)},
      {"@SOLVANE-MUSIC-KIND@", MusicKind(parts.music)},
      {"@SOLVANE-MUSIC@", Base64(parts.music)},
  };
  for (const auto& place : places) {
    if (parts.html.find(place.first) == std::string::npos) {
      error = "the page template has no " + place.first;
      return false;
    }
  }
  // One pass over the template only: what is put in is never searched again.
  page.clear();
  std::size_t from = 0;
  while (from < parts.html.size()) {
    const std::size_t at = parts.html.find('@', from);
    if (at == std::string::npos) break;
    const std::size_t end = parts.html.find('@', at + 1);
    const auto place = end == std::string::npos ? places.end() : places.find(parts.html.substr(at, end - at + 1));
    if (place == places.end()) {
      page.append(parts.html, from, at + 1 - from);
      from = at + 1;
      continue;
    }
    page.append(parts.html, from, at - from);
    page += place->second;
    from = end + 1;
  }
  page.append(parts.html, from, std::string::npos);
  return true;
}
