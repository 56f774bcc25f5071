#include "KolText.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KolLog.h"
#include "ScriptDiagnostics.h"

namespace {

// Only the first text error of a run is written; this is never cleared.
bool gTextErrorReported = false;

const char* const kMessages[] = {
    "All OK",
    "Internal error",
    "File I/O error",
    "Syntax error",
    "Too many lines",
    "Too long line",
    "Too long word",
    "Invalid end-of-line code; 13 10 required",
    "Unexpected end of file",
    "Unexpected end of line",
    "End of line expected",
    "Unexpected character",
    "Whitespace in compound token",
    "Whitespace expected",
    "Unknown class",
    "Critical internal error!",
};

// ASCII only: bytes above 127 are neither letters nor digits.
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void ForgetReportedTextError() { gTextErrorReported = false; }

void ResetTextErrorLatchForTest() { ForgetReportedTextError(); }

KolText::KolText() : KolFile(false) {}

KolText::~KolText() = default;

const char* KolText::Message(int code) {
  if (code < 0 || code > 14) code = kTextCritical;
  return kMessages[code];
}

void KolText::Fetch() {
  current_ = next_;
  if (position_ < size_) {
    next_ = text_[position_++];
  } else {
    next_ = 0;
    ++fetchedPastEnd_;
  }
}

void KolText::Forget(const char* path) {
  fileName_ = path ? path : "";
  text_.reset();
  size_ = position_ = 0;
  current_ = next_ = 0;
  fetchedPastEnd_ = 0;
  expected_.clear();
  tokenLength_ = 0;
  EndToken();
}

int KolText::OpenText(const char* path) {
  Forget(path);
  KolBuffer loaded;
  const size_t matchesBefore = CaseMatches().size();
  const int count = Load(path, loaded);
  for (size_t i = matchesBefore; i < CaseMatches().size(); ++i)
    TheScriptDiagnostics().AddCaseWarning(CaseMatches()[i]);
  return StartText(std::move(loaded), count);
}

int KolText::OpenTextBytes(const char* name, const char* bytes, int size) {
  Forget(name);
  if (!bytes || size <= 0) return StartText(nullptr, 0);
  KolBuffer copy = std::make_unique<char[]>(static_cast<size_t>(size));
  std::memcpy(copy.get(), bytes, static_cast<size_t>(size));
  return StartText(std::move(copy), size);
}

int KolText::StartText(KolBuffer loaded, int count) {
  loadCount_ = count;
  if (count <= 0) return kTextFileIo;
  // A one-byte file and the failure value 1 look alike; neither is a script.
  if (count == 1) return kTextUnexpectedEof;
  text_ = std::move(loaded);
  size_ = count;
  line_ = 1;
  column_ = 1;
  current_ = text_[0];
  next_ = text_[1];
  position_ = 2;
  if (current_ == '\r') {
    if (next_ != '\n') return kTextBadLineEnd;
    Fetch();
  }
  return SkipSpace();
}

int KolText::CloseFile() {
  fileName_.clear();
  return 0;
}

int KolText::Advance() {
  column_ += current_ == '\t' ? 4 : 1;
  if (column_ > kMaxColumn) return kTextLongLine;
  if (current_ == '\n') {
    ++line_;
    if (line_ > kMaxLines) return kTextTooManyLines;
    column_ = 1;
  }
  Fetch();
  if (current_ == '\r') {
    // CR LF counts as one line feed; a lone CR is an error.
    if (next_ != '\n') return kTextBadLineEnd;
    Fetch();
  }
  return kTextOk;
}

int KolText::SkipSpace() {
  for (;;) {
    bool skipped = false;
    if (current_ == '/' && next_ == '/') {
      // The line feed itself is skipped below.
      while (current_ != '\n')
        if (int r = Advance()) return r;
      skipped = true;
    }
    if (current_ == '/' && next_ == '*') {
      // Onto the opening star, which may also be the closing one ("/*/").
      if (int r = Advance()) return r;
      while (!(current_ == '*' && next_ == '/'))
        if (int r = Advance()) return r;
      if (int r = Advance()) return r;
      if (int r = Advance()) return r;
      skipped = true;
    }
    if (current_ == ' ' || current_ == '\t' || current_ == '\n') {
      if (int r = Advance()) return r;
      skipped = true;
    }
    if (!skipped) return kTextOk;
  }
}

int KolText::AppendAndAdvance() {
  // The length is checked before moving on, so an over-long token is reported
  // as such even where the line limit would be reached at the same character.
  AppendToken(current_);
  if (tokenLength_ > kMaxToken) {
    tokenLength_ = kMaxToken;
    EndToken();
    return kTextLongWord;
  }
  const int r = Advance();
  if (r) EndToken();
  return r;
}

int KolText::ReadWord() {
  tokenLength_ = 0;
  EndToken();
  if (!IsLetter(current_) && current_ != '_') return kTextUnexpectedChar;
  while (IsLetter(current_) || IsDigit(current_) || current_ == '_') {
    if (int r = AppendAndAdvance()) return r;
  }
  EndToken();
  return Done(SkipSpace());
}

int KolText::ReadNumber() {
  number_ = 0.0f;
  tokenLength_ = 0;
  EndToken();
  const int startLine = line_, startColumn = column_;
  bool point = false;
  for (;;) {
    const char c = current_;
    if (c == 'f') {
      if (tokenLength_ == 0 || token_[tokenLength_ - 1] == '.') return kTextUnexpectedChar;
      if (int r = Advance()) return r;
      break;
    }
    if (IsDigit(c) || (c == '.' && !point) || ((c == '+' || c == '-') && tokenLength_ == 0)) {
      // The line length limit ends a number long before this; keep the buffer safe anyway.
      if (tokenLength_ == kMaxToken) {
        EndToken();
        return kTextLongWord;
      }
      AppendToken(c);
      if (c == '.') point = true;
      if (int r = Advance()) {
        EndToken();
        return r;
      }
      continue;
    }
    break;
  }
  EndToken();
  if (tokenLength_ == 0) return kTextUnexpectedChar;
  char* end = nullptr;
  const double value = std::strtod(token_, &end);
  if (end != token_ + tokenLength_) return kTextSyntax;
  // Digits beyond the float range give the largest float rather than an
  // undefined conversion.
  number_ = value > FLT_MAX ? FLT_MAX : value < -FLT_MAX ? -FLT_MAX : static_cast<float>(value);
  CheckLetterAfterNumber(startLine, startColumn);
  return Done(SkipSpace());
}

int KolText::ReadQuoted() {
  if (current_ != '"') return kTextUnexpectedChar;
  tokenLength_ = 0;
  EndToken();
  for (;;) {
    if (int r = Advance()) return r;  // past the opening quote
    while (current_ != '"') {
      if (current_ == '\r' || current_ == '\n') {
        EndToken();
        return kTextUnexpectedEol;
      }
      if (current_ == '\t') {
        TheLog().Print("Warning: KolText: TAB found in a string; replaced with a space.\n");
        current_ = ' ';  // and so it counts one column
      }
      if (int r = AppendAndAdvance()) return r;
    }
    EndToken();
    if (int r = Advance()) return r;  // past the closing quote
    if (int r = SkipSpace()) return r;
    // Strings separated only by space or comments are joined.
    if (current_ != '"') return Done(kTextOk);
  }
}

int KolText::Expect(char c) {
  if (current_ != c) return kTextSyntax;
  if (int r = Advance()) return r;
  return Done(SkipSpace());
}

int KolText::ExpectKeyword(const char* text) {
  for (const char* p = text; *p; ++p) {
    if (current_ != *p) return kTextSyntax;
    if (int r = Advance()) return r;
  }
  return Done(SkipSpace());
}

void KolText::ReportTextError(int code) {
  if (gTextErrorReported) return;
  gTextErrorReported = true;
  if (code < 0 || code > 14) code = kTextCritical;
  TheLog().ReportError(kModuleText, "KolText", code, "%s (line %d, column %d): E%04d - %s\n",
                          fileName_.c_str(), line_, column_, code, Message(code));
  lastError_ = code;
  ScriptDiagnostics& diagnostics = TheScriptDiagnostics();
  // A reader that knew the cause better (a misspelt kind word, a missing
  // track) has already said it; this error is only how the failure surfaced.
  if (diagnostics.Enabled() && diagnostics.ErrorCount() == 0) {
    int line = line_, column = column_;
    const std::string explanation = Explain(code, line, column);
    diagnostics.AddError(fileName_, line, column, explanation);
  }
}

void KolText::Expecting(const char* what) {
  if (!TheScriptDiagnostics().Enabled()) return;
  expected_ = what ? what : "";
  expectedLine_ = line_;
  expectedColumn_ = column_;
  expectedOffset_ = CurrentOffset();
}

int KolText::Done(int code) {
  // Only diagnostics set an expectation: without them this is one test.
  if (code == kTextOk && !expected_.empty()) expected_.clear();
  return code;
}

bool KolText::StartsWithByteOrderMark() const {
  return size_ >= 3 && static_cast<unsigned char>(text_[0]) == 0xEF &&
         static_cast<unsigned char>(text_[1]) == 0xBB && static_cast<unsigned char>(text_[2]) == 0xBF;
}

std::string KolText::DescribeAt(int offset) const {
  if (offset >= size_ || !text_) return "the end of the file";
  const char c = text_[offset];
  if (c == '\n' || c == '\r') return "the end of the line";
  if (c == '"') return "a quoted string";
  std::string piece;
  const auto take = [&](auto belongs) {
    for (int i = offset; i < size_ && piece.size() < 40 && belongs(text_[i]); ++i) piece += text_[i];
  };
  if (IsLetter(c) || c == '_') {
    take([](char x) { return IsLetter(x) || IsDigit(x) || x == '_'; });
  } else if (IsDigit(c) || c == '.' || c == '+' || c == '-') {
    // Letters too, so "1e9" shows as the author wrote it.
    take([](char x) { return IsLetter(x) || IsDigit(x) || x == '.' || x == '+' || x == '-'; });
  } else if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) {
    char text[16];
    std::snprintf(text, sizeof text, "byte 0x%02X", static_cast<unsigned char>(c));
    return text;
  } else {
    piece = c;
  }
  return '"' + piece + '"';
}

