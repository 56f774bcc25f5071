#include "LoadDemoScript.h"

#include <cmath>
#include <string>

#include "KolLog.h"
#include "KolText.h"
#include "LoadEffectScript.h"
#include "ScriptDiagnostics.h"
#include "VList.h"
#include "VSurface.h"

namespace {

// Author diagnostics on an entry's times: an effect that can never show, and
// one so long that the demo (and any strip or video of it) becomes huge.
void CheckEntryTimes(const std::string& path, int line, int column, const std::string& effect,
                     float start, float end) {
  ScriptDiagnostics& diagnostics = TheScriptDiagnostics();
  if (!diagnostics.Enabled()) return;
  if (!(end > start))
    diagnostics.AddWarning(path, line, column,
                           "effect " + effect + " ends at " + ScriptNumberText(end) +
                               " s, not after its start at " + ScriptNumberText(start) +
                               " s: it never shows");
  if (end > kLongDemoSeconds) {
    // The renderer's default rate; the demo plays until its last effect ends.
    const double frames = std::ceil(static_cast<double>(end) * 50.0);
    diagnostics.AddWarning(path, line, column,
                           "effect " + effect + " ends at " + ScriptNumberText(end) + " s (" +
                               ScriptNumberText(std::round(end / 360.0) / 10.0) +
                               " hours): the demo runs that long, and a strip or video of it at "
                               "50 fps has " + ScriptNumberText(frames) + " rows or frames");
  }
}

}  // namespace

void LoadDemoScript(KolText& lexer, const char* name, VList& effects) {
  const std::string path = std::string("Script/") + name;
  if (int opened = lexer.OpenText(path.c_str())) {
    TheLog().ReportError(kModuleText, "KolText", 1, "Could not open demo script %s", name);
    int line, column;
    const std::string why = lexer.ExplainOpenFailure(opened, "demo script", line, column);
    TheScriptDiagnostics().AddError(path, line, column, why);
    return;
  }
  int count = 0;
  int code = kTextOk;
  for (;;) {
    if ((code = lexer.SkipSpace()) != kTextOk) break;
    if (lexer.Current() == 0) break;
    float start = 0.0f, end = 0.0f;
    if (count == kMaxDemoEffects) {
      TheLog().ReportError(kModuleText, "KolText", 2, "Demo script %s holds more than %d effects",
                              name, kMaxDemoEffects);
      break;
    }
    const int entryLine = lexer.Line(), entryColumn = lexer.Column();
    lexer.Expecting("a start time (each entry is: start - end EffectName ;)");
    if ((code = lexer.ReadNumber()) != kTextOk) break;
    start = lexer.Number();
    lexer.Expecting("\"-\" between the start and end times");
    if ((code = lexer.Expect('-')) != kTextOk) break;
    lexer.Expecting("an end time after \"-\"");
    if ((code = lexer.ReadNumber()) != kTextOk) break;
    end = lexer.Number();
    const int nameLine = lexer.Line();
    lexer.Expecting("an effect name after the end time");
    if ((code = lexer.ReadWord()) != kTextOk) break;
    const std::string scriptName = lexer.Token();
    const std::string effectName = scriptName + ".txt";
    CheckEntryTimes(path, entryLine, entryColumn, lexer.Token(), start, end);

    KolText effectLexer;
    std::unique_ptr<VEffect> effect;
    {
      ScriptNamingScope naming(path, nameLine);
      effect = LoadEffectScript(effectLexer, effectName.c_str());
    }
    if (TheLog().RecordCount() != 0) break;  // already reported where it happened
    if (!effect) {
      TheLog().Print("unknown effect\n");
      code = kTextSyntax;
      break;
    }
    effect->startTime = start;
    effect->endTime = end;
    effect->name = scriptName;
    const VSurface* surface = CurrentSurface();
    effect->line.Allocate(surface ? surface->width : 0);
    // Added before its ";" is read: an entry missing it still leaves its effect.
    effects.AddEffect(std::move(effect));
    ++count;
    lexer.Expecting("\";\" after the effect name");
    if ((code = lexer.Expect(';')) != kTextOk) break;
  }
  TheLog().PrintLine("Script %s: %d Effects", name, count);
  if (code != kTextOk) lexer.ReportTextError(code);
  lexer.CloseFile();
}
