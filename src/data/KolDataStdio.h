// Directory back end: reads and writes files under a root directory with the C
// library's buffered streams. Names may use '\' or '/' as separators.
#pragma once

#include <cstdio>

#include "KolDataSource.h"

class KolDataStdio : public KolDataSource {
 public:
  KolDataStdio() = default;
  ~KolDataStdio() override;

  int Open(int kind, const char* root) override;
  int Close() override;
  int Load(const char* name, KolBuffer& buffer) override;
  int Store(const char* name, const char* data, int size) override;
  int OpenRead(const char* name) override;
  int OpenWrite(const char* name) override;
  int CloseFile() override;
  int Read(void* bytes, int size) override;
  int Write(const void* bytes, int size) override;
  int ReadCounted(void* bytes, int size, int& delivered) override;

 private:
  // Joins root and name into path; false (with a log line naming the caller's
  // operation) when the result would not fit kMaxPath.
  bool Resolve(const char* operation, const char* name, char (&path)[kMaxPath]) const;
  void CloseOpenFile();
  // Opens the resolved path when it is a regular file; says why not in the log.
  std::FILE* OpenFile(const char* operation, const char* name, const char* path,
                      const char* mode) const;

  std::FILE* file_ = nullptr;
};