std::string KolText::Explain(int code, int& line, int& column) const {
  if (StartsWithByteOrderMark() && (CurrentOffset() == 0 || (!expected_.empty() && expectedOffset_ == 0))) {
    line = column = 1;
    return "the file starts with a UTF-8 byte-order mark (bytes EF BB BF), which the script "
           "reader does not skip: save the file without it";
  }
  if ((code == kTextSyntax || code == kTextUnexpectedChar) && !expected_.empty()) {
    // The token where the expected one should have begun: a keyword that
    // matched only its first letters is shown whole.
    line = expectedLine_;
    column = expectedColumn_;
    return "expected " + expected_ + ", found " + DescribeAt(expectedOffset_);
  }
  switch (code) {
    case kTextSyntax: return "syntax error at " + DescribeAt(CurrentOffset());
    case kTextUnexpectedChar: return "unexpected " + DescribeAt(CurrentOffset());
    case kTextFileIo: return "the file is missing, empty or cannot be read";
    case kTextTooManyLines: return "the file has more than 20000 lines";
    case kTextLongLine:
      if (CurrentOffset() >= size_)
        return "the file ends inside a comment: a /* comment is never closed with */, or a // "
               "comment on the last line has no line end";
      return "the line is longer than 255 columns (a tab counts as 4)";
    case kTextLongWord: return "a word or quoted string is longer than 255 characters";
    case kTextBadLineEnd:
      return "a carriage return without a line feed after it: line ends must be LF or CR LF";
    case kTextUnexpectedEof: return "the file holds a single byte";
    case kTextUnexpectedEol: return "a quoted string is not closed (\") before the end of its line";
    default: return Message(code);
  }
}

