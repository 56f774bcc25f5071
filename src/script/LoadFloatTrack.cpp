#include "LoadFloatTrack.h"

#include <string>
#include <vector>

#include "KolLog.h"
#include "KolText.h"

std::unique_ptr<FloatTrack> LoadFloatTrack(KolText& lexer, const char* name) {
  const std::string path = std::string("Script/Float/") + name;
  if (lexer.OpenText(path.c_str()) != kTextOk) return nullptr;

  std::vector<FloatKey> keys;
  keys.reserve(kMaxTrackKeys);
  for (;;) {
    FloatKey key;
    int code = lexer.ReadNumber();
    key.time = lexer.Number();
    if (code == kTextOk) code = lexer.Expect(':');
    if (code == kTextOk) code = lexer.ReadNumber();
    key.value = lexer.Number();
    if (code == kTextOk) code = lexer.Expect(';');
    if (code != kTextOk) {
      lexer.ReportTextError(code);
      lexer.CloseFile();
      return nullptr;
    }
    keys.push_back(key);
    if (lexer.Current() == 0 || static_cast<int>(keys.size()) == kMaxTrackKeys) break;
  }
  if (lexer.Current() != 0)
    GlobalLog().ReportError(kModuleText, "KolText", 1, "Too many keys in %s", name);

  auto track = std::make_unique<FloatTrack>(std::move(keys));
  lexer.CloseFile();
  return track;
}
