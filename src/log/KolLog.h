// The one message log of the program: every error, warning and status line goes
// through it to up to three outputs (standard output, the file "kol.log", an
// in-memory buffer). Error and warning reports also leave a KolLogRecord; the
// record count is what callers test to decide whether to go on. The log never
// fails its callers and never reports about itself.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>

#include "KolLogRecord.h"

#if defined(__GNUC__)
#define KOL_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KOL_PRINTF(fmt, args)
#endif

// Module codes carried by reports.
enum KolModule {
  kModuleModalDialog = 1,
  kModuleSurface = 3,
  kModuleGravityParticle = 5,
  kModuleSound = 6,
  kModuleList = 7,
  kModuleTex = 8,
  kModuleText = 9,
  kModuleListBox = 10,
  kModulePixelSurface = 10,  // shares the list box's code
  kModuleDirectDraw = 11,
};

class KolLog {
 public:
  static constexpr int kScratchSize = 1024;  // longest message that is written
  static constexpr int kMaxRecords = 100;
  static constexpr int kDefaultBufferSize = 32000;
  static constexpr int kMinBufferSize = 3000;

  KolLog();
  ~KolLog();
  KolLog(const KolLog&) = delete;
  KolLog& operator=(const KolLog&) = delete;

  void Print(const char* format, ...) KOL_PRINTF(2, 3);
  void PrintLine(const char* format, ...) KOL_PRINTF(2, 3);
  void PrintError(const char* format, ...) KOL_PRINTF(2, 3);
  void ReportError(int module, const char* moduleName, int detail, const char* format, ...)
      KOL_PRINTF(5, 6);
  void Report(int kind, int module, const char* moduleName, int detail, const char* format, ...)
      KOL_PRINTF(6, 7);
  void ReportStatus(int module, const char* moduleName);

  int RecordCount() const { return recordCount_; }
  // Drops the records (the outputs stay as they are): a tool that runs the
  // demo's set-up again in one process judges each run by its own records.
  void ForgetRecords();
  const KolLogRecord& Record(int index) const { return records_[index]; }

  void SetEcho(bool on) { echo_ = on; }
  void SetFileOutput(bool on);
  void SetBufferOutput(bool on);
  void SetBufferSize(int size);
  void SetFileName(const char* name);

  bool FileOutput() const { return file_ != nullptr; }
  int BufferCapacity() const { return bufferCapacity_; }
  // The buffer's text with CR LF line ends, or null while the buffer is off.
  const char* BufferText() const { return buffer_.get(); }
  int BufferLength() const { return bufferLength_; }

  // Tests only: back to the freshly constructed state (outputs off, no records).
  void ResetForTest();

 private:
  // kind: 0 plain, 1 warning, 2 error. prefix/lineEnd shape the written text;
  // record says whether a record is kept.
  void Write(const char* prefix, bool lineEnd, bool record, int kind, int module,
             const char* moduleName, int detail, const char* format, va_list args);
  void AddRecord(int kind, int module, const char* moduleName, int detail, const char* text);
  void Emit(const char* text, int length);
  void AppendToBuffer(const char* text, int length);

  bool echo_ = false;
  bool buffered_ = false;
  int bufferCapacity_ = kDefaultBufferSize;
  std::string fileName_ = "kol.log";
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  int bufferLength_ = 0;
  char scratch_[kScratchSize + 1] = {};  // one message and its terminator
  std::unique_ptr<KolLogRecord[]> records_;
  int recordCount_ = 0;
};

// The program's log, alive from before the entry runs until after it returns.
KolLog& TheLog();
