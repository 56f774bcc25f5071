#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "KolData.h"
#include "KolLog.h"
#include "KolText.h"
#include "TestSupport.h"

namespace {

// Scripts live in a scratch directory registered as the default load source;
// a KolText made afterwards reads through it.
class KolTextTest : public ::testing::Test {
 protected:
  KolTextTest() {
    source_.Open(kKindDirectory, dir_.Path().c_str());
    source_.SetDefault(false);
  }

  int Open(KolText& text, const std::string& bytes, const char* name = "s.txt") {
    dir_.Write(name, bytes);
    return text.OpenText(name);
  }

  // Reads a whole file the way a parser would, picking the operation by the
  // current character, and lists the tokens read successfully: words as they
  // are, numbers as #value, strings in quotes, punctuation as itself; then the
  // final code and the cursor as "=> code line:column".
  static std::string Scan(KolText& text, const char* name) {
    std::string seen;
    int code = text.OpenText(name);
    while (code == kTextOk && text.Current() != 0) {
      const char c = text.Current();
      std::string piece;
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
        piece = c;
      }
      if (code == kTextOk) seen += piece + " ";
    }
    return seen + "=> " + std::to_string(code) + " " + std::to_string(text.Line()) + ":" +
           std::to_string(text.Column());
  }
  std::string Scan(const std::string& bytes) {
    dir_.Write("scan.txt", bytes);
    KolText text;
    return Scan(text, "scan.txt");
  }

  LogCapture log_;
  TempDir dir_;
  KolData source_;
};

TEST_F(KolTextTest, OpenTextResultsAndLineEnds) {
  KolText text;
  EXPECT_EQ(kTextUnexpectedEof, Open(text, "x"));
  EXPECT_EQ(kTextFileIo, Open(text, ""));
  EXPECT_EQ(0, text.Current());
  EXPECT_EQ(kTextFileIo, text.OpenText("missing.txt"));
  EXPECT_STREQ("missing.txt", text.FileName());
  EXPECT_EQ(kTextBadLineEnd, Open(text, "\rX"));
  EXPECT_EQ(kTextBadLineEnd, Open(text, "  \r X"));
  // A leading CR LF is one line end like any other.
  ASSERT_EQ(kTextOk, Open(text, "\r\nWave"));
  EXPECT_EQ('W', text.Current());
  EXPECT_EQ(2, text.Line());
  EXPECT_EQ(1, text.Column());
  EXPECT_EQ(0, text.CloseFile());
  EXPECT_STREQ("", text.FileName());

  // LF-only and CR LF files read alike; a lone CR stops at its own position.
  EXPECT_EQ("one two three => 0 6:1", Scan("\t// head\n  /* x */ one\ntwo\n\nthree\n"));
  EXPECT_EQ("one two three => 0 6:1", Scan("\t// head\r\n  /* x */ one\r\ntwo\r\n\r\nthree\r\n"));
  EXPECT_EQ("=> 7 1:3", Scan("ab\rcd"));
  EXPECT_EQ("=> 7 2:1", Scan("a\n\rb"));
  EXPECT_EQ(0, GlobalLog().RecordCount());

  // Without a default load source at construction nothing can be read.
  SetDefaultLoadSource(nullptr);
  KolText unbound;
  EXPECT_EQ(kTextFileIo, unbound.OpenText("s.txt"));
  EXPECT_NE(0, unbound.OpenWrite("out.txt"));
}

