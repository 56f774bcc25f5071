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

  int Advance();
  int SkipSpace();
  int ReadNumber();
  int ReadWord();
  int ReadQuoted();
  int Expect(char c);
  int ExpectKeyword(const char* text);

  // Writes "<file> (line L, column C): Ennnn - <message>" as an error, unless a
  // text error has already been reported in this run.
  void ReportTextError(int code);
  static const char* Message(int code);

 private:
  void Fetch();  // the next character becomes current, the one after it next
  // Adds the current character to the token and moves on: kTextLongWord when
  // the token would pass kMaxToken, else Advance's code.
  int AppendAndAdvance();
  void AppendToken(char c) { token_[tokenLength_++] = c; }
  void EndToken() { token_[tokenLength_] = '\0'; }

  std::string fileName_;
  int lastError_ = 0;
  KolBuffer text_;
  int size_ = 0;
  int position_ = 0;
  int line_ = 1;
  int column_ = 1;
  char current_ = 0;
  char next_ = 0;
  int tokenLength_ = 0;
  char token_[kMaxToken + 2] = {};  // room for the character that overflows it
  float number_ = 0.0f;
};

// Tests only: forget that a text error was reported, as at program start.
void ResetTextErrorLatchForTest();
