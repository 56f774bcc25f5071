#include "KolLog.h"

#include <cstring>

#include "Platform.h"

namespace {

const char kSeparator[] = "\n------------------------------------------------\n\n";
const char kOverflowNotice[] =
    "message buffer overflow.\r\nThe earliest messages are removed.\r\n"
    "---------------------------------------------\r\n";
constexpr int kOverflowNoticeLength = sizeof(kOverflowNotice) - 1;
static_assert(kOverflowNoticeLength == 109, "the notice is 109 characters");

}  // namespace

KolLog::KolLog() : records_(std::make_unique<KolLogRecord[]>(kMaxRecords)) {
  SetBufferSize(kDefaultBufferSize);
}

KolLog::~KolLog() {
  SetEcho(false);
  SetFileOutput(false);
  SetBufferOutput(false);
}

KolLog& TheLog() {
  static KolLog log;
  return log;
}

void KolLog::ResetForTest() {
  SetEcho(false);
  SetFileOutput(false);
  SetBufferOutput(false);
  fileName_ = "kol.log";
  SetBufferSize(kDefaultBufferSize);
  ForgetRecords();
}

void KolLog::ForgetRecords() {
  for (int i = 0; i < recordCount_; ++i) records_[i] = KolLogRecord();
  recordCount_ = 0;
}

void KolLog::Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Write("", false, false, 0, 0, nullptr, 0, format, args);
  va_end(args);
}

void KolLog::PrintLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Write("", true, false, 0, 0, nullptr, 0, format, args);
  va_end(args);
}

void KolLog::PrintError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Write("Error: ", false, false, 0, 0, nullptr, 0, format, args);
  va_end(args);
}

void KolLog::ReportError(int module, const char* moduleName, int detail, const char* format,
                         ...) {
  va_list args;
  va_start(args, format);
  Write("Error: ", true, true, 2, module, moduleName, detail, format, args);
  va_end(args);
}

void KolLog::Report(int kind, int module, const char* moduleName, int detail,
                    const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (kind == 1)
    Write("Warning: ", true, true, 1, module, moduleName, detail, format, args);
  else if (kind == 2)
    Write("Error: ", true, true, 2, module, moduleName, detail, format, args);
  else
    Write("", true, false, 0, 0, nullptr, 0, format, args);
  va_end(args);
}

void KolLog::ReportStatus(int module, const char* moduleName) {
  static const char kText[] = "unspecified error";
  AddRecord(2, module, moduleName, 0, kText);
  const int length = std::snprintf(scratch_, sizeof scratch_, "[%d][%s]: %s\n", module,
                                   moduleName ? moduleName : "", kText);
  if (length < 0 || length > kScratchSize) return;
  Emit(scratch_, length);
}

void KolLog::AddRecord(int kind, int module, const char* moduleName, int detail,
                       const char* text) {
  if (recordCount_ >= kMaxRecords) return;
  KolLogRecord& r = records_[recordCount_++];
  r.kind = kind;
  r.moduleCode = module;
  r.moduleName = moduleName ? moduleName : "";
  r.detailCode = detail;
  r.text = text;
}

void KolLog::Write(const char* prefix, bool lineEnd, bool record, int kind, int module,
                   const char* moduleName, int detail, const char* format, va_list args) {
  const int prefixLength = static_cast<int>(std::strlen(prefix));
  std::memcpy(scratch_, prefix, prefixLength);
  char* text = scratch_ + prefixLength;
  const int room = static_cast<int>(sizeof scratch_) - prefixLength;
  const int textLength = std::vsnprintf(text, room, format, args);
  if (textLength < 0) return;  // a format the C library refuses: nothing to write
  if (record) AddRecord(kind, module, moduleName, detail, text);

  // The scratch holds kScratchSize characters; anything longer is dropped whole.
  const long total = prefixLength + static_cast<long>(textLength) + (lineEnd ? 1 : 0);
  if (total > kScratchSize) return;
  if (lineEnd) {
    scratch_[total - 1] = '\n';
    scratch_[total] = '\0';
  }
  Emit(scratch_, static_cast<int>(total));
}

void KolLog::Emit(const char* text, int length) {
  // The text is written as is: it is never used as a format a second time.
  if (echo_) {
    std::fwrite(text, 1, length, stdout);
    std::fflush(stdout);
  }
  if (file_) {
    std::fwrite(text, 1, length, file_);
    std::fflush(file_);  // the file stays complete even if the program dies
  }
  if (buffered_) AppendToBuffer(text, length);
}

void KolLog::AppendToBuffer(const char* text, int length) {
  int lineFeeds = 0;
  for (int i = 0; i < length; ++i) lineFeeds += text[i] == '\n';
  const int expanded = length + lineFeeds;  // CR before every LF

  if (bufferLength_ + 2 * length + 100 >= bufferCapacity_) {
    // Keep the notice and the newest third of the text behind it.
    const int cut = (2 * bufferCapacity_) / 3;
    const int oldLength = bufferLength_;
    char* b = buffer_.get();
    int keepFrom = cut;
    int keep = oldLength > cut ? oldLength - cut : 0;
    // A message that still would not fit (small capacity, many line feeds) drops
    // more of the old text, so the buffer is never written past its capacity.
    const int room = bufferCapacity_ - 1 - kOverflowNoticeLength - expanded;
    if (keep > room) {
      const int drop = keep - (room > 0 ? room : 0);
      keepFrom += drop;
      keep -= drop;
    }
    std::memcpy(b, kOverflowNotice, kOverflowNoticeLength);
    if (keep > 0) std::memmove(b + kOverflowNoticeLength, b + keepFrom, keep);
    bufferLength_ = kOverflowNoticeLength + keep;
    b[bufferLength_] = '\0';
  }

  // A single message is at most kScratchSize characters, so with the minimum
  // capacity it always fits behind the notice; cut it short rather than overrun.
  char* out = buffer_.get() + bufferLength_;
  char* const end = buffer_.get() + bufferCapacity_ - 1;
  for (int i = 0; i < length; ++i) {
    if (text[i] == '\n') {
      if (end - out < 2) break;
      *out++ = '\r';
    } else if (out >= end) {
      break;
    }
    *out++ = text[i];
  }
  *out = '\0';
  bufferLength_ = static_cast<int>(out - buffer_.get());
}

void KolLog::SetFileOutput(bool on) {
  if (on) {
    if (file_) return;
    bool notRegular = false;
    file_ = plat::OpenRegularFile(fileName_.c_str(), "a", &notRegular);
    // A FIFO or device there would hang the program or swallow the log. The
    // other outputs still carry the reason; a file that cannot be made at
    // all stays as quiet as before.
    if (!file_ && notRegular)
      PrintLine("Log file [%s] is not a regular file; the log is not written to it",
                fileName_.c_str());
    if (!file_) return;
    Print("%s", kSeparator);
  } else if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
}

void KolLog::SetBufferOutput(bool on) {
  buffer_.reset();
  buffered_ = false;
  bufferLength_ = 0;
  if (!on) return;
  buffer_ = std::make_unique<char[]>(bufferCapacity_);
  buffer_[0] = '\0';
  buffered_ = true;
}

void KolLog::SetBufferSize(int size) {
  bufferCapacity_ = size > kMinBufferSize ? size : kMinBufferSize;
  const bool wasOn = buffered_;
  SetBufferOutput(false);
  if (wasOn) SetBufferOutput(true);
}

void KolLog::SetFileName(const char* name) { fileName_ = name ? name : ""; }
