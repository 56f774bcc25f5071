// Reads the demo script "Script/<name>": entries "start - end EffectName ;",
// each loading "Script/Effect/EffectName.txt", giving the effect its span and a
// colour line as wide as the current surface, and adding it to the demo.
// Success or failure shows in the log's record count; a summary line
// "Script <name>: <n> Effects" is written once the script has opened.
#pragma once

class KolText;
class VDemo;

void LoadDemoScript(KolText& lexer, const char* name, VDemo& demo);
