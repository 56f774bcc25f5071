#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KolData.h"
#include "KolLog.h"
#include "KolText.h"
#include "LoadEffectScript.h"
#include "LoadTextureScript.h"
#include "MemorySurface.h"
#include "TestSupport.h"
#include "VEffectEnd.h"
#include "VEffectParticle.h"
#include "VEffectScroller.h"
#include "VEffectWave.h"

namespace {

// An uncompressed TGA: type 2 (BGR, 24 bits) or 3 (grey, 8 bits), rows from
// the bottom up, no image ID.
std::string Tga(int width, int height, const std::vector<std::uint8_t>& pixels) {
  const bool grey = pixels.size() == static_cast<size_t>(width * height);
  std::string bytes(18, '\0');
  bytes[2] = grey ? 3 : 2;
  bytes[12] = static_cast<char>(width);
  bytes[14] = static_cast<char>(height);
  bytes[16] = grey ? 8 : 24;
  bytes.append(pixels.begin(), pixels.end());
  return bytes;
}

// Scripts go into a scratch directory registered as the default load source.
class ScriptReaderTest : public ::testing::Test {
 protected:
  ScriptReaderTest() {
    source_.Open(kKindDirectory, dir_.Path().c_str());
    source_.SetDefault(false);
  }

  void Write(const std::string& name, const std::string& text) { dir_.Write(name, text); }

  std::unique_ptr<VTex> LoadTexture(const std::string& name, const std::string& text) {
    Write("Script/Texture/" + name, text);
    KolText lexer;
    return LoadTextureScript(lexer, name.c_str());
  }

  std::unique_ptr<VEffect> LoadEffect(const std::string& name, const std::string& text) {
    Write("Script/Effect/" + name, text);
    KolText lexer;
    return LoadEffectScript(lexer, name.c_str());
  }

  void Track(const std::string& name, const std::string& keys) {
    Write("Script/Float/" + name + ".txt", keys);
  }

  static std::vector<int> Texel(const VTex& texture, int column, int row) {
    const std::uint8_t* t = texture.Texels() + 4 * (row * texture.width + column);
    return {t[0], t[1], t[2], t[3]};
  }

  // A track's value at t, or -999 when the track is missing.
  static float V(const std::unique_ptr<FloatTrack>& track, float t = 0.0f) {
    return track ? track->ValueAt(t) : -999.0f;
  }

  static const char* Header() { return "Alpha = Quarter;\nAdd = ThreeQuarters;\n"; }
  void HeaderTracks() {
    Track("Quarter", "0 : 0.25 ;");
    Track("ThreeQuarters", "0 : 0.75 ;");
  }

