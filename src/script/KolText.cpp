#include "KolText.h"

#include <cfloat>
#include <cstdlib>

#include "KolLog.h"

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

void ResetTextErrorLatchForTest() { gTextErrorReported = false; }

KolText::KolText() : KolFile(false) {}

KolText::~KolText() = default;

const char* KolText::Message(int code) {
  if (code < 0 || code > 14) code = kTextCritical;
  return kMessages[code];
}

void KolText::Fetch() {
  current_ = next_;
  if (position_ < size_)
    next_ = text_[position_++];
  else
    next_ = 0;
}

int KolText::OpenText(const char* path) {
  fileName_ = path ? path : "";
  text_.reset();
  size_ = position_ = 0;
  current_ = next_ = 0;
  tokenLength_ = 0;
  EndToken();
  KolBuffer loaded;
  const int count = Load(path, loaded);
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
  return SkipSpace();
}

int KolText::ReadNumber() {
  number_ = 0.0f;
  tokenLength_ = 0;
  EndToken();
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
  return SkipSpace();
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
        GlobalLog().Print("Warning: KolText: TAB found in a string; replaced with a space.\n");
        current_ = ' ';  // and so it counts one column
      }
      if (int r = AppendAndAdvance()) return r;
    }
    EndToken();
    if (int r = Advance()) return r;  // past the closing quote
    if (int r = SkipSpace()) return r;
    // Strings separated only by space or comments are joined.
    if (current_ != '"') return kTextOk;
  }
}

int KolText::Expect(char c) {
  if (current_ != c) return kTextSyntax;
  if (int r = Advance()) return r;
  return SkipSpace();
}

int KolText::ExpectKeyword(const char* text) {
  for (const char* p = text; *p; ++p) {
    if (current_ != *p) return kTextSyntax;
    if (int r = Advance()) return r;
  }
  return SkipSpace();
}

void KolText::ReportTextError(int code) {
  if (gTextErrorReported) return;
  gTextErrorReported = true;
  if (code < 0 || code > 14) code = kTextCritical;
  GlobalLog().ReportError(kModuleText, "KolText", code, "%s (line %d, column %d): E%04d - %s\n",
                          fileName_.c_str(), line_, column_, code, Message(code));
  lastError_ = code;
}
