// The author findings the readers leave when diagnostics are on: the real place
// of an error, what was expected there, which files named the file, and the
// warnings; and that the log stays exactly as without them.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "KolData.h"
#include "KolLog.h"
#include "KolText.h"
#include "LoadDemoScript.h"
#include "MemorySurface.h"
#include "ScriptDiagnostics.h"
#include "TestSupport.h"
#include "VEffect.h"
#include "VList.h"

namespace {

// "hint|file|line|column|message|namedBy" (or "warning|..."), one a finding.
std::vector<std::string> Findings() {
  std::vector<std::string> out;
  for (const ScriptFinding& f : TheScriptDiagnostics().Findings())
    out.push_back(std::string(f.error ? "hint" : "warning") + "|" + f.file + "|" +
                  std::to_string(f.line) + "|" + std::to_string(f.column) + "|" + f.message +
                  "|" + f.namedBy);
  return out;
}

class ScriptDiagnosticsTest : public ::testing::Test {
 protected:
  ScriptDiagnosticsTest() {
    ResetScriptDiagnosticsForTest();
    source_.Open(kKindDirectory, dir_.Path().c_str());
    source_.SetDefault(false);
    Write("Script/Float/One.txt", "0:1;");
    Write("Script/Float/Zero.txt", "0:0;");
    Write("Script/Effect/Large.txt", "Alpha = One; Add = Zero; WaveLarge:");
  }
  ~ScriptDiagnosticsTest() override { ResetScriptDiagnosticsForTest(); }

  void Write(const std::string& name, const std::string& text) { dir_.Write(name, text); }

  // Loads Demo.txt as the demo does, with diagnostics on (or off); a fresh run each time.
  std::vector<std::string> Load(const std::string& demo, bool on = true) {
    ResetProcessState();
    TheLog().SetBufferOutput(true);
    source_.SetDefault(false);
    SetCurrentSurface(&surface_);
    Write("Script/Demo.txt", demo);
    TheScriptDiagnostics().Clear();
    TheScriptDiagnostics().SetEnabled(on);
    KolText lexer;
    VList effects;
    LoadDemoScript(lexer, "Demo.txt", effects);
    TheScriptDiagnostics().SetEnabled(false);
    return Findings();
  }