  LogCapture capture_;
  MemorySurface surface_;
  TempDir dir_;
  KolData source_;
};

// ---------------------------------------------------------------------------
// Texture scripts

TEST_F(ScriptReaderTest, ConstantColourAndAlphaMakeOneTexel) {
  auto texture = LoadTexture("Red.txt", "Texture:\nColor = 1, 0, 0;\nAlpha = 0.5;\n");
  ASSERT_NE(nullptr, texture);
  EXPECT_EQ(0, GlobalLog().RecordCount());
  EXPECT_EQ((std::vector<float>{1, 0, 0, 0.5f}),
            (std::vector<float>{texture->color[0], texture->color[1], texture->color[2],
                                texture->alpha}));
  EXPECT_EQ("", texture->colorMap + texture->alphaMap);
  ASSERT_EQ(1, texture->width * texture->height);
  EXPECT_EQ((std::vector<int>{0, 0, 255, 127}), Texel(*texture, 0, 0));
}

TEST_F(ScriptReaderTest, TextAfterTheAlphaLineIsIgnored) {
  auto texture = LoadTexture("Grey.txt", "/**/ Texture : Color=0.2,0.4,0.6 ; Alpha=1; junk = \"x");
  ASSERT_NE(nullptr, texture);
  EXPECT_EQ((std::vector<int>{153, 102, 51, 255}), Texel(*texture, 0, 0));
}

TEST_F(ScriptReaderTest, ColourMapWithAlphaMapFromTgaFiles) {
  // 2 x 2, bottom row first: blue, green / red, white.
  Write("Images/tile.tga", Tga(2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
  Write("Images/mask.tga", Tga(2, 2, {0, 85, 170, 255}));
  auto texture = LoadTexture("Tile.txt",
                             "Texture:\n"
                             "ColorMap = \"Images/\"  // folder\n"
                             "           \"tile.tga\";\n"
                             "AlphaMap = \"Images/mask.tga\";\n");
  ASSERT_NE(nullptr, texture) << capture_.Text();
  EXPECT_EQ("Images/tile.tga", texture->colorMap);
  EXPECT_EQ("Images/mask.tga", texture->alphaMap);
  ASSERT_EQ(2, texture->width);
  ASSERT_EQ(2, texture->height);
  EXPECT_EQ((std::vector<int>{255, 0, 0, 0}), Texel(*texture, 0, 0));
  EXPECT_EQ((std::vector<int>{0, 255, 0, 85}), Texel(*texture, 1, 0));
  EXPECT_EQ((std::vector<int>{0, 0, 255, 170}), Texel(*texture, 0, 1));
  EXPECT_EQ((std::vector<int>{255, 255, 255, 255}), Texel(*texture, 1, 1));
}

TEST_F(ScriptReaderTest, ColourLineMustComeFirstAndMatchExactly) {
  EXPECT_EQ(nullptr, LoadTexture("Swapped.txt", "Texture:\nAlpha = 0.5;\nColor = 1, 0, 0;\n"));
  EXPECT_EQ(
      "unknown color map\n"
      "Error: Script/Texture/Swapped.txt (line 2, column 7): E0003 - Syntax error\n\n",
      capture_.Text());
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ(kTextSyntax, GlobalLog().Record(0).detailCode);
}

TEST_F(ScriptReaderTest, LowerCaseColourMapWordIsUnknown) {
  EXPECT_EQ(nullptr, LoadTexture("Lower.txt", "Texture:\ncolormap = \"a.tga\";\nAlpha = 1;\n"));
  EXPECT_EQ(
      "unknown color map\n"
      "Error: Script/Texture/Lower.txt (line 2, column 10): E0003 - Syntax error\n\n",
      capture_.Text());
}

TEST_F(ScriptReaderTest, UnknownAlphaWord) {
  EXPECT_EQ(nullptr, LoadTexture("A.txt", "Texture:\nColor = 1, 1, 1;\nAlphamap = \"m.tga\";"));
  EXPECT_EQ(
      "unknown alpha map\n"
      "Error: Script/Texture/A.txt (line 3, column 10): E0003 - Syntax error\n\n",
      capture_.Text());
  EXPECT_EQ(1, GlobalLog().RecordCount());
}

TEST_F(ScriptReaderTest, MissingScriptsAreReported) {
  KolText lexer;
  EXPECT_EQ(nullptr, LoadTextureScript(lexer, "Missing.txt"));
  EXPECT_EQ(nullptr, LoadEffectScript(lexer, "Nope.txt"));
  ASSERT_EQ(2, GlobalLog().RecordCount());
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(kModuleText, GlobalLog().Record(i).moduleCode);
    EXPECT_EQ("KolText", GlobalLog().Record(i).moduleName);
    EXPECT_EQ(2, GlobalLog().Record(i).detailCode);
  }
  EXPECT_EQ("Could not open texture script Missing.txt", GlobalLog().Record(0).text);
  EXPECT_EQ("Could not open effect script Nope.txt", GlobalLog().Record(1).text);
}

TEST_F(ScriptReaderTest, MissingImageIsReportedByTheTexture) {
  EXPECT_EQ(nullptr, LoadTexture("Lost.txt", "Texture: ColorMap = \"gone.tga\"; Alpha = 1;"));
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ(kModuleTex, GlobalLog().Record(0).moduleCode);
  EXPECT_EQ("Can't load texture", GlobalLog().Record(0).text);
}

TEST_F(ScriptReaderTest, CorrectTextureAfterAnEarlierErrorIsNull) {
  KolText lexer;
  EXPECT_EQ(nullptr, LoadTextureScript(lexer, "Missing.txt"));
  EXPECT_EQ(nullptr, LoadTexture("Red.txt", "Texture: Color = 1, 0, 0; Alpha = 0.5;"));
  EXPECT_EQ(1, GlobalLog().RecordCount());
}

// ---------------------------------------------------------------------------
// Effect scripts

TEST_F(ScriptReaderTest, WaveFlashGetsItsTwoTracks) {
  HeaderTracks();
  auto effect = LoadEffect("Flash.txt", std::string(Header()) + "WaveFlash:\n");
  ASSERT_NE(nullptr, effect) << capture_.Text();
  EXPECT_NE(nullptr, dynamic_cast<VEffectWaveFlash*>(effect.get()));
  EXPECT_EQ(0.25f, V(effect->alphaTrack));
  EXPECT_EQ(0.75f, V(effect->addTrack));
  EXPECT_EQ(0, GlobalLog().RecordCount());
  // The reader leaves times and the colour line to the demo script.
  EXPECT_EQ(0, effect->line.Count());
}

TEST_F(ScriptReaderTest, WaveLargeIgnoresTextAfterItsColon) {
  HeaderTracks();
  auto effect = LoadEffect("Large.txt", std::string(Header()) + "WaveLarge : ;; junk \"");
  ASSERT_NE(nullptr, effect) << capture_.Text();
  EXPECT_NE(nullptr, dynamic_cast<VEffectWaveLarge*>(effect.get()));
  EXPECT_EQ(nullptr, dynamic_cast<VEffectWaveFlash*>(effect.get()));
}

TEST_F(ScriptReaderTest, AddBeforeAlphaFailsAtTheSecondLetter) {
  HeaderTracks();
  EXPECT_EQ(nullptr,
            LoadEffect("Swap.txt", "Add = ThreeQuarters;\nAlpha = Quarter;\nWaveLarge:\n"));
  EXPECT_EQ("Error: Script/Effect/Swap.txt (line 1, column 2): E0003 - Syntax error\n\n",
            capture_.Text());
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ(kTextSyntax, GlobalLog().Record(0).detailCode);
}

TEST_F(ScriptReaderTest, KindWordsAreCaseSensitive) {
  HeaderTracks();
  EXPECT_EQ(nullptr, LoadEffect("Lower.txt", std::string(Header()) + "waveflash:\n"));
  EXPECT_EQ(nullptr, LoadEffect("Other.txt", std::string(Header()) + "Tunnel:\n"));
  EXPECT_EQ(0, GlobalLog().RecordCount());
  EXPECT_EQ(std::string::npos, capture_.Text().find("Error"));
}

TEST_F(ScriptReaderTest, EndEffectReadsFadeAndSizeEvenWhenNamedLikeKinds) {
  HeaderTracks();
  Track("Fade", "0:0; 10:1;");
  Track("WaveLarge", "0:0.5;");
  auto effect = LoadEffect("End.txt", std::string(Header()) +
                                          "EndEffect:\n  Fade = Fade;\n  Size = WaveLarge;\n");
  ASSERT_NE(nullptr, effect) << capture_.Text();
  auto* end = dynamic_cast<VEffectEnd*>(effect.get());
  ASSERT_NE(nullptr, end);
  EXPECT_FLOAT_EQ(0.3f, V(end->fadeTrack, 3.0f));
  EXPECT_EQ(0.5f, V(end->sizeTrack));
  EXPECT_EQ(0.25f, V(end->alphaTrack));
}

TEST_F(ScriptReaderTest, ParticleGetsPositionAndTexture) {
  HeaderTracks();
  Write("Script/Texture/Red.txt", "Texture: Color = 1, 0, 0; Alpha = 0.5;");
  auto effect = LoadEffect("Sparks.txt", std::string(Header()) +
                                             "Particle:\nPosition = -0.25;\nTex = Red;\n");
  ASSERT_NE(nullptr, effect) << capture_.Text();
  auto* particle = dynamic_cast<VEffectParticle*>(effect.get());
  ASSERT_NE(nullptr, particle);
  ASSERT_NE(nullptr, particle->source);
  EXPECT_EQ(-0.25f, particle->source->originX);
  EXPECT_EQ(100, particle->source->particleCount);  // the other settings keep their defaults
  ASSERT_NE(nullptr, particle->source->texture);
  EXPECT_EQ((std::vector<int>{0, 0, 255, 127}), Texel(*particle->source->texture, 0, 0));
}

TEST_F(ScriptReaderTest, ScrollerGetsFourTracksAndTexture) {
  HeaderTracks();
  Track("D", "0:1;");
  Track("S", "0:2;");
  Track("YD", "0:3;");
  Track("YS", "0:4;");
  Write("Script/Texture/Red.txt", "Texture: Color = 1, 0, 0; Alpha = 0.5;");
  auto effect = LoadEffect("Scroll.txt", std::string(Header()) +
                                             "Scroller:\n"
                                             "Delta = D; Speed = S;\n"
                                             "YDelta = YD; YSpeed = YS;\n"
                                             "Tex = Red;\n");
  ASSERT_NE(nullptr, effect) << capture_.Text();
  auto* scroller = dynamic_cast<VEffectScroller*>(effect.get());
  ASSERT_NE(nullptr, scroller);
  EXPECT_EQ(1.0f, V(scroller->deltaTrack));
  EXPECT_EQ(2.0f, V(scroller->speedTrack));
  EXPECT_EQ(3.0f, V(scroller->yDeltaTrack));
  EXPECT_EQ(4.0f, V(scroller->ySpeedTrack));
  ASSERT_NE(nullptr, scroller->texture);
  EXPECT_EQ((std::vector<int>{0, 0, 255, 127}), Texel(*scroller->texture, 0, 0));
}

TEST_F(ScriptReaderTest, ScrollerWithoutSpeedLineFailsWhereItWasExpected) {
  HeaderTracks();
  Track("D", "0:1;");
  EXPECT_EQ(nullptr, LoadEffect("Scroll.txt", std::string(Header()) +
                                                  "Scroller:\n"
                                                  "Delta = D;\n"
                                                  "YDelta = D;\nYSpeed = D;\nTex = Red;\n"));
  EXPECT_EQ("Error: Script/Effect/Scroll.txt (line 5, column 1): E0003 - Syntax error\n\n",
            capture_.Text());
}

TEST_F(ScriptReaderTest, TrackSyntaxErrorNamesTheTrackFile) {
  Track("Bad", "0:1;\n2 3;\n");
  Track("ThreeQuarters", "0:0.75;");
  EXPECT_EQ(nullptr, LoadEffect("E.txt", "Alpha = Bad;\nAdd = ThreeQuarters;\nWaveLarge:\n"));
  EXPECT_EQ("Error: Script/Float/Bad.txt (line 2, column 3): E0003 - Syntax error\n\n",
            capture_.Text());
  EXPECT_EQ(1, GlobalLog().RecordCount());
}

TEST_F(ScriptReaderTest, MissingTrackGivesNullWithoutRecord) {
  Track("Quarter", "0:0.25;");
  EXPECT_EQ(nullptr, LoadEffect("E.txt", "Alpha = Quarter;\nAdd = Nothing;\nWaveLarge:\n"));
  HeaderTracks();
  EXPECT_EQ(nullptr, LoadEffect("F.txt", std::string(Header()) +
                                             "EndEffect: Fade = Quarter; Size = Gone;"));
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

TEST_F(ScriptReaderTest, TooManyKeysInATrackStopsTheEffect) {
  std::string keys;
  for (int i = 0; i <= 1200; ++i) keys += std::to_string(i) + ":0;\n";
  Track("Long", keys);
  Track("ThreeQuarters", "0:0.75;");
  // Reading stops at the track: the broken kind line after it is never reached.
  EXPECT_EQ(nullptr, LoadEffect("E.txt", "Alpha = Long;\nAdd = ThreeQuarters;\nWaveLarge;\n"));
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("Too many keys in Long.txt", GlobalLog().Record(0).text);
}

TEST_F(ScriptReaderTest, BrokenTextureStopsTheEffect) {
  HeaderTracks();
  Write("Script/Texture/Odd.txt", "Texture: Colour = 1, 0, 0; Alpha = 1;");
  EXPECT_EQ(nullptr, LoadEffect("P.txt", std::string(Header()) +
                                             "Particle: Position = 0; Tex = Odd;"));
  EXPECT_NE(std::string::npos,
            capture_.Text().find("unknown color map\nError: Script/Texture/Odd.txt (line 1"));
  EXPECT_EQ(1, GlobalLog().RecordCount());
}

TEST_F(ScriptReaderTest, MissingTextureScriptStopsTheEffect) {
  HeaderTracks();
  EXPECT_EQ(nullptr, LoadEffect("Q.txt", std::string(Header()) +
                                             "Particle: Position = 0; Tex = Absent;"));
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ("Could not open texture script Absent.txt", GlobalLog().Record(0).text);
}

TEST_F(ScriptReaderTest, EveryEffectIsNullAfterAnEarlierError) {
  HeaderTracks();
  GlobalLog().ReportError(kModuleSurface, "Test", 1, "earlier failure");
  EXPECT_EQ(nullptr, LoadEffect("W.txt", std::string(Header()) + "WaveLarge:"));
  EXPECT_EQ(nullptr, LoadEffect("F.txt", std::string(Header()) + "WaveFlash:"));
  Track("Fade", "0:1;");
  EXPECT_EQ(nullptr, LoadEffect("End.txt", std::string(Header()) +
                                               "EndEffect: Fade = Fade; Size = Fade;"));
  // Each stops at its first track, before the syntax error further on.
  EXPECT_EQ(nullptr, LoadEffect("Bad.txt", std::string(Header()) + "WaveLarge;"));
  EXPECT_EQ(1, GlobalLog().RecordCount());
}

}  // namespace
