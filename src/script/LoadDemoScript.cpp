#include "LoadDemoScript.h"

#include <string>

#include "KolLog.h"
#include "KolText.h"
#include "LoadEffectScript.h"
#include "VList.h"
#include "VSurface.h"

void LoadDemoScript(KolText& lexer, const char* name, VList& effects) {
  const std::string path = std::string("Script/") + name;
  if (lexer.OpenText(path.c_str()) != kTextOk) {
    GlobalLog().ReportError(kModuleText, "KolText", 1, "Could not open demo script %s", name);
    return;
  }
  int count = 0;
  int code = kTextOk;
  for (;;) {
    if ((code = lexer.SkipSpace()) != kTextOk) break;
    if (lexer.Current() == 0) break;
    float start = 0.0f, end = 0.0f;
    if (count == kMaxDemoEffects) {
      GlobalLog().ReportError(kModuleText, "KolText", 2, "Demo script %s holds more than %d effects",
                              name, kMaxDemoEffects);
      break;
    }
    if ((code = lexer.ReadNumber()) != kTextOk) break;
    start = lexer.Number();
    if ((code = lexer.Expect('-')) != kTextOk) break;
    if ((code = lexer.ReadNumber()) != kTextOk) break;
    end = lexer.Number();
    if ((code = lexer.ReadWord()) != kTextOk) break;
    const std::string effectName = std::string(lexer.Token()) + ".txt";

    KolText effectLexer;
    std::unique_ptr<VEffect> effect = LoadEffectScript(effectLexer, effectName.c_str());
    if (GlobalLog().RecordCount() != 0) break;  // already reported where it happened
    if (!effect) {
      GlobalLog().Print("unknown effect\n");
      code = kTextSyntax;
      break;
    }
    effect->startTime = start;
    effect->endTime = end;
    const VSurface* surface = CurrentSurface();
    effect->line.Allocate(surface ? surface->width : 0);
    // Added before its ";" is read: an entry missing it still leaves its effect.
    effects.AddEffect(std::move(effect));
    ++count;
    if ((code = lexer.Expect(';')) != kTextOk) break;
  }
  GlobalLog().PrintLine("Script %s: %d Effects", name, count);
  if (code != kTextOk) lexer.ReportTextError(code);
  lexer.CloseFile();
}
