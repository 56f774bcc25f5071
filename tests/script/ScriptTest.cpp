// The script lexer and the readers of track, texture, effect and demo scripts.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "FloatTrack.h"
#include "KolData.h"
#include "KolLog.h"
#include "KolText.h"
#include "LoadDemoScript.h"
#include "LoadEffectScript.h"
#include "LoadFloatTrack.h"
#include "LoadTextureScript.h"
#include "MemorySurface.h"
#include "TestSupport.h"
#include "VEffectEnd.h"
#include "VEffectParticle.h"
#include "VEffectScroller.h"
#include "VEffectWave.h"
#include "VList.h"
#include "VSourceGravityParticle.h"

namespace {

std::string KindOf(const VEffect* effect) {
  if (dynamic_cast<const VEffectEnd*>(effect)) return "EndEffect";
  if (dynamic_cast<const VEffectWaveFlash*>(effect)) return "WaveFlash";
  if (dynamic_cast<const VEffectWaveLarge*>(effect)) return "WaveLarge";
  if (dynamic_cast<const VEffectParticle*>(effect)) return "Particle";
  return dynamic_cast<const VEffectScroller*>(effect) ? "Scroller" : "?";
}

std::string Syntax(const std::string& where) {
  return "Error: Script/" + where + "): E0003 - Syntax error\n\n";
}

// Scripts go into a scratch directory registered as the default load source,
// with tracks One, Zero, Quarter and effects Large, Flash, End using them.
class ScriptTest : public ::testing::Test {
 protected:
  ScriptTest() {
    source_.Open(kKindDirectory, dir_.Path().c_str());
    source_.SetDefault(false);
    for (auto [name, keys] : {std::pair{"One", "0:1;"}, {"Zero", "0:0;"}, {"Quarter", "0:0.25;"}})
      Write("Script/Float/" + std::string(name) + ".txt", keys);
    Write("Script/Effect/Large.txt", "Alpha = One; Add = Zero; WaveLarge:");
    Write("Script/Effect/Flash.txt", "Alpha = One; Add = Zero; WaveFlash:");
    Write("Script/Effect/End.txt", "Alpha = One; Add = Zero; EndEffect: Fade = One; Size = One;");
  }
  void Write(const std::string& name, const std::string& text) {
    dir_.Write(name, text);
    files_[name] = text;
  }
  int Open(KolText& text, const std::string& bytes) {
    Write("s.txt", bytes);
    return text.OpenText("s.txt");
  }
  // Reads a whole file as a parser would, picking the operation by the current
  // character, and lists what was read: words as they are, numbers as #value,
  // strings in quotes, punctuation as itself; then "=> code line:column".
  std::string Scan(const std::string& bytes) {
    Write("scan.txt", bytes);
    KolText text;
    std::string seen;
    int code = text.OpenText("scan.txt");
    while (code == kTextOk && text.Current() != 0) {
      const char c = text.Current();
      std::string piece(1, c);
      if (c == '"') {
        code = text.ReadQuoted();
        piece = '"' + std::string(text.Token()) + '"';
      } else if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') {
        code = text.ReadNumber();
        char number[32];
        std::snprintf(number, sizeof number, "#%g", text.Number());
        piece = number;
      } else if (c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        code = text.ReadWord();
        piece = text.Token();
      } else {
        code = text.Expect(c);
      }
      if (code == kTextOk) seen += piece + " ";
    }
    return seen + "=> " + std::to_string(code) + " " + std::to_string(text.Line()) + ":" +
           std::to_string(text.Column());
  }
  // Writes Script/<folder>/X.txt and reads it with the given reader.
  template <typename Reader>
  auto Read(Reader reader, const std::string& folder, const std::string& text) {
    Write("Script/" + folder + "/X.txt", text);
    KolText lexer;
    return reader(lexer, "X.txt");
  }
  // Whether the reader of the folder's scripts (Float, Texture or Effect) made
  // anything of the text.
  bool Reads(const std::string& folder, const std::string& text) {
    if (folder == "Float") return Read(LoadFloatTrack, folder, text) != nullptr;
    if (folder == "Texture") return Read(LoadTextureScript, folder, text) != nullptr;
    return Read(LoadEffectScript, folder, text) != nullptr;
  }
  // Loads a demo script; lists the effects from the front as "Kind start..end".
  std::string Demo(const std::string& text) {
    Write("Script/Demo.txt", text);
    KolText lexer;
    VList effects;
    LoadDemoScript(lexer, "Demo.txt", effects);
    std::string out;
    for (VList::Node* n = effects.First(); n != effects.End(); n = n->next) {
      char span[64];
      std::snprintf(span, sizeof span, " %g..%g", n->element->startTime, n->element->endTime);
      out += (out.empty() ? "" : ", ") + KindOf(n->element) + span;
      EXPECT_EQ(320, n->element->line.Count());  // the surface's width
    }
    return out;
  }
  // An empty log, and the text error latch open again, for the next case.
  static void FreshLog() {
    ResetTextErrorLatchForTest();
    TheLog().ResetForTest();
    TheLog().SetBufferOutput(true);
  }
  // The log holds exactly `text` and one record of code `detail` (none for 0).
  void ExpectLog(const std::string& text, int detail) {
    EXPECT_EQ(text, log_.Text());
    ASSERT_EQ(detail ? 1 : 0, TheLog().RecordCount());
    if (detail) { EXPECT_EQ(detail, TheLog().Record(0).detailCode); }
  }

