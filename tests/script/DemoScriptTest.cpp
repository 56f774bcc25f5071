#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "KolData.h"
#include "KolLog.h"
#include "KolText.h"
#include "LoadDemoScript.h"
#include "MemorySurface.h"
#include "TestSupport.h"
#include "VColorLine.h"
#include "VDemo.h"
#include "VEffectEnd.h"
#include "VEffectParticle.h"
#include "VEffectScroller.h"
#include "VEffectWave.h"
#include "VSourceGravityParticle.h"

namespace {

std::vector<VEffect*> EffectList(const VDemo& demo) {
  std::vector<VEffect*> list;
  for (VList::Node* n = demo.effects.First(); n != demo.effects.End(); n = n->next)
    list.push_back(n->element);
  return list;
}

std::string KindOf(const VEffect* effect) {
  if (dynamic_cast<const VEffectEnd*>(effect)) return "EndEffect";
  if (dynamic_cast<const VEffectWaveFlash*>(effect)) return "WaveFlash";
  if (dynamic_cast<const VEffectWaveLarge*>(effect)) return "WaveLarge";
  if (dynamic_cast<const VEffectParticle*>(effect)) return "Particle";
  if (dynamic_cast<const VEffectScroller*>(effect)) return "Scroller";
  return "?";
}

// The effect list from the front, as "Kind start..end" items.
std::string Describe(const VDemo& demo) {
  std::string out;
  for (const VEffect* effect : EffectList(demo)) {
    char span[64];
    std::snprintf(span, sizeof span, " %g..%g", effect->startTime, effect->endTime);
    out += (out.empty() ? "" : ", ") + KindOf(effect) + span;
  }
  return out;
}

// A small demo on a 320-pixel surface: three working effect scripts (Large,
// Flash, End) and the tracks they use.
class DemoScriptTest : public ::testing::Test {
 protected:
  DemoScriptTest() {
    source_.Open(kKindDirectory, dir_.Path().c_str());
    source_.SetDefault(false);
    Write("Script/Float/One.txt", "0:1;");
    Write("Script/Float/Zero.txt", "0:0;");
    Write("Script/Effect/Large.txt", "Alpha = One; Add = Zero; WaveLarge:");
    Write("Script/Effect/Flash.txt", "Alpha = One; Add = Zero; WaveFlash:");
    Write("Script/Effect/End.txt", "Alpha = One; Add = Zero; EndEffect: Fade = One; Size = One;");
  }

  void Write(const std::string& name, const std::string& text) { dir_.Write(name, text); }

  void LoadDemo(const std::string& text) {
    Write("Script/Demo.txt", text);
    KolText lexer;
    LoadDemoScript(lexer, "Demo.txt", demo_);
  }

