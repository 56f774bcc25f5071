#include "LoadEffectScript.h"

#include <cstring>
#include <string>

#include "KolLog.h"
#include "KolText.h"
#include "LoadFloatTrack.h"
#include "LoadTextureScript.h"
#include "ScriptDiagnostics.h"
#include "VEffectEnd.h"
#include "VEffectParticle.h"
#include "VEffectScroller.h"
#include "VEffectWave.h"

namespace {

// The orders in which each part's lines must come, for the author's hint when
// a line is missing or out of place.
constexpr const char* kHeaderOrder = "an effect script starts with Alpha = track ; Add = track ;";
constexpr const char* kEndOrder = "the EndEffect's parameters come in the order Fade, Size";
constexpr const char* kParticleOrder = "the Particle's parameters come in the order Position, Tex";
constexpr const char* kScrollerOrder =
    "the Scroller's parameters come in the order Delta, Speed, YDelta, YSpeed, Tex";
constexpr const char* kKindWords = "EndEffect, WaveLarge, WaveFlash, Particle or Scroller";

// The reading of one effect script: a lexer error code travels in code, and a
// stop without one (a missing track, an error reported elsewhere) in failed.
class EffectReader {
 public:
  EffectReader(KolText& lexer) : lexer_(lexer) {}

  // keyword = word ; with the word + ".txt" loaded as a track. The header's
  // tracks load before their ";" (trackFirst), the kind lines' after it.
  // order: how the part's lines go, for the author's hint.
  std::unique_ptr<FloatTrack> TrackLine(const char* keyword, bool trackFirst, const char* order) {
    if (!ReadAssignedWord(keyword, order, "a track name")) return nullptr;
    const std::string file = std::string(lexer_.Token()) + ".txt";
    if (!trackFirst && !Semicolon("the track name")) return nullptr;
    std::unique_ptr<FloatTrack> track;
    {
      ScriptNamingScope naming(lexer_.FileName(), nameLine_);
      track = LoadFloatTrack(subLexer_, file.c_str());
    }
    if (!track || TheLog().RecordCount() != 0) {
      failed_ = true;
      return nullptr;
    }
    if (std::strcmp(keyword, "Alpha") == 0) CheckAlphaTrack(*track, file);
    if (trackFirst && !Semicolon("the track name")) return nullptr;
    return track;
  }

  std::unique_ptr<VTex> TextureLine(const char* order) {
    if (!ReadAssignedWord("Tex", order, "a texture name")) return nullptr;
    const std::string file = std::string(lexer_.Token()) + ".txt";
    if (!Semicolon("the texture name")) return nullptr;
    std::unique_ptr<VTex> texture;
    {
      ScriptNamingScope naming(lexer_.FileName(), nameLine_);
      texture = LoadTextureScript(subLexer_, file.c_str());
    }
    if (TheLog().RecordCount() != 0) {
      failed_ = true;
      return nullptr;
    }
    return texture;
  }

  bool NumberLine(const char* keyword, float& value, const char* order) {
    lexer_.Expecting(std::string(keyword) + " (" + order + ")");
    if (!Step(lexer_.ExpectKeyword(keyword))) return false;
    lexer_.Expecting(std::string("\"=\" after ") + keyword);
    if (!Step(lexer_.Expect('='))) return false;
    lexer_.Expecting(std::string("a number after \"") + keyword + " =\"");
    if (!Step(lexer_.ReadNumber())) return false;
    value = lexer_.Number();
    return Semicolon("the number");
  }

  // The ":" after a kind word.
  bool Colon(const char* kind) {
    lexer_.Expecting(std::string("\":\" after ") + kind);
    return Step(lexer_.Expect(':'));
  }

  bool Step(int code) {
    if (code != kTextOk && code_ == kTextOk) code_ = code;
    return code == kTextOk;
  }

  bool Ok() const { return code_ == kTextOk && !failed_; }
  int Code() const { return code_; }

 private:
  bool ReadAssignedWord(const char* keyword, const char* order, const char* what) {
    lexer_.Expecting(std::string(keyword) + " (" + order + ")");
    if (!Step(lexer_.ExpectKeyword(keyword))) return false;
    lexer_.Expecting(std::string("\"=\" after ") + keyword);
    if (!Step(lexer_.Expect('='))) return false;
    nameLine_ = lexer_.Line();
    lexer_.Expecting(std::string(what) + " after \"" + keyword + " =\"");
    return Step(lexer_.ReadWord());
  }

  bool Semicolon(const char* after) {
    lexer_.Expecting(std::string("\";\" after ") + after);
    return Step(lexer_.Expect(';'));
  }

