#include "LoadEffectScript.h"

#include <cstring>
#include <string>

#include "KolLog.h"
#include "KolText.h"
#include "LoadFloatTrack.h"
#include "LoadTextureScript.h"
#include "VEffectEnd.h"
#include "VEffectParticle.h"
#include "VEffectScroller.h"
#include "VEffectWave.h"

namespace {

// The reading of one effect script: a lexer error code travels in code, and a
// stop without one (a missing track, an error reported elsewhere) in failed.
class EffectReader {
 public:
  EffectReader(KolText& lexer) : lexer_(lexer) {}

  // keyword = word ; with the word + ".txt" loaded as a track. The header's
  // tracks load before their ";" (trackFirst), the kind lines' after it.
  std::unique_ptr<FloatTrack> TrackLine(const char* keyword, bool trackFirst) {
    if (!ReadAssignedWord(keyword)) return nullptr;
    const std::string file = std::string(lexer_.Token()) + ".txt";
    if (!trackFirst && !Step(lexer_.Expect(';'))) return nullptr;
    std::unique_ptr<FloatTrack> track = LoadFloatTrack(subLexer_, file.c_str());
    if (!track || GlobalLog().RecordCount() != 0) {
      failed_ = true;
      return nullptr;
    }
    if (trackFirst && !Step(lexer_.Expect(';'))) return nullptr;
    return track;
  }

  std::unique_ptr<VTex> TextureLine() {
    if (!ReadAssignedWord("Tex")) return nullptr;
    const std::string file = std::string(lexer_.Token()) + ".txt";
    if (!Step(lexer_.Expect(';'))) return nullptr;
    std::unique_ptr<VTex> texture = LoadTextureScript(subLexer_, file.c_str());
    if (GlobalLog().RecordCount() != 0) {
      failed_ = true;
      return nullptr;
    }
    return texture;
  }

  bool NumberLine(const char* keyword, float& value) {
    if (!Step(lexer_.ExpectKeyword(keyword)) || !Step(lexer_.Expect('=')) ||
        !Step(lexer_.ReadNumber()))
      return false;
    value = lexer_.Number();
    return Step(lexer_.Expect(';'));
  }

  bool Step(int code) {
    if (code != kTextOk && code_ == kTextOk) code_ = code;
    return code == kTextOk;
  }

  bool Ok() const { return code_ == kTextOk && !failed_; }
  int Code() const { return code_; }

 private:
  bool ReadAssignedWord(const char* keyword) {
    return Step(lexer_.ExpectKeyword(keyword)) && Step(lexer_.Expect('=')) &&
           Step(lexer_.ReadWord());
  }

  KolText& lexer_;
  KolText subLexer_;  // tracks and textures, opened once per sub-file
  int code_ = kTextOk;
  bool failed_ = false;
};

std::unique_ptr<VEffect> ReadKind(KolText& lexer, EffectReader& reader, const char* kind) {
  if (std::strcmp(kind, "EndEffect") == 0) {
    if (!reader.Step(lexer.Expect(':'))) return nullptr;
    auto effect = std::make_unique<VEffectEnd>();
    if (!(effect->fadeTrack = reader.TrackLine("Fade", false))) return nullptr;
    if (!(effect->sizeTrack = reader.TrackLine("Size", false))) return nullptr;
    return effect;
  }
  if (std::strcmp(kind, "WaveLarge") == 0) {
    if (!reader.Step(lexer.Expect(':'))) return nullptr;
    return std::make_unique<VEffectWaveLarge>();
  }
  if (std::strcmp(kind, "WaveFlash") == 0) {
    if (!reader.Step(lexer.Expect(':'))) return nullptr;
    return std::make_unique<VEffectWaveFlash>();
  }
  if (std::strcmp(kind, "Particle") == 0) {
    if (!reader.Step(lexer.Expect(':'))) return nullptr;
    auto effect = std::make_unique<VEffectParticle>();
    float position = 0.0f;
    if (!reader.NumberLine("Position", position)) return nullptr;
    effect->source = std::make_unique<VSourceGravityParticle>();
    effect->source->originX = position;
    if (!(effect->source->texture = reader.TextureLine())) return nullptr;
    return effect;
  }
  if (std::strcmp(kind, "Scroller") == 0) {
    if (!reader.Step(lexer.Expect(':'))) return nullptr;
    auto effect = std::make_unique<VEffectScroller>();
    if (!(effect->deltaTrack = reader.TrackLine("Delta", false))) return nullptr;
    if (!(effect->speedTrack = reader.TrackLine("Speed", false))) return nullptr;
    if (!(effect->yDeltaTrack = reader.TrackLine("YDelta", false))) return nullptr;
    if (!(effect->ySpeedTrack = reader.TrackLine("YSpeed", false))) return nullptr;
    if (!(effect->texture = reader.TextureLine())) return nullptr;
    return effect;
  }
  return nullptr;  // not a kind word: the caller says so
}

}  // namespace

std::unique_ptr<VEffect> LoadEffectScript(KolText& lexer, const char* name) {
  const std::string path = std::string("Script/Effect/") + name;
  if (lexer.OpenText(path.c_str()) != kTextOk) {
    GlobalLog().ReportError(kModuleText, "KolText", 2, "Could not open effect script %s", name);
    return nullptr;
  }
  EffectReader reader(lexer);
  std::unique_ptr<VEffect> effect;
  std::unique_ptr<FloatTrack> alpha = reader.TrackLine("Alpha", true);
  std::unique_ptr<FloatTrack> add = alpha ? reader.TrackLine("Add", true) : nullptr;
  if (add && reader.Step(lexer.ReadWord())) {
    const std::string kind = lexer.Token();
    effect = ReadKind(lexer, reader, kind.c_str());
  }
  if (reader.Code() != kTextOk) lexer.ReportTextError(reader.Code());
  lexer.CloseFile();
  if (!reader.Ok() || !effect || GlobalLog().RecordCount() != 0) return nullptr;
  effect->alphaTrack = std::move(alpha);
  effect->addTrack = std::move(add);
  return effect;
}