  LogCapture log_;
  MemorySurface surface_{64, 8};
  TempDir dir_;
  KolData source_;
};

TEST_F(ScriptDiagnosticsTest, CollectorIsOffByDefaultAndKeepsTheNamingChain) {
  ScriptDiagnostics& d = TheScriptDiagnostics();
  d.AddError("a.txt", 1, 2, "lost");
  {
    ScriptNamingScope outer("Script/Demo.txt", 7);  // off: nothing is pushed
    EXPECT_EQ("", d.NamingChain());
  }
  EXPECT_TRUE(d.Findings().empty());

  d.SetEnabled(true);
  {
    ScriptNamingScope outer("Script/Demo.txt", 7);
    ScriptNamingScope inner("Script/Effect/Glow.txt", 3);
    d.AddError("Script/Float/A.txt", 2, 5, "broken");
    d.AddWarning("Script/Float/A.txt", 0, 0, "odd");
  }
  d.AddWarning("Script/Demo.txt", 1, 1, "late");
  EXPECT_EQ((std::vector<std::string>{
                "hint|Script/Float/A.txt|2|5|broken|Script/Effect/Glow.txt line 3, named by "
                "Script/Demo.txt line 7",
                "warning|Script/Float/A.txt|0|0|odd|Script/Effect/Glow.txt line 3, named by "
                "Script/Demo.txt line 7",
                "warning|Script/Demo.txt|1|1|late|"}),
            Findings());
  EXPECT_EQ(1, d.ErrorCount());
  EXPECT_EQ(2, d.WarningCount());
  d.Clear();
  EXPECT_TRUE(d.Findings().empty());
  EXPECT_EQ("1000000000", ScriptNumberText(1e9));
  EXPECT_EQ("0.5", ScriptNumberText(0.5));
  EXPECT_EQ("-3", ScriptNumberText(-3.0));
}

// A file named by another: the error is placed in the named file, with the
// chain of files that named it, while the log keeps its old lines.
TEST_F(ScriptDiagnosticsTest, ErrorsInNamedFilesNameTheRealFile) {
  Write("Script/Effect/Glow.txt", "Alpha = One; Add = Zero;\n\nWavelarge:");
  const std::string demo = "0 - 5 Large;\n// a comment\n\n\n\n\n1 - 2 Glow;\n";
  EXPECT_EQ((std::vector<std::string>{
                "hint|Script/Effect/Glow.txt|3|1|unknown effect kind \"Wavelarge\" (expected "
                "EndEffect, WaveLarge, WaveFlash, Particle or Scroller)|Script/Demo.txt line 7"}),
            Load(demo));
  EXPECT_EQ("unknown effect\nScript Demo.txt: 1 Effects\nError: Script/Demo.txt (line 7, column "
            "11): E0003 - Syntax error\n\n",
            log_.Text());

  Write("Script/Effect/Glow.txt", "Alpha = One;\nAdd = Zeros; WaveLarge:");
  EXPECT_EQ((std::vector<std::string>{
                "hint|Script/Float/Zeros.txt|0|0|the track file is missing from the data, or "
                "cannot be read|Script/Effect/Glow.txt line 2, named by Script/Demo.txt line 1"}),
            Load("1 - 2 Glow;"));
  EXPECT_EQ(1, TheLog().RecordCount());

  // A missing or empty file, named by a chain of others.
  const std::string demo1 = "Script/Demo.txt line 1";
  using Files = std::vector<std::pair<std::string, std::string>>;
  const struct { Files files; const char* demo; std::string finding; } cases[] = {
      {{{"Float/Empty", ""}, {"Effect/Glow", "Alpha = Empty; Add = Zero; WaveLarge:"}}, "1 - 2 Glow;",
       "Script/Float/Empty.txt|0|0|the track file is empty|Script/Effect/Glow.txt line 1, named by " +
           demo1},
      {{}, "0 - 1 Large;\n1 - 2 Nope;",
       "Script/Effect/Nope.txt|0|0|the effect script is missing from the data, or cannot be read|"
       "Script/Demo.txt line 2"},
      {{{"Effect/Sparks", "Alpha = One; Add = Zero; Particle:\n  Position = 0.5;\n  Tex = Nope;"}},
       "0 - 1 Sparks;",
       "Script/Texture/Nope.txt|0|0|the texture script is missing from the data, or cannot be read|"
       "Script/Effect/Sparks.txt line 3, named by " + demo1},
      // An image named by a texture, named by an effect, named by the demo.
      {{{"Texture/Sky", "Texture:\n  ColorMap = \"Image/sky.jpg\";\n  Alpha = 1;"},
        {"Effect/Sparks", "Alpha = One; Add = Zero; Particle: Position = 0.5;\nTex = Sky;"}},
       "\n\n0 - 1 Sparks;",
       "Image/sky.jpg|0|0|cannot be loaded: the image is missing from the data, or cannot be read|"
       "Script/Texture/Sky.txt line 2, named by Script/Effect/Sparks.txt line 2, named by "
       "Script/Demo.txt line 3"},
      {{}, "", "Script/Demo.txt|0|0|the demo script is empty|"}};
  for (const auto& c : cases) {
    for (const auto& [name, text] : c.files) Write("Script/" + name + ".txt", text);
    EXPECT_EQ(std::vector<std::string>{"hint|" + c.finding}, Load(c.demo)) << c.demo;
  }
}

// Each syntax error says what was expected, where the expected token should
// have begun, and what stood there instead.
TEST_F(ScriptDiagnosticsTest, SyntaxErrorsSayWhatWasExpected) {
  const std::string scroller = "Alpha = One; Add = Zero;\nScroller: Delta = Zero;\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {scroller + "YDelta = Zero;",
       "Script/Effect/E.txt|3|1|expected Speed (the Scroller's parameters come in the order "
       "Delta, Speed, YDelta, YSpeed, Tex), found \"YDelta\""},
      {"Alpha One;", "Script/Effect/E.txt|1|7|expected \"=\" after Alpha, found \"One\""},
      {"Alpha = One Add = Zero;",
       "Script/Effect/E.txt|1|13|expected \";\" after the track name, found \"Add\""},
      {"Alpha = One; Add = ;",
       "Script/Effect/E.txt|1|20|expected a track name after \"Add =\", found \";\""},
      {"Add = One; Alpha = Zero;",
       "Script/Effect/E.txt|1|1|expected Alpha (an effect script starts with Alpha = track ; "
       "Add = track ;), found \"Add\""},
      {"Alpha = One; Add = Zero; WaveLarge",
       "Script/Effect/E.txt|1|35|expected \":\" after WaveLarge, found the end of the file"},
      {"Alpha = One; Add = Zero; Particle: Position = x;",
       "Script/Effect/E.txt|1|47|expected a number after \"Position =\", found \"x\""},
      {"Alpha = One; Add = Zero; EndEffect: Size = One;",
       "Script/Effect/E.txt|1|37|expected Fade (the EndEffect's parameters come in the order "
       "Fade, Size), found \"Size\""},
      {"Alpha = Bad; Add = Zero; WaveLarge:",
       "Script/Float/Bad.txt|2|3|expected \":\" after the key time, found \";\"|"
       "Script/Effect/E.txt line 1, named by Script/Demo.txt line 1"},
      {"Alpha = Tail; Add = Zero; WaveLarge:",
       "Script/Float/Tail.txt|1|11|expected \";\" after the key value, found the end of the "
       "file|Script/Effect/E.txt line 1, named by Script/Demo.txt line 1"},
      {"Alpha = One; Add = Zero; Particle: Position = 0; Tex = Low;",
       "Script/Texture/Low.txt|2|1|unknown colour line \"colormap\" (expected ColorMap = "
       "\"file\" ; or Color = r, g, b ;)|Script/Effect/E.txt line 1, named by Script/Demo.txt "
       "line 1"},
      {"Alpha = One; Add = Zero; Particle: Position = 0; Tex = Swap;",
       "Script/Texture/Swap.txt|1|10|unknown colour line \"Alpha\" (expected ColorMap = "
       "\"file\" ; or Color = r, g, b ;); the colour line comes before the alpha line|"
       "Script/Effect/E.txt line 1, named by Script/Demo.txt line 1"},
      {"Alpha = One; Add = Zero; Particle: Position = 0; Tex = Two;",
       "Script/Texture/Two.txt|1|20|expected \",\" between the colour's red, green and blue, "
       "found \"0.5\"|Script/Effect/E.txt line 1, named by Script/Demo.txt line 1"},
      {"Alpha = One; Add = Zero; Particle: Position = 0; Tex = Open;",
       "Script/Texture/Open.txt|1|28|a quoted string is not closed (\") before the end of its "
       "line|Script/Effect/E.txt line 1, named by Script/Demo.txt line 1"},
      {"/* never closed\nAlpha = One;",
       "Script/Effect/E.txt|2|257|the file ends inside a comment: a /* comment is never closed "
       "with */, or a // comment on the last line has no line end"},
      {"\xEF\xBB\xBF" "Alpha = One; Add = Zero; WaveLarge:",
       "Script/Effect/E.txt|1|1|the file starts with a UTF-8 byte-order mark (bytes EF BB BF), "
       "which the script reader does not skip: save the file without it"},
  };
  Write("Script/Float/Bad.txt", "0 : 1;\n1 ; 2;");
  Write("Script/Float/Tail.txt", "0 : 1; 2:3");
  Write("Script/Texture/Low.txt", "Texture:\ncolormap = \"a.tga\"; Alpha = 1;");
  Write("Script/Texture/Swap.txt", "Texture: Alpha = 1; Color = 1, 1, 1;");
  Write("Script/Texture/Two.txt", "Texture: Color = 1 0.5, 1; Alpha = 1;");
  Write("Script/Texture/Open.txt", "Texture: ColorMap = \"a.tga;\nAlpha = 1;");
  for (const auto& [effect, expected] : cases) {
    Write("Script/Effect/E.txt", effect);
    const std::vector<std::string> found = Load("0 - 1 E;");
    ASSERT_EQ(1u, found.size()) << effect;
    const std::string chain = expected.find("named by") == std::string::npos
                                  ? "|Script/Demo.txt line 1"
                                  : "";
    EXPECT_EQ("hint|" + expected + chain, found[0]) << effect;
    EXPECT_EQ(1, TheLog().RecordCount()) << effect;
  }
  // The demo script's own entries.
  EXPECT_EQ((std::vector<std::string>{"hint|Script/Demo.txt|2|3|expected \"-\" between the start "
                                      "and end times, found \"2\"|"}),
            Load("0 - 1 Large;\n0 2 Large;"));
  EXPECT_EQ((std::vector<std::string>{"hint|Script/Demo.txt|1|13|expected \";\" after the effect "
                                      "name, found \"0\"|"}),
            Load("0 - 1 Large 0 - 1 Large;"));
  EXPECT_EQ((std::vector<std::string>{"hint|Script/Demo.txt|1|1|expected a start time (each "
                                      "entry is: start - end EffectName ;), found \"Large\"|"}),
            Load("Large;"));
}

