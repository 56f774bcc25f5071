#include "LoadFloatTrack.h"

#include <string>
#include <vector>

#include "KolLog.h"
#include "KolText.h"
#include "ScriptDiagnostics.h"

std::unique_ptr<FloatTrack> LoadFloatTrack(KolText& lexer, const char* name) {
  const std::string path = std::string("Script/Float/") + name;
  if (int opened = lexer.OpenText(path.c_str())) {
    // Nothing for the log: the effect script decides what a missing track means.
    int line, column;
    const std::string why = lexer.ExplainOpenFailure(opened, "track file", line, column);
    TheScriptDiagnostics().AddError(path, line, column, why);
    return nullptr;
  }
  const bool diagnosing = TheScriptDiagnostics().Enabled();

  std::vector<FloatKey> keys;
  keys.reserve(kMaxTrackKeys);
  for (;;) {
    FloatKey key;
    const int keyLine = lexer.Line(), keyColumn = lexer.Column();
    lexer.Expecting("a key time (each key is: time : value ;)");
    int code = lexer.ReadNumber();
    key.time = lexer.Number();
    if (code == kTextOk) {
      lexer.Expecting("\":\" after the key time");
      code = lexer.Expect(':');
    }
    if (code == kTextOk) {
      lexer.Expecting("a key value after \":\"");
      code = lexer.ReadNumber();
    }
    key.value = lexer.Number();
    if (code == kTextOk) {
      lexer.Expecting("\";\" after the key value");
      code = lexer.Expect(';');
    }
    if (code != kTextOk) {
      lexer.ReportTextError(code);
      lexer.CloseFile();
      return nullptr;
    }
    // Equal times are the way to write a jump; an earlier time is a slip that
    // PrepareKeys quietly turns into one.
    if (diagnosing && !keys.empty() && key.time < keys.back().time)
      TheScriptDiagnostics().AddWarning(
          path, keyLine, keyColumn,
          "key time " + ScriptNumberText(key.time) + " comes before the previous key's " +
              ScriptNumberText(keys.back().time) +
              ": keys must be in time order (this one is moved to 0.001 s after it)");
    keys.push_back(key);
    if (lexer.Current() == 0 || static_cast<int>(keys.size()) == kMaxTrackKeys) break;
  }
  if (lexer.Current() != 0)
    TheLog().ReportError(kModuleText, "KolText", 1, "Too many keys in %s", name);

  auto track = std::make_unique<FloatTrack>(std::move(keys));
  lexer.CloseFile();
  return track;
}
