// The script lexer over one text. The first byte of the input picks, step by
// step, whether the lexer is asked for what the text looks like it holds
// next (a number before a digit, a word before a letter, ...) or for some
// other token, as a parser meeting a wrong script would; the rest is the text,
// served as "Script/Fuzz.txt" by a memory source.
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "KolDataMemory.h"
#include "KolText.h"

namespace {


enum Operation { kNumber, kWord, kQuoted, kCurrent, kSemicolon, kKeyword, kSpace, kAdvance };

// A sign is taken as punctuation ("12 - 20"); the forced steps read signed numbers.
bool LooksLikeNumber(char c) { return (c >= '0' && c <= '9') || c == '.'; }
bool LooksLikeWord(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

int Run(KolText& lexer, int operation) {
  switch (operation) {
    case kNumber: return lexer.ReadNumber();
    case kWord: return lexer.ReadWord();
    case kQuoted: return lexer.ReadQuoted();
    case kCurrent: return lexer.Expect(lexer.Current());
    case kSemicolon: return lexer.Expect(';');
    case kKeyword: return lexer.ExpectKeyword("Texture");
    case kSpace: return lexer.SkipSpace();
    default: return lexer.Advance();
  }
}

void CheckState(const KolText& lexer) {
  FUZZ_CHECK(lexer.TokenLength() >= 0 && lexer.TokenLength() <= KolText::kMaxToken);
  FUZZ_CHECK(std::strlen(lexer.Token()) <= static_cast<std::size_t>(KolText::kMaxToken) + 1);
  FUZZ_CHECK(lexer.Line() >= 1 && lexer.Line() <= KolText::kMaxLines + 1);
  // A tab moves four columns before the limit is checked.
  FUZZ_CHECK(lexer.Column() >= 1 && lexer.Column() <= KolText::kMaxColumn + 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned program = data[0];
  ClearFilesAfterInput clear;
  FuzzFiles().Put("Script/Fuzz.txt", data + 1, size - 1);
  ResetForInput(&FuzzFiles());

  KolText lexer;
  int code = lexer.OpenText("Script/Fuzz.txt");
  CheckState(lexer);
  // Within eight steps at least one operation moves on or fails, so the text's
  // length bounds the steps; the limit only guards against a lexer that stops.
  for (int step = 0; code == kTextOk && lexer.Current() != 0 && step < (1 << 20); ++step) {
    int operation;
    if ((program >> (step & 7)) & 1) {
      operation = static_cast<int>((static_cast<unsigned>(step) * 3 + program) % 8);
    } else {
      const char c = lexer.Current();
      operation = LooksLikeNumber(c) ? kNumber
                  : LooksLikeWord(c) ? kWord
                  : c == '"'         ? kQuoted
                                     : kCurrent;
    }
    code = Run(lexer, operation);
    CheckState(lexer);
  }
  if (code != kTextOk) lexer.ReportTextError(code);
  FUZZ_CHECK(KolText::Message(code) != nullptr);
  FUZZ_CHECK(KolText::Message(static_cast<int>(program) - 128) != nullptr);
  lexer.CloseFile();
  return 0;
}
