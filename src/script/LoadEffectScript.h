// Reads an effect script "Script/Effect/<name>": the Alpha and Add tracks, a
// kind word (EndEffect, WaveLarge, WaveFlash, Particle, Scroller) with a colon
// and that kind's lines, loading every track and texture it names. Null on any
// failure, including a kind word that is none of the five (without a message:
// the demo script reader reports that).
#pragma once

#include <memory>

#include "VEffect.h"

class KolText;

std::unique_ptr<VEffect> LoadEffectScript(KolText& lexer, const char* name);
