// Reads a float key track "Script/Float/<name>": keys "time : value ;", at
// most 1200 of them. A missing file gives null silently (the effect script
// reader decides what that means); syntax errors are reported as text errors.
#pragma once

#include <memory>

#include "FloatTrack.h"

class KolText;

constexpr int kMaxTrackKeys = 1200;

std::unique_ptr<FloatTrack> LoadFloatTrack(KolText& lexer, const char* name);
