// Directory back end: reads and writes files under a root directory with the C
// library's buffered streams. Names may use '\' or '/' as separators. A name
// missing as written is matched without regard to ASCII case, one component at
// a time, as Windows and the archive back end match it, so a demo made on
// Windows reads the same from a directory here as from its archive.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "KolDataSource.h"

class KolDataStdio : public KolDataSource {
 public:
  KolDataStdio() = default;
  ~KolDataStdio() override;

  int Open(int kind, const char* root) override;
  int Close() override;
  int Load(const char* name, KolBuffer& buffer) override;
  bool Contains(const char* name) override;
  int Store(const char* name, const char* data, int size) override;
  int OpenRead(const char* name) override;
  int OpenWrite(const char* name) override;
  int CloseFile() override;
  int Read(void* bytes, int size) override;
  int Write(const void* bytes, int size) override;
  int ReadCounted(void* bytes, int size, int& delivered) override;
  bool Holds(const char* name) override;

  // The entry of names that a lookup of wanted opens: wanted itself when it is
  // there, else the first in byte order of those equal to it without regard to
  // ASCII case; -1 when there is none.
  static int MatchName(const std::vector<std::string>& names, std::string_view wanted);

 private:
  // Joins root and name into path; false (with a log line naming the caller's
  // operation; none when it is null) when the result would not fit kMaxPath.
  bool Resolve(const char* operation, const char* name, char (&path)[kMaxPath]) const;
  void CloseOpenFile();
  // Where the name starts in a resolved path.
  size_t NameStart() const;
  bool Exists(const char* operation, const char* name);
  // Rewrites each component of the resolved path below the root to the entry
  // MatchName picks in its directory; true when every component was found.
  bool MatchCase(char (&path)[kMaxPath]) const;
  // Opens the resolved path when it is a regular file; says why not in the log.
  // A read missing the exact name opens the name MatchCase finds and notes
  // the case match; a write replaces that file, and creates the exact name
  // when there is none.
  std::FILE* OpenFile(const char* operation, const char* name, char (&path)[kMaxPath],
                      const char* mode) const;

  std::FILE* file_ = nullptr;
};
