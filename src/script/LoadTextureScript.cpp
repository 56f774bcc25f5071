#include "LoadTextureScript.h"

#include <cstring>
#include <string>

#include "KolLog.h"
#include "KolText.h"
#include "ScriptDiagnostics.h"
#include "VBitmap.h"

namespace {

constexpr const char* kColorLines = "ColorMap = \"file\" ; or Color = r, g, b ;";
constexpr const char* kAlphaLines = "AlphaMap = \"file\" ; or Alpha = a ;";

// Where each image was named, so a failing image can say which line named it.
struct NamedMaps {
  int colorMapLine = 0;
  int alphaMapLine = 0;
};

// A map's name as the data layer takes it, '\' read as '/'.
std::string SlashName(std::string name) {
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

// Reads a number that should lie within 0 to 1; one far outside is a slip
// (255 for 1.0) that the author hears about, though the texture still loads.
int ReadUnitNumber(KolText& lexer, const char* what, float& value) {
  const int line = lexer.Line(), column = lexer.Column();
  lexer.Expecting(std::string("a number for the ") + what);
  if (int r = lexer.ReadNumber()) return r;
  value = lexer.Number();
  if (FarOutsideUnit(value))
    TheScriptDiagnostics().AddWarning(lexer.FileName(), line, column,
                                         std::string("the ") + what + " " +
                                             ScriptNumberText(value) +
                                             " is far outside 0 to 1 (below -0.5 or above 2)");
  return kTextOk;
}

// The first word of a line, for the hint when it is none of the two allowed.
std::string UnknownLine(const char* word, const char* which, const char* lines) {
  std::string message = std::string("unknown ") + which + " line \"" + word + "\" (expected " +
                        lines + ")";
  if (std::strcmp(which, "colour") == 0 &&
      (std::strcmp(word, "AlphaMap") == 0 || std::strcmp(word, "Alpha") == 0))
    message += "; the colour line comes before the alpha line";
  return message;
}

int ReadColorLine(KolText& lexer, VTex& texture, NamedMaps& named) {
  const int line = lexer.Line(), column = lexer.Column();
  lexer.Expecting(std::string("a colour line (") + kColorLines + ")");
  if (int r = lexer.ReadWord()) return r;
  if (std::strcmp(lexer.Token(), "ColorMap") == 0) {
    lexer.Expecting("\"=\" after ColorMap");
    if (int r = lexer.Expect('=')) return r;
    named.colorMapLine = lexer.Line();
    lexer.Expecting("a quoted image file name after \"ColorMap =\"");
    if (int r = lexer.ReadQuoted()) return r;
    texture.colorMap = lexer.Token();
  } else if (std::strcmp(lexer.Token(), "Color") == 0) {
    lexer.Expecting("\"=\" after Color");
    if (int r = lexer.Expect('=')) return r;
    static const char* const kChannels[] = {"red", "green", "blue"};
    for (int i = 0; i < 3; ++i) {
      if (i > 0) {
        lexer.Expecting("\",\" between the colour's red, green and blue");
        if (int r = lexer.Expect(',')) return r;
      }
      if (int r = ReadUnitNumber(lexer, kChannels[i], texture.color[i])) return r;
    }
  } else {
    TheLog().Print("unknown color map\n");
    TheScriptDiagnostics().AddError(lexer.FileName(), line, column,
                                       UnknownLine(lexer.Token(), "colour", kColorLines));
    return kTextSyntax;
  }
  lexer.Expecting("\";\" at the end of the colour line");
  return lexer.Expect(';');
}

int ReadAlphaLine(KolText& lexer, VTex& texture, NamedMaps& named) {
  const int line = lexer.Line(), column = lexer.Column();
  lexer.Expecting(std::string("an alpha line (") + kAlphaLines + ")");
  if (int r = lexer.ReadWord()) return r;
  if (std::strcmp(lexer.Token(), "AlphaMap") == 0) {
    lexer.Expecting("\"=\" after AlphaMap");
    if (int r = lexer.Expect('=')) return r;
    named.alphaMapLine = lexer.Line();
    lexer.Expecting("a quoted image file name after \"AlphaMap =\"");
    if (int r = lexer.ReadQuoted()) return r;
    texture.alphaMap = lexer.Token();
  } else if (std::strcmp(lexer.Token(), "Alpha") == 0) {
    lexer.Expecting("\"=\" after Alpha");
    if (int r = lexer.Expect('=')) return r;
    if (int r = ReadUnitNumber(lexer, "alpha", texture.alpha)) return r;
  } else {
    TheLog().Print("unknown alpha map\n");
    TheScriptDiagnostics().AddError(lexer.FileName(), line, column,
                                       UnknownLine(lexer.Token(), "alpha", kAlphaLines));
    return kTextSyntax;
  }
  lexer.Expecting("\";\" at the end of the alpha line");
  return lexer.Expect(';');
}

}  // namespace

std::unique_ptr<VTex> LoadTextureScript(KolText& lexer, const char* name) {
  const std::string path = std::string("Script/Texture/") + name;
  if (int opened = lexer.OpenText(path.c_str())) {
    TheLog().ReportError(kModuleText, "KolText", 2, "Could not open texture script %s", name);
    int line, column;
    const std::string why = lexer.ExplainOpenFailure(opened, "texture script", line, column);
    TheScriptDiagnostics().AddError(path, line, column, why);
    return nullptr;
  }
  auto texture = std::make_unique<VTex>();
  NamedMaps named;
  lexer.Expecting("Texture (a texture script starts with \"Texture :\")");
  int code = lexer.ExpectKeyword("Texture");
  if (code == kTextOk) {
    lexer.Expecting("\":\" after Texture");
    code = lexer.Expect(':');
  }
  if (code == kTextOk) code = ReadColorLine(lexer, *texture, named);
  if (code == kTextOk) code = ReadAlphaLine(lexer, *texture, named);
  if (code != kTextOk) {
    lexer.ReportTextError(code);
    lexer.CloseFile();
    return nullptr;
  }
  const int recordsBefore = TheLog().RecordCount();
  ClearImageLoadProblem();
  const size_t matchesBefore = CaseMatches().size();
  texture->Load();
  for (size_t i = matchesBefore; i < CaseMatches().size(); ++i) {
    // The maps are read together; each match goes on the line of its map.
    const KolCaseMatch& match = CaseMatches()[i];
    const bool alpha = match.asked == SlashName(texture->alphaMap) &&
                       match.asked != SlashName(texture->colorMap);
    ScriptNamingScope naming(path, alpha ? named.alphaMapLine : named.colorMapLine);
    TheScriptDiagnostics().AddCaseWarning(match);
  }
  const ImageLoadProblem& problem = LastImageLoadProblem();
  if (TheLog().RecordCount() != recordsBefore && !problem.reason.empty()) {
    // The image is named by this script, on the line of its map.
    const bool alpha = problem.file == texture->alphaMap && problem.file != texture->colorMap;
    ScriptNamingScope naming(path, alpha ? named.alphaMapLine : named.colorMapLine);
    TheScriptDiagnostics().AddError(problem.file, 0, 0, "cannot be loaded: " + problem.reason);
  }
  lexer.CloseFile();
  if (TheLog().RecordCount() != 0) return nullptr;
  return texture;
}