  // An alpha far outside 0 to 1 is almost always a slip (255 for 1.0); it is
  // clamped when blending, so the demo still runs.
  void CheckAlphaTrack(const FloatTrack& track, const std::string& file) {
    ScriptDiagnostics& diagnostics = TheScriptDiagnostics();
    if (!diagnostics.Enabled()) return;
    for (int i = 0; i < track.KeyCount(); ++i) {
      const FloatKey& key = track.Key(i);
      if (!FarOutsideUnit(key.value)) continue;
      diagnostics.AddWarning(lexer_.FileName(), nameLine_, 0,
                             "the Alpha track Script/Float/" + file + " has the value " +
                                 ScriptNumberText(key.value) + " (key at " +
                                 ScriptNumberText(key.time) +
                                 " s), far outside 0 to 1 (below -0.5 or above 2)");
      return;  // one line a track is enough to send the author there
    }
  }

  KolText& lexer_;
  KolText subLexer_;  // tracks and textures, opened once per sub-file
  int nameLine_ = 0;  // the line of the last track or texture name read
  int code_ = kTextOk;
  bool failed_ = false;
};

std::unique_ptr<VEffect> ReadKind(KolText& lexer, EffectReader& reader, const char* kind) {
  if (std::strcmp(kind, "EndEffect") == 0) {
    if (!reader.Colon(kind)) return nullptr;
    auto effect = std::make_unique<VEffectEnd>();
    if (!(effect->fadeTrack = reader.TrackLine("Fade", false, kEndOrder))) return nullptr;
    if (!(effect->sizeTrack = reader.TrackLine("Size", false, kEndOrder))) return nullptr;
    return effect;
  }
  if (std::strcmp(kind, "WaveLarge") == 0) {
    if (!reader.Colon(kind)) return nullptr;
    return std::make_unique<VEffectWaveLarge>();
  }
  if (std::strcmp(kind, "WaveFlash") == 0) {
    if (!reader.Colon(kind)) return nullptr;
    return std::make_unique<VEffectWaveFlash>();
  }
  if (std::strcmp(kind, "Particle") == 0) {
    if (!reader.Colon(kind)) return nullptr;
    auto effect = std::make_unique<VEffectParticle>();
    float position = 0.0f;
    if (!reader.NumberLine("Position", position, kParticleOrder)) return nullptr;
    effect->source = std::make_unique<VSourceGravityParticle>();
    effect->source->originX = position;
    if (!(effect->source->texture = reader.TextureLine(kParticleOrder))) return nullptr;
    return effect;
  }
  if (std::strcmp(kind, "Scroller") == 0) {
    if (!reader.Colon(kind)) return nullptr;
    auto effect = std::make_unique<VEffectScroller>();
    if (!(effect->deltaTrack = reader.TrackLine("Delta", false, kScrollerOrder))) return nullptr;
    if (!(effect->speedTrack = reader.TrackLine("Speed", false, kScrollerOrder))) return nullptr;
    if (!(effect->yDeltaTrack = reader.TrackLine("YDelta", false, kScrollerOrder))) return nullptr;
    if (!(effect->ySpeedTrack = reader.TrackLine("YSpeed", false, kScrollerOrder))) return nullptr;
    if (!(effect->texture = reader.TextureLine(kScrollerOrder))) return nullptr;
    return effect;
  }
  return nullptr;  // not a kind word: the caller says so
}

}  // namespace

std::unique_ptr<VEffect> LoadEffectScript(KolText& lexer, const char* name) {
  const std::string path = std::string("Script/Effect/") + name;
  if (int opened = lexer.OpenText(path.c_str())) {
    TheLog().ReportError(kModuleText, "KolText", 2, "Could not open effect script %s", name);
    int line, column;
    const std::string why = lexer.ExplainOpenFailure(opened, "effect script", line, column);
    TheScriptDiagnostics().AddError(path, line, column, why);
    return nullptr;
  }
  EffectReader reader(lexer);
  std::unique_ptr<VEffect> effect;
  std::unique_ptr<FloatTrack> alpha = reader.TrackLine("Alpha", true, kHeaderOrder);
  std::unique_ptr<FloatTrack> add = alpha ? reader.TrackLine("Add", true, kHeaderOrder) : nullptr;
  const int kindLine = lexer.Line(), kindColumn = lexer.Column();
  if (add) lexer.Expecting(std::string("an effect kind (") + kKindWords + ")");
  if (add && reader.Step(lexer.ReadWord())) {
    const std::string kind = lexer.Token();
    effect = ReadKind(lexer, reader, kind.c_str());
    if (!effect && reader.Ok() && TheLog().RecordCount() == 0)
      TheScriptDiagnostics().AddError(path, kindLine, kindColumn,
                                         "unknown effect kind \"" + kind + "\" (expected " +
                                             kKindWords + ")");
  }
  if (reader.Code() != kTextOk) lexer.ReportTextError(reader.Code());
  lexer.CloseFile();
  if (!reader.Ok() || !effect || TheLog().RecordCount() != 0) return nullptr;
  effect->alphaTrack = std::move(alpha);
  effect->addTrack = std::move(add);
  return effect;
}
