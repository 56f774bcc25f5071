// Reads a texture script "Script/Texture/<name>": "Texture :", a colour line
// (ColorMap = "file" ; or Color = r, g, b ;), an alpha line (AlphaMap = "file" ;
// or Alpha = a ;), then builds the texture's texels. Null on any failure, and
// also when an error was reported earlier in the run.
#pragma once

#include <memory>

#include "VTex.h"

class KolText;

std::unique_ptr<VTex> LoadTextureScript(KolText& lexer, const char* name);