TEST_F(ScriptDiagnosticsTest, WarningsDoNotStopTheDemo) {
  Write("Script/Float/Back.txt", "0 : 0;\n5 : 1;\n2 : 0.5;\n2.5 : 0; 2.5 : 1;");
  Write("Script/Float/Bytes.txt", "0:0; 1:255;");
  Write("Script/Float/Slight.txt", "0:-0.5; 1:2;");  // the edges of "far" are not far
  Write("Script/Effect/Back.txt", "Alpha = One; Add = Back; WaveFlash:");
  Write("Script/Effect/Bytes.txt", "Alpha = Bytes; Add = Zero; WaveFlash:");
  Write("Script/Effect/Slight.txt", "Alpha = Slight; Add = Slight; WaveFlash:");
  Write("Script/Texture/Hot.txt", "Texture: Color = 1, -0.6, 0.5; Alpha = 2.5;");
  Write("Script/Effect/Hot.txt", "Alpha = One; Add = Zero; Particle: Position = 0; Tex = Hot;");
  EXPECT_EQ(
      (std::vector<std::string>{
          "warning|Script/Float/Back.txt|3|1|key time 2 comes before the previous key's 5: keys "
          "must be in time order (this one is moved to 0.001 s after it)|Script/Effect/Back.txt "
          "line 1, named by Script/Demo.txt line 1",
          "warning|Script/Effect/Bytes.txt|1|0|the Alpha track Script/Float/Bytes.txt has the "
          "value 255 (key at 1 s), far outside 0 to 1 (below -0.5 or above 2)|Script/Demo.txt "
          "line 2",
          "warning|Script/Texture/Hot.txt|1|21|the green -0.6 is far outside 0 to 1 (below -0.5 "
          "or above 2)|Script/Effect/Hot.txt line 1, named by Script/Demo.txt line 4",
          "warning|Script/Texture/Hot.txt|1|40|the alpha 2.5 is far outside 0 to 1 (below -0.5 "
          "or above 2)|Script/Effect/Hot.txt line 1, named by Script/Demo.txt line 4",
          "warning|Script/Demo.txt|5|1|effect Large ends at 3 s, not after its start at 3 s: it "
          "never shows|",
          "warning|Script/Demo.txt|6|1|effect Large ends at 7200.5 s (2 hours): the demo runs "
          "that long, and a strip or video of it at 50 fps has 360025 rows or frames|",
          "warning|Script/Demo.txt|7|5|the number 2 is followed at once by \"Large\", which reads "
          "as a name of its own; put a blank between them if that is meant|",
      }),
      Load("0 - 1 Back;\n0 - 1 Bytes;\n0 - 1 Slight;\n0 - 1 Hot;\n3 - 3 Large;\n"
           "0 - 7200.5 Large;\n0 - 2Large;\n"));
  // Only errors stop a demo: these are all warnings, the log has no record.
  EXPECT_EQ(0, TheLog().RecordCount()) << log_.Text();

  // An exponent is never read: its rest becomes the effect's name, and the
  // warning says why beside the error.
  EXPECT_EQ((std::vector<std::string>{
                "warning|Script/Demo.txt|1|5|\"1e9\" reads as the number 1 followed by \"e9\": "
                "numbers have no exponent; write 1000000000|",
                "hint|Script/Effect/e9.txt|0|0|the effect script is missing from the data, or "
                "cannot be read|Script/Demo.txt line 1"}),
            Load("0 - 1e9 Large;"));
  EXPECT_EQ("warning|Script/Float/Exp.txt|1|5|\"2.5E+4\" reads as the number 2.5 followed by "
            "\"E+4\": numbers have no exponent; write 25000|Script/Effect/Exp.txt line 1, named "
            "by Script/Demo.txt line 1",
            (Write("Script/Float/Exp.txt", "0 : 2.5E+4;"),
             Write("Script/Effect/Exp.txt", "Alpha = One; Add = Exp; WaveLarge:"),
             Load("0 - 1 Exp;").at(0)));
}

TEST_F(ScriptDiagnosticsTest, OffLeavesNoFindingsAndTheSameLog) {
  Write("Script/Effect/Glow.txt", "Alpha = One; Add = Zero; Wavelarge:");
  EXPECT_EQ(2u, Load("0 - 1e9 Large;\n1 - 2 Glow;").size());
  const std::string logged = log_.Text();
  EXPECT_TRUE(Load("0 - 1e9 Large;\n1 - 2 Glow;", false).empty());
  EXPECT_EQ(logged, log_.Text());
}

}  // namespace
