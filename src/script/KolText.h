// The script lexer: reads one text file whole through the default load source
// and hands the parser the token it asks for next (number, word, quoted string,
// punctuation, keyword), skipping blanks, line ends and comments behind it.
// Every operation returns a numbered code (0 = success); the parser decides
// whether to report one with ReportTextError, which writes only the first text
// error of the whole run.
#pragma once

#include <string>

#include "KolData.h"
#include "KolFile.h"

enum KolTextCode {
  kTextOk = 0,
  kTextInternal = 1,
  kTextFileIo = 2,
  kTextSyntax = 3,
  kTextTooManyLines = 4,
  kTextLongLine = 5,
  kTextLongWord = 6,
  kTextBadLineEnd = 7,
  kTextUnexpectedEof = 8,
  kTextUnexpectedEol = 9,
  kTextEolExpected = 10,
  kTextUnexpectedChar = 11,
  kTextSpaceInToken = 12,
  kTextSpaceExpected = 13,
  kTextUnknownClass = 14,
  kTextCritical = 15,
};

class KolText : public KolFile {
 public:
  static constexpr int kMaxToken = 255;
  static constexpr int kMaxColumn = 256;
  static constexpr int kMaxLines = 20000;

  KolText();  // bound to the default load source
  ~KolText() override;

  // Loads the whole file and moves to its first token.
  virtual int OpenText(const char* path);
  // The same for text already in memory (copied), named name in messages: an
  // author tool reads what it is about to write with the rules that will read it.
  int OpenTextBytes(const char* name, const char* bytes, int size);
  int OpenRead(const char* name) override { return OpenText(name); }
  int OpenWrite(const char* name) override { return 1; }  // a lexer never writes
  int CloseFile() override;

  // The character under the cursor; 0 past the end of the text.
  char Current() const { return current_; }
  const char* Token() const { return token_; }
  int TokenLength() const { return tokenLength_; }
  float Number() const { return number_; }
  int Line() const { return line_; }
  int Column() const { return column_; }
  const char* FileName() const { return fileName_.c_str(); }
  int LastError() const { return lastError_; }
  // What the front end's Load gave for the file last opened: its size, 0 for
  // an empty file, -1 when it could not be read.
  int LoadCount() const { return loadCount_; }
  // The byte offset of the current character in the text.
  int Offset() const { return CurrentOffset(); }

  int Advance();
  int SkipSpace();
  int ReadNumber();
  int ReadWord();
  int ReadQuoted();
  int Expect(char c);
  int ExpectKeyword(const char* text);

  // Writes "<file> (line L, column C): Ennnn - <message>" as an error, unless a
  // text error has already been reported in this run. With author diagnostics
  // on, the first error of a set-up also leaves a finding that says what was
  // expected and what was found instead.
  void ReportTextError(int code);

  // Author diagnostics: names the token the parser asks for next ("\";\" after
  // the track name"), at the cursor. A reading operation that succeeds forgets
  // it; one that fails leaves it for ReportTextError. Costs nothing while
  // diagnostics are off.
  void Expecting(const char* what);
  void Expecting(const std::string& what) { Expecting(what.c_str()); }
  // Why OpenText gave code, in an author's words ("missing from the data, or
  // cannot be read", "the file is empty", ...), with the place when it has one
  // (line and column 0 otherwise).
  // what names the file in the sentence: "the <what> is empty".
  std::string ExplainOpenFailure(int code, const char* what, int& line, int& column) const;
  // The token at the cursor in an author's words: "\"Sped\"", "the end of the file".
  std::string DescribeCurrent() const { return DescribeAt(CurrentOffset()); }
  static const char* Message(int code);

 private:
  void Forget(const char* path);  // no text, named path
  int StartText(KolBuffer loaded, int count);
  void Fetch();  // the next character becomes current, the one after it next
  // Adds the current character to the token and moves on: kTextLongWord when
  // the token would pass kMaxToken, else Advance's code.
  int AppendAndAdvance();
  void AppendToken(char c) { token_[tokenLength_++] = c; }
  void EndToken() { token_[tokenLength_] = '\0'; }
  // Returns code, forgetting the expectation when it is 0.
  int Done(int code);
  std::string DescribeAt(int offset) const;
  // Where the current character sits in the text; size_ once past its end.
  int CurrentOffset() const {
    const int offset = position_ - 2 + fetchedPastEnd_;
    return offset < 0 ? 0 : offset < size_ ? offset : size_;
  }
  std::string Explain(int code, int& line, int& column) const;
  bool StartsWithByteOrderMark() const;
  void CheckLetterAfterNumber(int line, int column);

  std::string fileName_;
  int lastError_ = 0;
  KolBuffer text_;
  int size_ = 0;
  int position_ = 0;
  int loadCount_ = 0;
  // Fetches once the text has run out: with position_ they tell where the
  // current character sits, which the hot path then need not keep.
  int fetchedPastEnd_ = 0;
  std::string expected_;   // author diagnostics: the token asked for, and where
  int expectedLine_ = 0;
  int expectedColumn_ = 0;
  int expectedOffset_ = 0;
  int line_ = 1;
  int column_ = 1;
  char current_ = 0;
  char next_ = 0;
  int tokenLength_ = 0;
  char token_[kMaxToken + 2] = {};  // room for the character that overflows it
  float number_ = 0.0f;
};

// Forgets that a text error was reported, so the next one is written again:
// for an author tool that sets the demo up anew after every edit, where each
// set-up must report its own first error. The demo itself never calls it.
void ForgetReportedTextError();

// Tests only: forget that a text error was reported, as at program start.
void ResetTextErrorLatchForTest();