  LogCapture capture_;
  MemorySurface surface_{320, 200};
  TempDir dir_;
  KolData source_;
  VDemo demo_;
};

TEST_F(DemoScriptTest, CommentsOnlyLoadNothingWithoutError) {
  LoadDemo("// the timeline is empty for now\r\n/* nothing */\n\n");
  EXPECT_EQ("Script Demo.txt: 0 Effects\n", capture_.Text());
  EXPECT_EQ(0, GlobalLog().RecordCount());
  EXPECT_TRUE(EffectList(demo_).empty());
}

TEST_F(DemoScriptTest, TooShortOrMissingScriptsCannotBeOpened) {
  for (const char* text : {"", "\n"}) LoadDemo(text);
  KolText lexer;
  LoadDemoScript(lexer, "Other.txt", demo_);
  EXPECT_TRUE(EffectList(demo_).empty());
  ASSERT_EQ(3, GlobalLog().RecordCount());
  for (int i = 0; i < 3; ++i) {
    const KolLogRecord& r = GlobalLog().Record(i);
    EXPECT_EQ(kModuleText, r.moduleCode);
    EXPECT_EQ("KolText", r.moduleName);
    EXPECT_EQ(1, r.detailCode);
    EXPECT_EQ(i < 2 ? "Could not open demo script Demo.txt" : "Could not open demo script Other.txt",
              r.text);
  }
  EXPECT_EQ(std::string::npos, capture_.Text().find("Effects"));  // no summary
}

TEST_F(DemoScriptTest, ThreeEntriesAreListedLastFirstWithTimesAndLines) {
  LoadDemo("0 - 10 Large;\n12.5 - 20 Flash; 3 - 4\n  End\n;\n");
  EXPECT_EQ("Script Demo.txt: 3 Effects\n", capture_.Text());
  EXPECT_EQ(0, GlobalLog().RecordCount());
  // The list starts with the last entry.
  EXPECT_EQ("EndEffect 3..4, WaveFlash 12.5..20, WaveLarge 0..10", Describe(demo_));
  const std::vector<VEffect*> list = EffectList(demo_);
  for (VEffect* effect : list) {
    EXPECT_EQ(320, effect->line.Count());  // the surface's width
    ASSERT_NE(nullptr, effect->alphaTrack);
    EXPECT_EQ(1.0f, effect->alphaTrack->ValueAt(0.0f));
  }
  EXPECT_NE(list[0]->line.Colors(), list[1]->line.Colors());
}

TEST_F(DemoScriptTest, TimesAreTakenAsWritten) {
  LoadDemo("5-10 Large;\n1.5 - -2 Flash;\n-3--1End;\n");
  EXPECT_EQ(0, GlobalLog().RecordCount()) << capture_.Text();
  EXPECT_EQ("EndEffect -3..-1, WaveFlash 1.5..-2, WaveLarge 5..10", Describe(demo_));
}

TEST_F(DemoScriptTest, MissingEffectScriptStopsWithTheCountSoFar) {
  LoadDemo("0 - 5 Large;\n5 - 9 Nope;\n9 - 12 Flash;\n");
  const std::string text = capture_.Text();
  EXPECT_NE(std::string::npos, text.find("Error: Could not open effect script Nope.txt\n"
                                         "Script Demo.txt: 1 Effects\n"))
      << text;
  EXPECT_EQ(std::string::npos, text.find("Syntax error"));
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ(2, GlobalLog().Record(0).detailCode);
  EXPECT_EQ("WaveLarge 0..5", Describe(demo_));
}

TEST_F(DemoScriptTest, MissingSemicolonAtTheEndKeepsTheEffect) {
  LoadDemo("0 - 5 Large;\n5 - 9 Flash");
  EXPECT_EQ(
      "Script Demo.txt: 2 Effects\n"
      "Error: Script/Demo.txt (line 2, column 12): E0003 - Syntax error\n\n",
      capture_.Text());
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ(kTextSyntax, GlobalLog().Record(0).detailCode);
  EXPECT_EQ("WaveFlash 5..9, WaveLarge 0..5", Describe(demo_));
}

TEST_F(DemoScriptTest, SyntaxErrorInTheTimes) {
  LoadDemo("0 - 5 Large;\n\t7 to 9 Flash;\n");
  EXPECT_EQ(
      "Script Demo.txt: 1 Effects\n"
      "Error: Script/Demo.txt (line 2, column 7): E0003 - Syntax error\n\n",
      capture_.Text());
}

TEST_F(DemoScriptTest, UnknownKindIsReportedAfterTheEffectName) {
  Write("Script/Effect/Odd.txt", "Alpha = One; Add = Zero; Tunnel:");
  LoadDemo("0 - 5 Large;\n1 - 2 Odd;\n");
  EXPECT_EQ(
      "unknown effect\n"
      "Script Demo.txt: 1 Effects\n"
      "Error: Script/Demo.txt (line 2, column 10): E0003 - Syntax error\n\n",
      capture_.Text());
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ(1u, EffectList(demo_).size());
}

TEST_F(DemoScriptTest, MissingFloatTrackIsAnUnknownEffect) {
  Write("Script/Effect/Ghost.txt", "Alpha = One; Add = Ghost; WaveLarge:");
  LoadDemo("0 - 5 Ghost;");
  const std::string text = capture_.Text();
  EXPECT_NE(std::string::npos,
            text.find("unknown effect\n"
                      "Script Demo.txt: 0 Effects\n"
                      "Error: Script/Demo.txt (line 1, column 12): E0003 - Syntax error\n\n"))
      << text;
  EXPECT_EQ(1, GlobalLog().RecordCount());
  EXPECT_TRUE(EffectList(demo_).empty());
}

TEST_F(DemoScriptTest, ErrorInsideAnEffectScriptIsTheOnlyMessage) {
  Write("Script/Effect/Broken.txt", "Alpha = One;\nAdd = Zero\nWaveLarge:");
  LoadDemo("0 - 5 Large;\n1 - 2 Broken;\n3 - 4 Flash;\n");
  EXPECT_EQ(
      "Error: Script/Effect/Broken.txt (line 3, column 1): E0003 - Syntax error\n\n"
      "Script Demo.txt: 1 Effects\n",
      capture_.Text());
  EXPECT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ(1u, EffectList(demo_).size());
}

// ---------------------------------------------------------------------------
// A whole production read from a directory and from an archive

std::vector<std::pair<std::string, std::string>> ProductionFiles() {
  // 4 x 2 colour image, bottom row first, three bytes (blue, green, red) a pixel.
  std::string tga(18, '\0');
  tga[2] = 2;
  tga[12] = 4;
  tga[14] = 2;
  tga[16] = 24;
  for (int v : {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120,  // bottom row
                200, 0, 0, 0, 200, 0, 0, 0, 200, 255, 255, 255})     // top row
    tga += static_cast<char>(v);
  return {
      {"Script/Demo.txt",
       "// production timeline\n"
       "0 - 30  Fin;\n0 - 30  Large;\n0 - 30  Flash;\n0 - 30  Sparks;\n0 - 30  Scroll;\n"},
      {"Script/Effect/Fin.txt",
       "Alpha = One;\nAdd = Zero;\nEndEffect:\n  Fade = Ramp;\n  Size = Shrink;\n"},
      {"Script/Effect/Large.txt", "Alpha = One; Add = Zero; WaveLarge:"},
      {"Script/Effect/Flash.txt", "Alpha = Half; Add = Zero; WaveFlash:"},
      {"Script/Effect/Sparks.txt",
       "Alpha = One; Add = Zero;\nParticle:\n  Position = 0.25;\n  Tex = Red;\n"},
      {"Script/Effect/Scroll.txt",
       "Alpha = One; Add = Half;\nScroller:\n  Delta = Zero; Speed = Eighth;\n"
       "  YDelta = Half; YSpeed = Zero;\n  Tex = Stripe;\n"},
      {"Script/Float/One.txt", "0:1;"},
      {"Script/Float/Zero.txt", "0:0;"},
      {"Script/Float/Half.txt", "0:0.5;"},
      {"Script/Float/Eighth.txt", "0:0.125;"},
      {"Script/Float/Ramp.txt", "0:0;\n10:1;\n"},
      {"Script/Float/Shrink.txt", "0:1;\n4:0.5;\n"},
      {"Script/Texture/Red.txt", "Texture:\nColor = 1, 0, 0;\nAlpha = 0.5;\n"},
      {"Script/Texture/Stripe.txt", "Texture:\nColorMap = \"Images/stripe.tga\";\nAlpha = 1;\n"},
      {"Images/stripe.tga", tga},
  };
}

struct Production {
  int records = -1;
  std::vector<std::string> kinds;  // in list order
  // kind -> time -> the rendered line's floats
  std::map<std::string, std::map<float, std::vector<float>>> lines;
  std::vector<std::uint32_t> endPixels;  // the end effect at t=5, written to the surface

