// The key track editor of solvane-live --record: keys set, replaced and
// removed in the file's own text, everything else kept byte for byte, values
// written so the script reader reads back the same float, and undo.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "TrackFileEditor.h"

namespace {

struct Edit {
  int ms;
  bool set;  // a key of value at ms; false: the key at ms removed
  float value;
};

TEST(TrackFileEditor, KeysGoInTimeOrderAndEveryOtherByteStays) {
  struct Case {
    const char* name;
    const char* before;
    Edit edit;
    const char* after;
  };
  for (const Case& c : std::vector<Case>{
           {"between", "0 : 0 ;\n10 : 1 ;\n", {5000, true, 0.5f}, "0 : 0 ;\n5.000 : 0.5 ;\n10 : 1 ;\n"},
           {"first, under a comment, indented", "// fade\n  2 : 1 ;\n", {1000, true, 0},
            "// fade\n  1.000 : 0 ;\n  2 : 1 ;\n"},
           {"last, no final line end", "0 : 0 ;", {1500, true, 2}, "0 : 0 ;\n1.500 : 2 ;"},
           {"CR LF, a comment and a blank line", "0 : 0 ; // start\r\n\r\n9 : 1 ;\r\n",
            {3000, true, -3}, "0 : 0 ; // start\r\n3.000 : -3 ;\r\n\r\n9 : 1 ;\r\n"},
           {"keys sharing a line", "0:0; 4:1; /* x */\n", {2000, true, 0.1f},
            "0:0; 2.000 : 0.1 ; 4:1; /* x */\n"},
           {"a block comment opening after the key", "0 : 0 ; /* a\n b */\n5 : 1 ;\n",
            {1000, true, 1}, "0 : 0 ; 1.000 : 1 ; /* a\n b */\n5 : 1 ;\n"},
           {"replaced: only the value changes", "0 : 0 ;\n1.5\t:   2f ; // b\n",
            {1500, true, 123456.7f}, "0 : 0 ;\n1.5\t:   123456.7 ; // b\n"},
           {"removed with its line", "0 : 0 ;\n\n  1 : 5 ;\n2 : 0 ;\n", {1000, false, 0},
            "0 : 0 ;\n\n2 : 0 ;\n"},
           {"removed from a shared line", "0:0; 2:1; 4:0;\n", {2000, false, 0}, "0:0; 4:0;\n"},
           {"removed from the last line", "0 : 0 ;\r\n1 : 1 ;", {1000, false, 0}, "0 : 0 ;"},
       }) {
    SCOPED_TRACE(c.name);
    TrackFileEditor editor;
    std::string error;
    ASSERT_TRUE(editor.Open("T.txt", true, c.before, error)) << error;
    EXPECT_TRUE(c.edit.set ? editor.SetKey(c.edit.ms, c.edit.value, error)
                           : editor.DeleteKey(c.edit.ms, error))
        << error;
    EXPECT_EQ(c.after, editor.Text());
    // What was written reads back as the same text and keys.
    TrackFileEditor again;
    ASSERT_TRUE(again.Open("T.txt", true, editor.Text(), error)) << error;
    ASSERT_EQ(editor.Keys().size(), again.Keys().size());
    for (size_t i = 0; i < again.Keys().size(); ++i)
      EXPECT_EQ(editor.Keys()[i].value, again.Keys()[i].value);
  }
}

TEST(TrackFileEditor, ValuesReadBackAsTheSameFloat) {
  struct Case {
    float value;
    const char* text;
  };
  for (const Case& c : std::vector<Case>{{0.1f, "0.1"},
                                         {-3.0f, "-3"},
                                         {1e-7f, "0.0000001"},
                                         {123456.7f, "123456.7"},
                                         {-0.0f, "-0"}})
    EXPECT_EQ(c.text, TrackFileEditor::ValueText(c.value));
  // Every kind of float, spread over the bit patterns: the reader rounds to
  // a double first, and must still land on the same float.
  std::uint32_t bits = 12345;
  int wrong = 0;
  for (int i = 0; i < 20000; ++i) {
    bits = bits * 1664525u + 1013904223u;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    if (!(std::fabs(value) <= FLT_MAX)) continue;
    float back = 0;
    const std::string text = TrackFileEditor::ValueText(value);
    wrong += !TrackFileEditor::ReadNumber(text, back) || std::memcmp(&back, &value, sizeof value) != 0;
  }
  EXPECT_EQ(0, wrong);
}

TEST(TrackFileEditor, UndoesLevelByLevelBackToNoFile) {
  TrackFileEditor editor;
  std::string error;
  ASSERT_TRUE(editor.Open("New.txt", false, "", error));
  ASSERT_TRUE(editor.SetKey(250, 1e-7f, error));
  EXPECT_EQ("0.250 : 0.0000001 ;\n", editor.Text());
  EXPECT_TRUE(editor.Exists());
  std::vector<std::string> texts = {editor.Text()};
  ASSERT_TRUE(editor.SetKey(1000, 2, error));
  texts.push_back(editor.Text());
  ASSERT_TRUE(editor.SetKey(1000, 3, error));
  texts.push_back(editor.Text());
  ASSERT_TRUE(editor.DeleteKey(250, error));
  EXPECT_EQ("1.000 : 3 ;\n", editor.Text());
  // The only key stays; a time without a key is said.
  EXPECT_FALSE(editor.DeleteKey(1000, error));
  EXPECT_NE(std::string::npos, error.find("only key")) << error;
  EXPECT_FALSE(editor.DeleteKey(5, error));
  EXPECT_EQ("no key at 0.005 in New.txt", error);
  for (size_t i = texts.size(); i-- > 0;) {
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(texts[i], editor.Text());
  }
  ASSERT_TRUE(editor.Undo());
  EXPECT_FALSE(editor.Exists());
  EXPECT_FALSE(editor.Undo());
  // A file the demo could not read is not edited.
  EXPECT_FALSE(editor.Open("Bad.txt", true, "0 : ;", error));
  EXPECT_EQ("Bad.txt line 1, column 5: Unexpected character", error);
}

}  // namespace