  LogCapture log_;
  MemorySurface surface_{320, 200};
  TempDir dir_;
  KolData source_;
  std::map<std::string, std::string> files_;  // all written, by name
};
using KolTextTest = ScriptTest;
using ScriptReaderTest = ScriptTest;
using DemoScriptTest = ScriptTest;

TEST_F(KolTextTest, OpenTextAndWalkingALine) {
  KolText text;
  EXPECT_EQ(kTextUnexpectedEof, Open(text, "x"));
  EXPECT_EQ(kTextFileIo, Open(text, ""));
  EXPECT_EQ(kTextFileIo, text.OpenText("missing.txt"));
  EXPECT_EQ(kTextBadLineEnd, Open(text, "  \r X"));
  ASSERT_EQ(kTextOk, Open(text, "\r\nAlpha = Wave;"));  // a leading CR LF is a line end
  EXPECT_EQ(2, text.Line());
  EXPECT_EQ(1, text.Column());
  EXPECT_EQ(kTextOk, text.ExpectKeyword("Alpha"));
  EXPECT_EQ(kTextOk, text.Expect('='));
  EXPECT_EQ(kTextOk, text.ReadWord());
  EXPECT_STREQ("Wave", text.Token());
  EXPECT_EQ(kTextOk, text.Expect(';'));
  EXPECT_EQ(0, text.Current());
  // An LF-only file; a lone CR stops at its own position.
  EXPECT_EQ("one two => 0 5:1", Scan("\t// head\n  /* x */ one\n\ntwo\n"));
  EXPECT_EQ("=> 7 1:3", Scan("ab\rcd"));
}

TEST_F(KolTextTest, ReadNumberForms) {
  const struct { const char* input; int code; float value; char next; } cases[] = {
      {"1.5f;", kTextOk, 1.5f, ';'},    {".25;", kTextOk, 0.25f, ';'},
      {"+3;", kTextOk, 3.0f, ';'},      {"7. ;", kTextOk, 7.0f, ';'},
      {"1.2.3", kTextOk, 1.2f, '.'},    {"1e5", kTextOk, 1.0f, 'e'},
      {"5.f", kTextUnexpectedChar, 0, 0}, {"f;", kTextUnexpectedChar, 0, 0},
      {"- ", kTextSyntax, 0, 0},
  };
  for (const auto& c : cases) {
    KolText text;
    ASSERT_EQ(kTextOk, Open(text, c.input));
    EXPECT_EQ(c.code, text.ReadNumber()) << c.input;
    EXPECT_FLOAT_EQ(c.value, text.Number()) << c.input;
    if (c.code == kTextOk) { EXPECT_EQ(c.next, text.Current()) << c.input; }
  }
}

TEST_F(KolTextTest, ReadQuotedJoinsStringsAndRejectsLineEnds) {
  EXPECT_EQ("\"abcd\" ; => 0 1:17", Scan("\"ab\" /*c*/ \"cd\";"));
  EXPECT_EQ("\"a\\nz\" next => 0 4:5", Scan("\"a\\n\" // more\r\n\r\n  \"\" \"z\"\r\nnext"));
  EXPECT_EQ("", log_.Text());
  // A TAB becomes a blank worth one column, with one warning line.
  EXPECT_EQ("\"a b\" => 0 1:6", Scan("\"a\tb\""));
  EXPECT_EQ("Warning: KolText: TAB found in a string; replaced with a space.\n", log_.Text());
  EXPECT_EQ("=> 9 1:4", Scan("\"ab\r\ncd\""));
}