TEST_F(KolTextTest, KeywordPunctuationAndWords) {
  KolText text;
  ASSERT_EQ(kTextOk, Open(text, "Alpha = Wave;"));
  EXPECT_EQ(kTextOk, text.ExpectKeyword("Alpha"));
  EXPECT_EQ('=', text.Current());
  EXPECT_EQ(kTextOk, text.Expect('='));
  EXPECT_EQ(kTextOk, text.ReadWord());
  EXPECT_STREQ("Wave", text.Token());
  EXPECT_EQ(4, text.TokenLength());
  EXPECT_EQ(kTextOk, text.Expect(';'));
  EXPECT_EQ(0, text.Current());

  // A keyword does not look past its last letter.
  ASSERT_EQ(kTextOk, Open(text, "Alphabet 1"));
  EXPECT_EQ(kTextOk, text.ExpectKeyword("Alpha"));
  EXPECT_EQ('b', text.Current());
  // A mismatch keeps what matched so far consumed; the cursor is on the culprit.
  ASSERT_EQ(kTextOk, Open(text, "Alpine;"));
  EXPECT_EQ(kTextSyntax, text.ExpectKeyword("Alpha"));
  EXPECT_EQ('i', text.Current());
  EXPECT_EQ(4, text.Column());
  EXPECT_EQ(kTextSyntax, text.Expect(';'));
  EXPECT_EQ(4, text.Column());

  // Words take letters, digits and '_' but cannot start with a digit.
  ASSERT_EQ(kTextOk, Open(text, "_a1_B2+"));
  EXPECT_EQ(kTextOk, text.ReadWord());
  EXPECT_STREQ("_a1_B2", text.Token());
  EXPECT_EQ(kTextUnexpectedChar, text.ReadWord());
  EXPECT_STREQ("", text.Token());
  ASSERT_EQ(kTextOk, Open(text, "9a"));
  EXPECT_EQ(kTextUnexpectedChar, text.ReadWord());
  // Bytes above 127 are not letters.
  ASSERT_EQ(kTextOk, Open(text, "\xE9z"));
  EXPECT_EQ(kTextUnexpectedChar, text.ReadWord());
}