  float At(const std::string& kind, float t, int x, int k) const {
    return lines.at(kind).at(t).at(4 * x + k);
  }
};

// Loads the demo through the given source, prepares it and renders every
// effect at a few times, in list order.
Production Play(int kind, const std::string& root) {
  Production out;
  KolData source;
  if (source.Open(kind, root.c_str()) != 0) return out;
  source.SetDefault(false);
  VDemo demo;
  KolText lexer;
  LoadDemoScript(lexer, "Demo.txt", demo);
  out.records = GlobalLog().RecordCount();
  const std::vector<VEffect*> list = EffectList(demo);
  ResetParticlesForTest();
  for (VEffect* effect : list) {
    out.kinds.push_back(KindOf(effect));
    effect->Prepare();
  }
  for (float t : {0.0f, 1.0f, 2.0f, 5.0f}) {
    for (VEffect* effect : list) {
      effect->Render(t);
      const float* c = effect->line.Colors();
      out.lines[KindOf(effect)][t].assign(c, c + 4 * effect->line.Count());
      if (t != 5.0f || KindOf(effect) != "EndEffect") continue;
      VColorLine main;
      main.Allocate(effect->line.Count());
      effect->line.Combine(main, effect->alphaTrack->ValueAt(t), effect->addTrack->ValueAt(t));
      main.WriteToSurface();
      auto* surface = static_cast<MemorySurface*>(CurrentSurface());
      for (int x : {0, 159, 160, 479, 480, 639}) out.endPixels.push_back(surface->Pixel(x, 0));
    }
  }
  return out;
}

TEST(DemoProductionTest, DirectoryAndArchiveGiveTheSameEffects) {
  LogCapture capture;
  MemorySurface surface;
  TempDir dir;
  TempDir zipDir;
  std::vector<ZipMember> members;
  for (const auto& [name, bytes] : ProductionFiles()) {
    dir.Write(name, bytes);
    members.push_back({name, bytes, name.find(".tga") != std::string::npos ? 0 : 8});
  }
  const std::string zip = zipDir.PathOf("demo.zip");
  ASSERT_TRUE(WriteZip(zip, members));

  const Production fromDir = Play(kKindDirectory, dir.Path());
  const Production fromZip = Play(kKindArchive, zip);
  EXPECT_EQ("Script Demo.txt: 5 Effects\nScript Demo.txt: 5 Effects\n", capture.Text());
  EXPECT_EQ(0, fromDir.records);
  EXPECT_EQ(0, fromZip.records);

  const std::vector<std::string> order = {"Scroller", "Particle", "WaveFlash", "WaveLarge",
                                          "EndEffect"};
  EXPECT_EQ(order, fromDir.kinds);
  EXPECT_EQ(order, fromZip.kinds);
  for (const std::string& kind : order) {
    ASSERT_EQ(640u * 4, fromDir.lines.at(kind).at(0.0f).size()) << kind;
    EXPECT_TRUE(fromDir.lines.at(kind) == fromZip.lines.at(kind)) << kind;
  }

  for (const Production* p : {&fromDir, &fromZip}) {
    // End effect: size 0.75 at t=2 leaves 80 black columns each side, 0.5 at
    // t=5 leaves 160; at t=0 the bar covers everything at fade 0.
    EXPECT_EQ(0.0f, p->At("EndEffect", 2, 79, 0));
    EXPECT_EQ(1.0f, p->At("EndEffect", 2, 79, 3));
    EXPECT_FLOAT_EQ(0.2f, p->At("EndEffect", 2, 80, 0));
    EXPECT_FLOAT_EQ(0.2f, p->At("EndEffect", 2, 559, 2));
    EXPECT_EQ(0.0f, p->At("EndEffect", 2, 560, 1));
    EXPECT_EQ(0.0f, p->At("EndEffect", 5, 159, 0));
    EXPECT_FLOAT_EQ(0.5f, p->At("EndEffect", 5, 160, 0));
    EXPECT_FLOAT_EQ(0.5f, p->At("EndEffect", 5, 479, 0));
    EXPECT_EQ(0.0f, p->At("EndEffect", 5, 480, 0));
    EXPECT_EQ(0.0f, p->At("EndEffect", 0, 0, 0));
    EXPECT_EQ(1.0f, p->At("EndEffect", 0, 639, 3));
    // On the surface: black, grey 127 inside the bar, black again.
    EXPECT_EQ((std::vector<std::uint32_t>{0xFF000000u, 0xFF000000u, 0xFF7F7F7Fu, 0xFF7F7F7Fu,
                                          0xFF000000u, 0xFF000000u}),
              p->endPixels);

    // Waves: the ramp with its swaying ripple; the flash scales it by 1 + sin(5t)/2.
    EXPECT_NEAR(0.0, p->At("WaveLarge", 0, 0, 0), 1e-6);
    EXPECT_NEAR(0.391196, p->At("WaveLarge", 0, 320, 1), 1e-5);
    EXPECT_EQ(1.0f, p->At("WaveLarge", 0, 320, 3));
    EXPECT_NEAR(0.198744, p->At("WaveLarge", 1, 0, 0), 1e-5);
    EXPECT_NEAR(0.345416, p->At("WaveLarge", 1, 320, 2), 1e-5);
    EXPECT_NEAR(0.391196, p->At("WaveFlash", 0, 320, 2), 1e-5);
    EXPECT_NEAR(0.103454, p->At("WaveFlash", 1, 0, 0), 1e-5);
    EXPECT_NEAR(0.179802, p->At("WaveFlash", 1, 320, 1), 1e-5);

    // Scroller: the top texture row, four texels across the line; by t=2 the
    // speed of 1/8 line a second has moved it one texel to the left.
    const double unit = 1.0 / 255.0;
    EXPECT_NEAR(200 * unit, p->At("Scroller", 0, 0, 0), 1e-5);
    EXPECT_NEAR(0.0, p->At("Scroller", 0, 0, 1), 1e-5);
    EXPECT_NEAR(1.0, p->At("Scroller", 0, 0, 3), 1e-5);
    EXPECT_NEAR(200 * unit, p->At("Scroller", 0, 200, 1), 1e-5);
    EXPECT_NEAR(200 * unit, p->At("Scroller", 0, 400, 2), 1e-5);
    EXPECT_NEAR(1.0, p->At("Scroller", 0, 600, 0), 1e-5);
    EXPECT_NEAR(0.0, p->At("Scroller", 2, 100, 0), 1e-5);
    EXPECT_NEAR(200 * unit, p->At("Scroller", 2, 100, 1), 1e-5);
    EXPECT_NEAR(200 * unit, p->At("Scroller", 2, 600, 0), 1e-5);
  }

  // t=2: particles cross the line in the texture's colour (no blue, some red).
  int drawn = 0;
  for (int x = 0; x < 640; ++x) {
    if (fromDir.At("Particle", 2, x, 3) != 1.0f) continue;
    ++drawn;
    EXPECT_EQ(0.0f, fromDir.At("Particle", 2, x, 0)) << x;
    EXPECT_GT(fromDir.At("Particle", 2, x, 2), 0.0f) << x;
  }
  EXPECT_GT(drawn, 0);
}

}  // namespace