// Joined strings stop at the token limit however they are split, and any
// number of empty ones (as many lines as a script may have) join quickly.
TEST_F(KolTextTest, JoinedStringsHoldTheTokenLimit) {
  std::string parts, letters;
  for (int i = 0; i < 51; ++i) {
    parts += "\"abcde\"\n";
    letters += "abcde";
  }
  EXPECT_EQ("\"" + letters + "\" ; => 0 52:2", Scan(parts + ";"));  // 255 letters
  EXPECT_EQ("=> 6 52:2", Scan(parts + "\"f\""));  // the 256th letter
  std::string empties;
  for (int i = 0; i < 19998; ++i) empties += "\"\"\n";
  EXPECT_EQ("\"z\" => 0 19999:4", Scan(empties + "\"z\""));
}

TEST_F(KolTextTest, LimitsOnWordsLinesAndComments) {
  // The 256th letter stands at column 256: the word limit is reported there,
  // before the line limit, and the token keeps 255 letters.
  KolText text;
  ASSERT_EQ(kTextOk, Open(text, std::string(256, 'w') + ";"));
  EXPECT_EQ(kTextLongWord, text.ReadWord());
  EXPECT_EQ(std::string(255, 'w'), text.Token());
  EXPECT_EQ(256, text.Column());
  // 254 characters and a line end pass; 255 put the line end at column 257.
  EXPECT_EQ("a x => 0 3:2", Scan("a\n//" + std::string(252, '-') + "\r\nx"));
  EXPECT_EQ("=> 5 2:257", Scan("a\n//" + std::string(253, '-') + "\nx"));
  // Comments that run into the end of the text.
  EXPECT_EQ("=> 5 2:257", Scan("x\n// last line"));
  EXPECT_EQ("=> 5 2:257", Scan("x /* never\nclosed *"));
  // The 20000th line end is one too many.
  EXPECT_EQ("x => 0 20000:2", Scan(std::string(19999, '\n') + "x"));
  std::string lines;
  for (int i = 0; i < 20000; ++i) lines += "w\r\n";
  EXPECT_EQ("w => 4 20001:3", Scan(lines).substr(2 * 19998));
}

TEST_F(KolTextTest, OnlyTheFirstTextErrorIsReported) {
  KolText text;
  ASSERT_EQ(kTextOk, Open(text, "Alpha = ;"));
  text.ExpectKeyword("Alpha");
  text.Expect('=');
  ASSERT_EQ(kTextSyntax, text.Expect('x'));
  text.ReportTextError(kTextSyntax);
  const std::string first = "Error: s.txt (line 1, column 9): E0003 - Syntax error\n\n";
  ExpectLog(first, kTextSyntax);
  EXPECT_EQ(9, TheLog().Record(0).moduleCode);
  EXPECT_EQ("KolText", TheLog().Record(0).moduleName);
  KolText other;  // later errors, from this lexer or another one, are dropped
  ASSERT_EQ(kTextOk, Open(other, "x\n\n  Beta"));
  other.ReportTextError(kTextLongLine);
  text.ReportTextError(kTextLongLine);
  ExpectLog(first, kTextSyntax);

  // Codes outside 0..14 are reported as 15, each in a fresh run.
  for (int code : {15, -1}) {
    FreshLog();
    other.ReportTextError(code);
    ExpectLog("Error: s.txt (line 1, column 1): E0015 - Critical internal error!\n\n", 15);
  }
}

TEST(FloatTrackTest, ValueAtAndKeyPreparation) {
  for (float t : {-1000.0f, 7.5f}) EXPECT_EQ(5.0f, FloatTrack({{0.0f, 5.0f}}).ValueAt(t)) << t;
  const FloatTrack ramp({{0.0f, 0.0f}, {10.0f, 1.0f}});
  for (auto [t, v] : {std::pair{-1.f, 0.f}, {0.f, 0.f}, {5.f, 0.5f}, {10.f, 1.f}, {20.f, 1.f}})
    EXPECT_FLOAT_EQ(v, ramp.ValueAt(t)) << t;
  const FloatTrack zigzag({{0.0f, 0.0f}, {1.0f, 10.0f}, {3.0f, 0.0f}});
  EXPECT_FLOAT_EQ(5.0f, zigzag.ValueAt(2.0f));
  // Equal or earlier times move a millisecond behind the predecessor, never reordered.
  const FloatTrack equal({{0.0f, 0.0f}, {0.0f, 1.0f}});
  EXPECT_EQ(0.001f, equal.Key(1).time);
  EXPECT_FLOAT_EQ(1000.0f, equal.Key(0).slope);
  const FloatTrack back({{5.0f, 1.0f}, {2.0f, 3.0f}});
  EXPECT_EQ(5.0f + 0.001f, back.Key(1).time);
  EXPECT_EQ(3.0f, back.Key(1).value);
}

