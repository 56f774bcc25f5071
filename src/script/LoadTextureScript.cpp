#include "LoadTextureScript.h"

#include <cstring>
#include <string>

#include "KolLog.h"
#include "KolText.h"

namespace {

int ReadColorLine(KolText& lexer, VTex& texture) {
  if (int r = lexer.ReadWord()) return r;
  if (std::strcmp(lexer.Token(), "ColorMap") == 0) {
    if (int r = lexer.Expect('=')) return r;
    if (int r = lexer.ReadQuoted()) return r;
    texture.colorMap = lexer.Token();
  } else if (std::strcmp(lexer.Token(), "Color") == 0) {
    if (int r = lexer.Expect('=')) return r;
    for (int i = 0; i < 3; ++i) {
      if (i > 0)
        if (int r = lexer.Expect(',')) return r;
      if (int r = lexer.ReadNumber()) return r;
      texture.color[i] = lexer.Number();
    }
  } else {
    GlobalLog().Print("unknown color map\n");
    return kTextSyntax;
  }
  return lexer.Expect(';');
}

int ReadAlphaLine(KolText& lexer, VTex& texture) {
  if (int r = lexer.ReadWord()) return r;
  if (std::strcmp(lexer.Token(), "AlphaMap") == 0) {
    if (int r = lexer.Expect('=')) return r;
    if (int r = lexer.ReadQuoted()) return r;
    texture.alphaMap = lexer.Token();
  } else if (std::strcmp(lexer.Token(), "Alpha") == 0) {
    if (int r = lexer.Expect('=')) return r;
    if (int r = lexer.ReadNumber()) return r;
    texture.alpha = lexer.Number();
  } else {
    GlobalLog().Print("unknown alpha map\n");
    return kTextSyntax;
  }
  return lexer.Expect(';');
}

}  // namespace

std::unique_ptr<VTex> LoadTextureScript(KolText& lexer, const char* name) {
  const std::string path = std::string("Script/Texture/") + name;
  if (lexer.OpenText(path.c_str()) != kTextOk) {
    GlobalLog().ReportError(kModuleText, "KolText", 2, "Could not open texture script %s", name);
    return nullptr;
  }
  auto texture = std::make_unique<VTex>();
  int code = lexer.ExpectKeyword("Texture");
  if (code == kTextOk) code = lexer.Expect(':');
  if (code == kTextOk) code = ReadColorLine(lexer, *texture);
  if (code == kTextOk) code = ReadAlphaLine(lexer, *texture);
  if (code != kTextOk) {
    lexer.ReportTextError(code);
    lexer.CloseFile();
    return nullptr;
  }
  texture->Load();
  lexer.CloseFile();
  if (GlobalLog().RecordCount() != 0) return nullptr;
  return texture;
}
