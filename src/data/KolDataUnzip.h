// Zip archive back end: reads members of one archive with minizip, matching
// member names without regard to ASCII case and with '\' read as '/'. Archives
// are read-only. Members that minizip would hand back wrongly (encrypted, an
// unknown compression method, a failed checksum) are refused, never passed on;
// members whose sizes minizip does not take from their zip64 field are read
// here instead of by minizip.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "KolDataMemory.h"
#include "KolDataSource.h"

class KolDataUnzip : public KolDataSource {
 public:
  KolDataUnzip();
  ~KolDataUnzip() override;

  int Open(int kind, const char* root) override;
  // Binds the source to an archive image held in memory instead of a file;
  // root only names it. The bytes must stay unchanged until Close.
  int OpenImage(const char* root, const void* bytes, std::size_t size);
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

  // Largest member Load allocates for.
  static constexpr unsigned long kMaxMemberSize = 256UL * 1024 * 1024;

 private:
  struct MemberInfo {
    std::uint64_t size = 0;
    std::uint64_t packedSize = 0;
    unsigned long crc = 0;
    int method = 0;
    // Debian's minizip 1.1 compares a 32-bit size with (unsigned long)-1, so
    // where unsigned long has 64 bits it never takes the zip64 sizes, and its
    // reads by the marked ones run past the member, fail near the end of the
    // archive and skip the checksum. The sizes are taken here, and the member
    // is read directly.
    bool readDirectly = false;
  };
  struct DirectMember;  // zlib's state for a member read directly
  // Makes the named member current; false when it is not in the archive or
  // the name does not fit (the caller writes its own "not found" line). A
  // member found only by ignoring case is noted as a case match; operation
  // null: quietly, noting nothing.
  bool Locate(const char* operation, const char* name);
  // Refuses (with a log line) a current member that cannot be read correctly.
  bool CheckMember(const char* operation, const char* name, MemberInfo& info);
  // Counts bytes of the open member and verifies its checksum once all arrived;
  // false (with a log line) when the checksum fails. A member found damaged
  // (bad checksum, or data ending before its declared size) makes CloseFile fail.
  bool TrackDelivered(const void* bytes, int count);
  // The member's bytes through minizip, or directly when info says so; the
  // results are minizip's (UNZ_OK, a count, a negative error, UNZ_CRCERROR).
  int OpenMember(const MemberInfo& info);
  int ReadMember(void* bytes, unsigned size);
  int CloseMember();

  void* archive_ = nullptr;  // unzFile
  KolMemoryImage image_;     // what minizip reads after OpenImage
  // The member open for streaming, for its checksum and for messages.
  bool memberOpen_ = false;
  std::string memberName_;
  MemberInfo member_;
  unsigned long deliveredCrc_ = 0;
  unsigned long delivered_ = 0;
  bool damageReported_ = false;
  std::unique_ptr<DirectMember> direct_;
};