TEST_F(ScriptReaderTest, TrackKeepsTwelveHundredKeys) {
  std::string keys;
  for (int i = 0; i < 1201; ++i) keys += std::to_string(i) + " : " + std::to_string(i % 7) + ";\n";
  auto track = Read(LoadFloatTrack, "Float", keys);
  ASSERT_EQ(1200, track ? track->KeyCount() : 0);
  EXPECT_EQ(2.0f, track->ValueAt(1199.0f));  // 1199 % 7
  ExpectLog("Error: Too many keys in X.txt\n", 1);
  EXPECT_EQ(kModuleText, TheLog().Record(0).moduleCode);
}

TEST_F(ScriptReaderTest, TextureScripts) {
  auto red = Read(LoadTextureScript, "Texture", "Texture:\nColor = 1, 0, 0;\nAlpha = 0.5;\n");
  ASSERT_NE(nullptr, red);
  EXPECT_EQ(0x7FFF0000u, *reinterpret_cast<const std::uint32_t*>(red->Texels()));  // 0 0 255 127
  Write("Images/tile.tga", TgaFile(2, 1, 1, 24, 0, "\x10\x20\x30"));  // one texel
  auto tile = Read(LoadTextureScript, "Texture",
                   "Texture:\nColorMap = \"Images/\"  // folder\n  \"tile.tga\";\nAlpha = 1;\n");
  ASSERT_NE(nullptr, tile);
  EXPECT_EQ("Images/tile.tga", tile->colorMap);
  EXPECT_EQ(0xFF302010u, *reinterpret_cast<const std::uint32_t*>(tile->Texels()));
  ExpectLog("", 0);
}

TEST_F(ScriptReaderTest, EffectScriptsReadTheHeaderAndTheKind) {
  auto effect = Read(LoadEffectScript, "Effect", "Alpha = Quarter;\nAdd = One;\nWaveFlash:\n");
  ASSERT_NE(nullptr, dynamic_cast<VEffectWaveFlash*>(effect.get()));
  EXPECT_EQ(0.25f, effect->alphaTrack->ValueAt(0.0f));
  EXPECT_EQ(1.0f, effect->addTrack->ValueAt(0.0f));
  ExpectLog("", 0);
}

// Each failure reads as nothing and is reported where it stands (in the track
// file for an effect's track); an empty track and a lower-case effect kind
// (kind words are case-sensitive) read as nothing silently.
TEST_F(ScriptReaderTest, FailuresYieldNothingAndAreReportedWhereTheyStand) {
  Write("Script/Float/Bad.txt", "0:1;\n2 3;\n");
  const struct { const char *folder, *text; std::string log; int detail; } cases[] = {
      {"Float", "", "", 0},
      {"Float", "// no keys yet\n",
       "Error: Script/Float/X.txt (line 2, column 1): E0011 - Unexpected character\n\n",
       kTextUnexpectedChar},
      {"Texture", "Texture:\nAlpha = 1;\nColor = 1, 0, 0;",  // the colour line comes first
       "unknown color map\n" + Syntax("Texture/X.txt (line 2, column 7"), kTextSyntax},
      {"Texture", "Texture:\nColor = 1, 1, 1;\nAlphamap",
       "unknown alpha map\n" + Syntax("Texture/X.txt (line 3, column 9"), kTextSyntax},
      {"Effect", "Alpha = One; Add = One; waveflash:", "", 0},
      {"Effect", "Add = One;\nAlpha = One;\nWaveLarge:\n",  // at the second letter
       Syntax("Effect/X.txt (line 1, column 2"), kTextSyntax},
      {"Effect", "Alpha = One; Add = One;\nScroller:\nDelta = One;\nYDelta = One;\n",  // no Speed
       Syntax("Effect/X.txt (line 4, column 1"), kTextSyntax},
      {"Effect", "Alpha = Bad;\nAdd = One;\nWaveLarge:\n", Syntax("Float/Bad.txt (line 2, column 3"),
       kTextSyntax}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    FreshLog();
    EXPECT_FALSE(Reads(c.folder, c.text));
    ExpectLog(c.log, c.detail);
  }
}

