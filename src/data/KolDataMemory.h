// Memory back end: whole files held in memory under their names, read and
// written like the directory back end but without touching the disk (the fuzz
// harnesses and the seed generator serve their inputs through it). Names are
// matched like archive members: without regard to ASCII case, '\' read as '/'.
//
// Also here: KolMemoryImage and the minizip file functions over it, so that
// KolDataUnzip can read an archive held in memory instead of a file.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "KolDataSource.h"

struct zlib_filefunc_def_s;

class KolDataMemory : public KolDataSource {
 public:
  KolDataMemory() = default;
  ~KolDataMemory() override = default;
  KolDataMemory(const KolDataMemory&) = delete;
  KolDataMemory& operator=(const KolDataMemory&) = delete;

  // Adds a file, replacing one of the same name; a null name is refused.
  void Put(const char* name, const void* bytes, std::size_t size);
  // The bytes of a file, or null when there is none of that name.
  const std::string* Find(const char* name) const;
  // Forgets every file (and closes the one open).
  void Clear();

  int Load(const char* name, KolBuffer& buffer) override;
  bool Contains(const char* name) override;
  int Store(const char* name, const char* data, int size) override;
  int OpenRead(const char* name) override;
  int OpenWrite(const char* name) override;
  int CloseFile() override;
  // All or nothing, like the directory back end: 0 only when size bytes came.
  int Read(void* bytes, int size) override;
  int Write(const void* bytes, int size) override;
  int ReadCounted(void* bytes, int size, int& delivered) override;
  bool Holds(const char* name) override;

 private:
  // The name as the map holds it: lower case, '/' as the separator.
  static std::string Key(const char* name);

  std::map<std::string, std::string> files_;
  // The file open for reading or writing (a node of files_, which stays put).
  std::string* open_ = nullptr;
  bool writing_ = false;
  std::size_t position_ = 0;
};

// A read-only archive image in memory, as minizip sees it through the
// functions FillMemoryFileFunctions installs: one stream over the bytes,
// opened once at a time. The bytes stay the caller's and must outlive every
// archive opened over them.
struct KolMemoryImage {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  std::size_t position = 0;
  bool open = false;
};

// Fills a minizip file-function table (zlib_filefunc_def) that reads image:
// open, read, seek, tell, close and error; writes are refused.
void FillMemoryFileFunctions(zlib_filefunc_def_s& functions, KolMemoryImage& image);