TEST_F(KolTextTest, ReadNumberForms) {
  const struct {
    const char* input;
    int code;
    float value;
    char next;
    const char* token;
  } cases[] = {
      {"1.5f;", kTextOk, 1.5f, ';', "1.5"},   {"12 ", kTextOk, 12.0f, 0, "12"},
      {"-0.5,", kTextOk, -0.5f, ',', "-0.5"}, {".25;", kTextOk, 0.25f, ';', ".25"},
      {"+3;", kTextOk, 3.0f, ';', "+3"},      {"7. ;", kTextOk, 7.0f, ';', "7."},
      {"1.2.3", kTextOk, 1.2f, '.', "1.2"},   {"1e5", kTextOk, 1.0f, 'e', "1"},
      {"3-4", kTextOk, 3.0f, '-', "3"},       {"2 // two\n;", kTextOk, 2.0f, ';', "2"},
      {"5.f", kTextUnexpectedChar, 0, 0, ""}, {"f;", kTextUnexpectedChar, 0, 0, ""},
      {"x1", kTextUnexpectedChar, 0, 0, ""},  {"- ", kTextSyntax, 0, 0, ""},
      {"+;", kTextSyntax, 0, 0, ""},          {". ", kTextSyntax, 0, 0, ""},
      {"-f;", kTextSyntax, 0, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    KolText text;
    ASSERT_EQ(kTextOk, Open(text, c.input));
    EXPECT_EQ(c.code, text.ReadNumber());
    EXPECT_FLOAT_EQ(c.value, text.Number());
    if (c.code != kTextOk) continue;
    EXPECT_EQ(c.next, text.Current());
    EXPECT_STREQ(c.token, text.Token());
  }
  // The second point starts the next number; a number that does not convert
  // leaves the cursor just behind it.
  EXPECT_EQ("#1.2 #0.3 => 3 1:8", Scan("1.2.3 -x"));
}

TEST_F(KolTextTest, ReadQuotedJoinsStringsAndRejectsLineEnds) {
  EXPECT_EQ("\"abcd\" ; => 0 1:17", Scan("\"ab\" /*c*/ \"cd\";"));
  // Joined across line ends and comments; a backslash is an ordinary character.
  EXPECT_EQ("\"a\\nz\" next => 0 4:5", Scan("\"a\\n\" // more\r\n\r\n  \"\" \"z\"\r\nnext"));
  EXPECT_EQ("", log_.Text());
  // A TAB becomes a blank worth one column, with one warning line.
  EXPECT_EQ("\"a b\" => 0 1:6", Scan("\"a\tb\""));
  EXPECT_EQ("Warning: KolText: TAB found in a string; replaced with a space.\n", log_.Text());
  EXPECT_EQ(0, GlobalLog().RecordCount());

  EXPECT_EQ("=> 9 1:4", Scan("\"ab\ncd\""));
  EXPECT_EQ("=> 9 1:4", Scan("\"ab\r\ncd\""));
  // Never closed: the search runs past the end until the line is too long.
  EXPECT_EQ("=> 5 1:257", Scan("\"open"));
  KolText text;
  ASSERT_EQ(kTextOk, Open(text, "ab"));
  EXPECT_EQ(kTextUnexpectedChar, text.ReadQuoted());
}

TEST_F(KolTextTest, TokensStopAt255Characters) {
  KolText text;
  const std::string word255(255, 'w');
  ASSERT_EQ(kTextOk, Open(text, word255 + ";"));
  EXPECT_EQ(kTextOk, text.ReadWord());
  EXPECT_EQ(word255, text.Token());
  // A number checks before it takes the 256th digit.
  ASSERT_EQ(kTextOk, Open(text, std::string(256, '0') + ";"));
  EXPECT_EQ(kTextLongWord, text.ReadNumber());
  EXPECT_EQ(std::string(255, '0'), text.Token());
  // Joined strings can outgrow a line; the token is cut at 255.
  const std::string part(200, 'q');
  ASSERT_EQ(kTextOk, Open(text, "\"" + part + "\"\n\"" + part + "\";"));
  EXPECT_EQ(kTextLongWord, text.ReadQuoted());
  EXPECT_EQ(255, text.TokenLength());
  EXPECT_EQ(part + std::string(55, 'q'), text.Token());
}

// The 256th letter stands at column 256: the word limit must be reported
// there, before the line limit is reached, and the token keeps 255 letters.
TEST_F(KolTextTest, WordOf256LettersIsCutTo255) {
  KolText text;
  ASSERT_EQ(kTextOk, Open(text, std::string(256, 'w') + ";"));
  EXPECT_EQ(kTextLongWord, text.ReadWord());
  EXPECT_EQ(255, text.TokenLength());
  EXPECT_EQ(std::string(255, 'w'), text.Token());
  EXPECT_EQ(256, text.Column());
}

TEST_F(KolTextTest, LineLengthAndLineCountLimits) {
  // 254 characters and a line end pass; 255 put the line end at column 257.
  EXPECT_EQ("a x => 0 3:2", Scan("a\n//" + std::string(252, '-') + "\r\nx"));
  EXPECT_EQ("=> 5 2:257", Scan("a\n//" + std::string(253, '-') + "\nx"));
  // TABs count four: 63 of them and two letters are 254; a TAB can pass 257.
  EXPECT_EQ("ab x => 0 2:2", Scan(std::string(63, '\t') + "ab\nx"));
  EXPECT_EQ("a => 5 2:258", Scan("a\n" + std::string(253, 'b') + "\t\n"));

  // The 20000th line end is one too many.
  EXPECT_EQ("x => 0 20000:2", Scan(std::string(19999, '\n') + "x"));
  std::string lines, words;
  for (int i = 0; i < 20000; ++i) lines += "w\r\n";
  for (int i = 1; i < 20000; ++i) words += "w ";
  EXPECT_EQ(words + "=> 4 20001:3", Scan(lines));
}

TEST_F(KolTextTest, Comments) {
  // A slash-star-slash is a whole comment; block comments do not nest; a lone
  // slash is input.
  EXPECT_EQ("x => 0 1:6", Scan("/*/ x"));
  EXPECT_EQ("x => 0 1:15", Scan("/* a /* b */ x"));
  EXPECT_EQ("/ x => 0 2:4", Scan("/**/\n/ x"));
  // Comments that run into the end of the text.
  EXPECT_EQ("=> 5 2:257", Scan("x\n// last line"));
  EXPECT_EQ("=> 5 1:257", Scan("// only"));
  EXPECT_EQ("=> 5 2:257", Scan("x /* never\nclosed *"));
}

TEST_F(KolTextTest, OnlyTheFirstTextErrorIsReported) {
  KolText text;
  ASSERT_EQ(kTextOk, Open(text, "Alpha = ;", "fx/a.txt"));
  ASSERT_EQ(kTextOk, text.ExpectKeyword("Alpha"));
  ASSERT_EQ(kTextOk, text.Expect('='));
  ASSERT_EQ(kTextSyntax, text.Expect('x'));
  text.ReportTextError(kTextSyntax);
  EXPECT_EQ(kTextSyntax, text.LastError());
  const std::string first = "Error: fx/a.txt (line 1, column 9): E0003 - Syntax error\n\n";
  EXPECT_EQ(first, log_.Text());
  ASSERT_EQ(1, GlobalLog().RecordCount());
  const KolLogRecord& record = GlobalLog().Record(0);
  EXPECT_EQ(2, record.kind);
  EXPECT_EQ(9, record.moduleCode);
  EXPECT_EQ("KolText", record.moduleName);
  EXPECT_EQ(kTextSyntax, record.detailCode);
  EXPECT_EQ(0u, record.text.find("fx/a.txt (line 1, column 9): E0003 - Syntax error"));

  // Later errors, from this lexer or another one, are dropped and not stored.
  text.ReportTextError(kTextUnexpectedChar);
  KolText other;
  ASSERT_EQ(kTextOk, Open(other, "x\n\n  Beta"));
  other.ReportTextError(kTextLongLine);
  EXPECT_EQ(first, log_.Text());
  EXPECT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ(kTextSyntax, text.LastError());
  EXPECT_EQ(0, other.LastError());

  // Codes outside the table are reported as 15, each in a fresh run.
  EXPECT_STREQ("Unknown class", KolText::Message(14));
  EXPECT_STREQ("Critical internal error!", KolText::Message(-1));
  for (int code : {15, 99, -1}) {
    SCOPED_TRACE(code);
    ResetTextErrorLatchForTest();
    GlobalLog().ResetForTest();
    GlobalLog().SetBufferOutput(true);
    other.ReportTextError(code);
    EXPECT_EQ("Error: s.txt (line 1, column 1): E0015 - Critical internal error!\n\n", log_.Text());
    ASSERT_EQ(1, GlobalLog().RecordCount());
    EXPECT_EQ(15, GlobalLog().Record(0).detailCode);
    EXPECT_EQ(15, other.LastError());
  }
}

TEST_F(KolTextTest, ArchiveAndDirectoryReadTheSameScript) {
  const std::string script =
      "// effect\r\nEffect Plasma {\r\n\tSpeed = 1.5f; /* per frame */\r\n"
      "\tName = \"hot\" \"pink\";\r\n\tStart = -2;\r\n}\r\n";
  const std::string expected =
      "Effect Plasma { Speed = #1.5 ; Name = \"hotpink\" ; Start = #-2 ; } => 0 7:1";
  dir_.Write("fx/plasma.txt", script);
  KolText fromDir;
  EXPECT_EQ(expected, Scan(fromDir, "fx/plasma.txt"));

  const std::string zip = dir_.PathOf("data.zip");
  ASSERT_TRUE(WriteZip(zip, {{"fx/plasma.txt", script, 8}, {"fx/one.txt", "x", 0}}));
  KolData archive;
  ASSERT_EQ(0, archive.Open(kKindArchive, zip.c_str()));
  archive.SetDefault(false);
  KolText fromZip;
  EXPECT_EQ(expected, Scan(fromZip, "fx/plasma.txt"));
  EXPECT_EQ(kTextUnexpectedEof, fromZip.OpenText("fx/one.txt"));
  EXPECT_EQ(kTextFileIo, fromZip.OpenText("fx/none.txt"));
  // A lexer keeps the source it was made with.
  EXPECT_EQ(expected, Scan(fromDir, "fx/plasma.txt"));
}

}  // namespace