TEST_F(ScriptReaderTest, TextureAndEffectReadersYieldNullAfterAnEarlierError) {
  TheLog().ReportError(kModuleSurface, "Test", 1, "earlier failure");
  EXPECT_FALSE(Reads("Texture", "Texture: Color = 1, 0, 0; Alpha = 1;"));
  EXPECT_FALSE(Reads("Effect", "Alpha = One; Add = Zero; WaveLarge:"));
  EXPECT_EQ(1, TheLog().RecordCount());
}

// The effects are listed last first, up to the first error; a script of zero
// or one byte cannot be opened.
TEST_F(DemoScriptTest, EntriesAreListedLastFirstUpToTheFirstError) {
  Write("Script/Effect/Odd.txt", "Alpha = One; Add = Zero; Tunnel:");
  const std::string cannotOpen = "Error: Could not open demo script Demo.txt\n";
  const struct { const char *text, *effects; std::string log; int detail; } cases[] = {
      {"// the timeline is empty for now\r\n/* nothing */\n\n", "", "Script Demo.txt: 0 Effects\n", 0},
      {"", "", cannotOpen, 1},
      {"\n", "", cannotOpen, 1},
      {"5-10 Large;\n12.5 - 20 Flash; 3 - 4\n  End\n;\n",
       "EndEffect 3..4, WaveFlash 12.5..20, WaveLarge 5..10",
       "Script Demo.txt: 3 Effects\n", 0},
      {"0 - 5 Large;\n5 - 9 Nope;\n9 - 12 Flash;\n", "WaveLarge 0..5",
       "KolDataStdio::Load: file [Script/Effect/Nope.txt] not found\n"
       "Error: Could not open effect script Nope.txt\nScript Demo.txt: 1 Effects\n", 2},
      {"0 - 5 Large;\n5 - 9 Flash", "WaveFlash 5..9, WaveLarge 0..5",  // no last semicolon
       "Script Demo.txt: 2 Effects\n" + Syntax("Demo.txt (line 2, column 12"), kTextSyntax},
      {"0 - 5 Large;\n1 - 2 Odd;\n", "WaveLarge 0..5",  // an unknown kind
       "unknown effect\nScript Demo.txt: 1 Effects\n" + Syntax("Demo.txt (line 2, column 10"),
       kTextSyntax}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    FreshLog();
    EXPECT_EQ(c.effects, Demo(c.text));
    ExpectLog(c.log, c.detail);
  }
}

// Thousands of entries load, up to the bound; one more is an error.
TEST_F(DemoScriptTest, HoldsAtMostTheBoundOfEffects) {
  std::string entries;
  for (int i = 0; i < kMaxDemoEffects; ++i) entries += "0-1 Large;\n";
  Write("Script/Demo.txt", entries);
  KolText lexer;
  VList full;
  LoadDemoScript(lexer, "Demo.txt", full);
  EXPECT_EQ(0, TheLog().RecordCount());
  EXPECT_NE(std::string::npos, log_.Text().find("Script Demo.txt: 10000 Effects\n"));
  Write("Script/Demo.txt", entries + "0-1 Large;");
  KolText again;
  VList over;
  LoadDemoScript(again, "Demo.txt", over);
  EXPECT_NE(std::string::npos,
            log_.Text().find("Error: Demo script Demo.txt holds more than 10000 effects\n"
                             "Script Demo.txt: 10000 Effects\n"));
  EXPECT_EQ(1, TheLog().RecordCount());
}

