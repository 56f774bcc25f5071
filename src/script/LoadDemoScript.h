// Reads the demo script "Script/<name>": entries "start - end EffectName ;",
// each loading "Script/Effect/EffectName.txt", giving the effect its span and a
// colour line as wide as the current surface, and adding it at the front of
// the effect list, which keeps it.
// Success or failure shows in the log's record count; a summary line
// "Script <name>: <n> Effects" is written once the script has opened.
#pragma once

class KolText;
class VList;

// Every effect keeps a colour line of its own (10 KB at 640 columns) and its
// tracks, so a script is held to this many: far more than a demo shows, few
// enough that loading one can never exhaust memory.
constexpr int kMaxDemoEffects = 10000;

void LoadDemoScript(KolText& lexer, const char* name, VList& effects);