std::string KolText::ExplainOpenFailure(int code, const char* what, int& line, int& column) const {
  line = column = 0;
  if (code == kTextFileIo)
    return std::string("the ") + what +
           (loadCount_ == 0 ? " is empty" : " is missing from the data, or cannot be read");
  line = line_;
  column = column_;
  return Explain(code, line, column);
}

void KolText::CheckLetterAfterNumber(int line, int column) {
  if (!(IsLetter(current_) || current_ == '_')) return;
  ScriptDiagnostics& diagnostics = TheScriptDiagnostics();
  if (!diagnostics.Enabled()) return;
  std::string rest;
  for (int i = CurrentOffset(); i < size_ && rest.size() < 40; ++i) {
    const char x = text_[i];
    if (!(IsLetter(x) || IsDigit(x) || x == '_')) break;
    rest += x;
  }
  const std::string number = ScriptNumberText(number_);
  std::string message;
  // An exponent: e or E, an optional sign, then digits.
  std::string exponent;
  if (rest[0] == 'e' || rest[0] == 'E') {
    int i = CurrentOffset() + 1;
    if (i < size_ && (text_[i] == '+' || text_[i] == '-')) ++i;
    const int digits = i;
    while (i < size_ && IsDigit(text_[i])) ++i;
    if (i > digits && !(i < size_ && (IsLetter(text_[i]) || text_[i] == '_')))
      exponent.assign(text_.get() + CurrentOffset(), text_.get() + i);
  }
  if (!exponent.empty()) {
    const std::string written = std::string(token_) + exponent;
    message = '"' + written + "\" reads as the number " + number + " followed by \"" + exponent +
              "\": numbers have no exponent";
    const double value = std::strtod(written.c_str(), nullptr);
    if (std::isfinite(value)) message += "; write " + ScriptNumberText(value);
  } else {
    message = "the number " + number + " is followed at once by \"" + rest +
              "\", which reads as a name of its own; put a blank between them if that is meant";
  }
  diagnostics.AddWarning(fileName_, line, column, message);
}