// All five kinds read from a directory and from a zip give the same lines.
TEST_F(DemoScriptTest, DirectoryAndArchiveGiveTheSameLines) {
  MemorySurface surface;  // 640 x 480
  // 4 x 2, bottom row black; top row blue, green, red, white.
  Write("Images/stripe.tga", TgaFile(2, 4, 2, 24, 0, std::string(12, '\0') +
                                     std::string("\xC8\0\0\0\xC8\0\0\0\xC8\xFF\xFF\xFF", 12)));
  for (auto [name, text] : {
           std::pair{"Demo", "0-30 End; 0-30 Large; 0-30 Flash; 0-30 Sparks; 0-30 Scroll;"},
           {"Effect/End", "Alpha = One; Add = Zero; EndEffect: Fade = Ramp; Size = Shrink;"},
           {"Effect/Sparks", "Alpha = One; Add = Zero; Particle: Position = 0.25; Tex = Red;"},
           {"Effect/Scroll", "Alpha = One; Add = Half; Scroller: Delta = Zero; Speed = Eighth;"
                             " YDelta = Half; YSpeed = Zero; Tex = Stripe;"},
           {"Float/Half", "0:0.5;"}, {"Float/Eighth", "0:0.125;"},
           {"Float/Ramp", "0:0;\n10:1;\n"}, {"Float/Shrink", "0:1;\n4:0.5;\n"},
           {"Texture/Red", "Texture: Color = 1, 0, 0; Alpha = 0.5;"},
           {"Texture/Stripe", "Texture: ColorMap = \"Images/stripe.tga\"; Alpha = 1;"}})
    Write("Script/" + std::string(name) + ".txt", text);
  std::vector<ZipMember> members;
  for (const auto& [name, bytes] : files_) members.push_back({name, bytes});
  const std::string zip = dir_.PathOf("demo.zip");
  ASSERT_TRUE(WriteZip(zip, members));

  // Per run: the kinds in list order, and each line rendered at t = 0, 1, 2, 5.
  std::string kinds[2];
  std::map<std::pair<std::string, float>, std::vector<float>> lines[2];
  for (int run = 0; run < 2; ++run) {
    KolData source;
    const std::string& root = run ? zip : dir_.Path();
    ASSERT_EQ(0, source.Open(run ? kKindArchive : kKindDirectory, root.c_str()));
    source.SetDefault(false);
    VList effects;
    KolText lexer;
    LoadDemoScript(lexer, "Demo.txt", effects);
    ResetParticlesForTest();
    for (VList::Node* n = effects.First(); n != effects.End(); n = n->next) {
      kinds[run] += KindOf(n->element) + " ";
      n->element->Prepare();
      for (float t : {0.0f, 1.0f, 2.0f, 5.0f}) {
        n->element->Render(t);
        const float* c = n->element->line.Colors();
        lines[run][{KindOf(n->element), t}].assign(c, c + 4 * 640);
      }
    }
  }
  EXPECT_EQ("Script Demo.txt: 5 Effects\nScript Demo.txt: 5 Effects\n", log_.Text());
  EXPECT_EQ(0, TheLog().RecordCount());
  EXPECT_EQ("Scroller Particle WaveFlash WaveLarge EndEffect ", kinds[0]);
  EXPECT_EQ(kinds[0], kinds[1]);
  EXPECT_TRUE(lines[0] == lines[1]);

  auto at = [&](const char* e, float t, int x, int k) { return lines[0].at({e, t})[4 * x + k]; };
  // End effect: at t=2 size 0.75 leaves 80 black columns a side, fade 0.2 between.
  EXPECT_EQ(0.0f, at("EndEffect", 2, 79, 0));
  EXPECT_FLOAT_EQ(0.2f, at("EndEffect", 2, 80, 0));
  EXPECT_FLOAT_EQ(0.5f, at("EndEffect", 5, 160, 0));
  // Waves: the ramp with its swaying ripple; the flash scales it by 1 + sin(5t)/2.
  EXPECT_NEAR(0.391196, at("WaveLarge", 0, 320, 1), 1e-5);
  EXPECT_NEAR(0.198744, at("WaveLarge", 1, 0, 0), 1e-5);
  EXPECT_NEAR(0.103454, at("WaveFlash", 1, 0, 0), 1e-5);
  // Scroller: the top texture row, four texels across; by t=2 moved one texel left.
  EXPECT_NEAR(200 / 255.0, at("Scroller", 0, 0, 0), 1e-5);
  EXPECT_NEAR(1.0, at("Scroller", 0, 600, 0), 1e-5);
  EXPECT_NEAR(200 / 255.0, at("Scroller", 2, 100, 1), 1e-5);
  // Particles cross the line at t=2 in the texture's red: no blue, some red.
  const std::vector<float>& p = lines[0].at({"Particle", 2.0f});
  int drawn = 0;
  for (int x = 0; x < 640; ++x)
    if (p[4 * x + 3] == 1.0f && ++drawn) { EXPECT_TRUE(p[4 * x] == 0 && p[4 * x + 2] > 0) << x; }
  EXPECT_GT(drawn, 0);
}

}  // namespace
