#include "KolDataUnzip.h"

#include <minizip/unzip.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "KolLog.h"
#include "Platform.h"

namespace {
// unzLocateFile's case-sensitivity argument: 2 compares without regard to ASCII
// case on every platform (0 would mean "platform default", case-sensitive here).
constexpr int kCaseInsensitive = 2;
constexpr int kMethodStored = 0;
constexpr int kMethodDeflated = Z_DEFLATED;
constexpr unsigned long kFlagEncrypted = 1;
constexpr int kFirstLoadChunk = 64 * 1024;

unzFile Handle(void* archive) { return static_cast<unzFile>(archive); }

// minizip's own stdio functions, except that the archive is opened only when
// it is a regular file: a FIFO or device named as the archive must not block.
voidpf ZCALLBACK OpenRegularArchive(voidpf opaque, const void* path, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  bool notRegular = false;
  std::FILE* stream = plat::OpenRegularFile(static_cast<const char*>(path), "rb", &notRegular);
  if (notRegular) *static_cast<bool*>(opaque) = true;
  return stream;
}

constexpr std::uint64_t kZip64Marker = 0xFFFFFFFF;  // "the size is in the zip64 field"
constexpr unsigned kZip64FieldId = 0x0001;

unsigned ReadLittleEndian(const unsigned char* bytes, int count) {
  unsigned value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

// Takes the sizes still marked 0xFFFFFFFF from the zip64 extended-information
// field of a directory entry's extra data: 8 bytes each, the uncompressed size
// first, each present only when marked (the local header offset and disk
// number may follow). 1 when taken, 0 when there is no such field, -1 when
// the field, or the extra data around it, is too short.
int ReadZip64Sizes(const std::vector<unsigned char>& extra, std::uint64_t& size,
                   std::uint64_t& packedSize) {
  for (size_t at = 0; at + 4 <= extra.size();) {
    const unsigned id = ReadLittleEndian(&extra[at], 2);
    const unsigned length = ReadLittleEndian(&extra[at + 2], 2);
    at += 4;
    if (length > extra.size() - at) return -1;
    if (id == kZip64FieldId) {
      size_t field = at;
      for (std::uint64_t* value : {&size, &packedSize}) {
        if (*value != kZip64Marker) continue;
        if (field + 8 > at + length) return -1;
        *value = ReadLittleEndian(&extra[field], 4) |
                 static_cast<std::uint64_t>(ReadLittleEndian(&extra[field + 4], 4)) << 32;
        field += 8;
      }
      return 1;
    }
    at += length;
  }
  return 0;
}
}  // namespace

// A member read directly: its compressed bytes come from the archive file or
// image in chunks and are inflated here, with the checksum minizip would keep.
struct KolDataUnzip::DirectMember {
  std::FILE* file = nullptr;             // at the next compressed byte, or null
  const unsigned char* image = nullptr;  // the next compressed byte of an image
  std::uint64_t packedLeft = 0;          // compressed bytes not yet taken
  std::uint64_t left = 0;                // bytes not yet delivered
  unsigned long crc = 0, expectedCrc = 0;
  bool deflated = false, ended = false;
  z_stream stream = {};
  unsigned char input[16 * 1024];

  bool TakePacked(unsigned char* bytes, unsigned count) {
    if (count > packedLeft) return false;
    packedLeft -= count;
    if (image) {
      std::memcpy(bytes, image, count);
      image += count;
      return true;
    }
    return std::fread(bytes, 1, count, file) == count;
  }
  ~DirectMember() {
    if (deflated) inflateEnd(&stream);
    if (file) std::fclose(file);
  }
};

KolDataUnzip::KolDataUnzip() = default;
KolDataUnzip::~KolDataUnzip() { Close(); }

int KolDataUnzip::Open(int kind, const char* root) {
  Close();
  kind_ = kind;
  root_ = root ? root : "";
  bool notRegular = false;
  zlib_filefunc64_def functions;
  fill_fopen64_filefunc(&functions);
  functions.zopen64_file = OpenRegularArchive;
  functions.opaque = &notRegular;
  archive_ = unzOpen2_64(root_.c_str(), &functions);
  if (!archive_ && notRegular)
    TheLog().PrintLine("KolDataUnzip::Open: [%s] is not a regular file", root_.c_str());
  return archive_ ? 0 : 1;
}

int KolDataUnzip::OpenImage(const char* root, const void* bytes, std::size_t size) {
  Close();
  kind_ = kKindArchive;
  root_ = root ? root : "";
  image_ = KolMemoryImage();
  image_.data = static_cast<const unsigned char*>(bytes);
  image_.size = bytes ? size : 0;
  zlib_filefunc_def functions;
  FillMemoryFileFunctions(functions, image_);
  archive_ = unzOpen2(root_.c_str(), &functions);
  return archive_ ? 0 : 1;
}

int KolDataUnzip::Close() {
  if (kind_ & kKindMask) kind_ = 0;
  if (archive_) unzClose(Handle(archive_));
  archive_ = nullptr;
  image_ = KolMemoryImage();
  memberOpen_ = false;
  direct_.reset();
  return 0;
}

bool KolDataUnzip::Locate(const char* operation, const char* name) {
  if (!name) name = "";
  const size_t length = std::strlen(name);
  if (length >= static_cast<size_t>(kMaxPath)) {
    if (!operation) return false;
    // Only the start of the name: the whole of it would not fit a log line.
    TheLog().PrintLine("KolDataUnzip::%s: name [%.64s%s] is longer than %d characters",
                          operation, name, std::strlen(name) > 64 ? "..." : "", kMaxPath - 1);
    return false;
  }
  char normalised[kMaxPath];
  for (size_t i = 0; i <= length; ++i) normalised[i] = name[i] == '\\' ? '/' : name[i];
  if (unzLocateFile(Handle(archive_), normalised, kCaseInsensitive) != UNZ_OK) return false;
  char found[kMaxPath];
  if (operation &&
      unzGetCurrentFileInfo64(Handle(archive_), nullptr, found, sizeof found, nullptr, 0, nullptr,
                              0) == UNZ_OK &&
      std::strcmp(found, normalised) != 0)
    NoteCaseMatch(normalised, found);
  return true;
}

bool KolDataUnzip::Holds(const char* name) { return archive_ && Locate(nullptr, name); }

bool KolDataUnzip::CheckMember(const char* operation, const char* name, MemberInfo& info) {
  unz_file_info64 fileInfo;
  std::vector<unsigned char> extra;
  int got =
      unzGetCurrentFileInfo64(Handle(archive_), &fileInfo, nullptr, 0, nullptr, 0, nullptr, 0);
  if (got == UNZ_OK && (fileInfo.uncompressed_size == kZip64Marker ||
                        fileInfo.compressed_size == kZip64Marker)) {
    extra.resize(fileInfo.size_file_extra);
    got = unzGetCurrentFileInfo64(Handle(archive_), &fileInfo, nullptr, 0, extra.data(),
                                  static_cast<uLong>(extra.size()), nullptr, 0);
  }
  if (got != UNZ_OK) {
    TheLog().PrintLine("KolDataUnzip::%s: file [%s] has a damaged directory entry",
                          operation, name);
    return false;
  }
  if (fileInfo.flag & kFlagEncrypted) {
    TheLog().PrintLine("KolDataUnzip::%s: file [%s] is encrypted", operation, name);
    return false;
  }
  if (fileInfo.compression_method != kMethodStored &&
      fileInfo.compression_method != kMethodDeflated) {
    TheLog().PrintLine(
        "KolDataUnzip::%s: file [%s] uses compression method %lu (only stored and deflated "
        "are read)",
        operation, name, fileInfo.compression_method);
    return false;
  }
  info = MemberInfo();
  info.size = fileInfo.uncompressed_size;
  info.packedSize = fileInfo.compressed_size;
  info.crc = fileInfo.crc;
  info.method = static_cast<int>(fileInfo.compression_method);
  // A marked size without a zip64 field is taken as it stands.
  const int zip64 = extra.empty() ? 0 : ReadZip64Sizes(extra, info.size, info.packedSize);
  if (zip64 < 0) {
    TheLog().PrintLine("KolDataUnzip::%s: file [%s] has a damaged zip64 extra field",
                          operation, name);
    return false;
  }
  info.readDirectly = zip64 > 0;
  return true;
}

int KolDataUnzip::OpenMember(const MemberInfo& info) {
  direct_.reset();
  if (!info.readDirectly) return unzOpenCurrentFile(Handle(archive_));
  // Opened raw, minizip checks the local header and says where the data starts.
  const int opened = unzOpenCurrentFile2(Handle(archive_), nullptr, nullptr, 1);
  if (opened != UNZ_OK) return opened;
  const std::uint64_t start = unzGetCurrentFileZStreamPos64(Handle(archive_));
  unzCloseCurrentFile(Handle(archive_));
  std::unique_ptr<DirectMember> member(new (std::nothrow) DirectMember());
  if (!member) return UNZ_INTERNALERROR;
  member->packedLeft = info.packedSize;
  member->left = info.size;
  member->crc = crc32(0L, Z_NULL, 0);
  member->expectedCrc = info.crc;
  if (image_.data) {
    if (start > image_.size || info.packedSize > image_.size - start) return UNZ_BADZIPFILE;
    member->image = image_.data + start;
  } else {
    member->file = plat::OpenRegularFile(root_.c_str(), "rb");
    if (!member->file || start > static_cast<std::uint64_t>(LONG_MAX) ||
        std::fseek(member->file, static_cast<long>(start), SEEK_SET) != 0)
      return UNZ_ERRNO;
  }
  if (info.method == kMethodDeflated) {
    if (inflateInit2(&member->stream, -MAX_WBITS) != Z_OK) return UNZ_INTERNALERROR;
    member->deflated = true;
  }
  direct_ = std::move(member);
  return UNZ_OK;
}

int KolDataUnzip::ReadMember(void* bytes, unsigned size) {
  if (!direct_) return unzReadCurrentFile(Handle(archive_), bytes, size);
  DirectMember& member = *direct_;
  size = static_cast<unsigned>(std::min<std::uint64_t>(size, member.left));
  unsigned delivered = 0;
  auto* out = static_cast<unsigned char*>(bytes);
  if (!member.deflated) {
    delivered = static_cast<unsigned>(std::min<std::uint64_t>(size, member.packedLeft));
    if (!member.TakePacked(out, delivered)) return UNZ_ERRNO;
  } else {
    z_stream& stream = member.stream;
    stream.next_out = out;
    stream.avail_out = size;
    while (stream.avail_out > 0 && !member.ended) {
      if (stream.avail_in == 0 && member.packedLeft > 0) {
        const auto chunk = static_cast<unsigned>(
            std::min<std::uint64_t>(sizeof member.input, member.packedLeft));
        if (!member.TakePacked(member.input, chunk)) return UNZ_ERRNO;
        stream.next_in = member.input;
        stream.avail_in = chunk;
      }
      const int inflated = inflate(&stream, Z_NO_FLUSH);
      if (inflated == Z_STREAM_END)
        member.ended = true;
      else if (inflated != Z_OK)  // damaged data, or compressed bytes ending too soon
        return Z_DATA_ERROR;
    }
    delivered = size - stream.avail_out;
  }
  member.crc = crc32(member.crc, out, delivered);
  member.left -= delivered;
  return static_cast<int>(delivered);
}

int KolDataUnzip::CloseMember() {
  if (!direct_) return unzCloseCurrentFile(Handle(archive_));
  // As minizip does: the checksum counts only once every byte was read.
  const bool failed = direct_->left == 0 && direct_->crc != direct_->expectedCrc;
  direct_.reset();
  return failed ? UNZ_CRCERROR : UNZ_OK;
}

int KolDataUnzip::Load(const char* name, KolBuffer& buffer) {
  if (!archive_) return 1;
  if (!Locate("Load", name)) {
    TheLog().PrintLine("KolDataUnzip::Load: file [%s] not found", name);
    return -1;
  }
  MemberInfo info;
  if (!CheckMember("Load", name, info)) return -1;
  // Anything this large is refused before a byte is allocated.
  if (info.size > kMaxMemberSize || info.size > static_cast<std::uint64_t>(INT_MAX)) {
    TheLog().PrintLine("KolDataUnzip::Load: file [%s] is too large (%llu bytes)", name,
                          static_cast<unsigned long long>(info.size));
    return -1;
  }
  if (OpenMember(info) != UNZ_OK) {
    TheLog().PrintLine("KolDataUnzip::Load error");
    return 1;
  }
  memberOpen_ = false;  // opening a member closes any member that was streaming
  const int size = static_cast<int>(info.size);
  // The buffer grows as the bytes arrive instead of taking the declared size
  // at once: a few bytes of archive may declare anything up to the limit, and
  // would cost that much zeroed memory before the read finds the data missing.
  int capacity = std::min(size, kFirstLoadChunk), have = 0, n = 0;
  buffer.reset(new (std::nothrow) char[capacity + 1]());
  while (buffer) {
    n = have < capacity ? ReadMember(buffer.get() + have, static_cast<unsigned>(capacity - have))
                        : 0;
    if (n <= 0) break;
    have += n;
    if (have == capacity && capacity < size) {
      capacity = static_cast<int>(std::min<long long>(size, 2LL * capacity));
      KolBuffer grown(new (std::nothrow) char[capacity + 1]());
      if (grown) std::memcpy(grown.get(), buffer.get(), static_cast<size_t>(have));
      buffer = std::move(grown);
    }
  }
  if (!buffer) {
    CloseMember();
    TheLog().PrintError("Memory allocating error.");
    return -1;
  }
  // The checksum is only checked when the member is closed after a full read.
  const int closed = CloseMember();
  if (n < 0 || have != size) {  // a read error, or fewer bytes than the member declares
    TheLog().PrintLine("KolDataUnzip::Load: file [%s] is damaged", name);
    return -1;
  }
  if (closed == UNZ_CRCERROR) {
    TheLog().PrintLine("KolDataUnzip::Load: file [%s] fails its checksum", name);
    return -1;
  }
  return have;
}

bool KolDataUnzip::Contains(const char* name) { return archive_ && Locate("Contains", name); }

int KolDataUnzip::Store(const char* name, const char* data, int size) { return 1; }

int KolDataUnzip::OpenRead(const char* name) {
  if (!archive_) return 1;
  if (memberOpen_) CloseFile();
  if (!Locate("OpenRead", name)) {
    TheLog().PrintLine("KolDataUnzip::Open: file [%s] not found", name);
    return 1;
  }
  MemberInfo info;
  if (!CheckMember("OpenRead", name, info)) return 1;
  if (OpenMember(info) != UNZ_OK) {
    TheLog().Print("KolDataUnzip::OpenRead error\n");
    return 1;
  }
  memberOpen_ = true;
  memberName_ = name ? name : "";
  member_ = info;
  deliveredCrc_ = crc32(0L, Z_NULL, 0);
  delivered_ = 0;
  damageReported_ = false;
  return 0;
}

int KolDataUnzip::OpenWrite(const char* name) { return 1; }

int KolDataUnzip::CloseFile() {
  if (!archive_) return 0;
  const int closed = CloseMember();
  const bool wasOpen = memberOpen_;
  memberOpen_ = false;
  if (wasOpen && (closed == UNZ_CRCERROR || damageReported_)) {
    if (!damageReported_)
      TheLog().PrintLine("KolDataUnzip::CloseFile: file [%s] fails its checksum",
                            memberName_.c_str());
    return 1;
  }
  return 0;
}

bool KolDataUnzip::TrackDelivered(const void* bytes, int count) {
  if (!memberOpen_ || count <= 0) return true;
  deliveredCrc_ = crc32(deliveredCrc_, static_cast<const Bytef*>(bytes), static_cast<uInt>(count));
  delivered_ += static_cast<unsigned long>(count);
  if (delivered_ != member_.size || deliveredCrc_ == member_.crc) return true;
  if (!damageReported_)
    TheLog().PrintLine("KolDataUnzip::Read: file [%s] fails its checksum",
                          memberName_.c_str());
  damageReported_ = true;
  return false;
}

int KolDataUnzip::ReadCounted(void* bytes, int size, int& delivered) {
  delivered = 0;
  if (!archive_ || size < 0) return 1;
  const int n = ReadMember(bytes, static_cast<unsigned>(size));
  if (n < 0) {
    TheLog().Print("KolDataUnzip::Read error\n");
    // A member that fails to inflate is damaged, not finished: CloseFile says so.
    if (memberOpen_) damageReported_ = true;
    return 1;
  }
  if (!TrackDelivered(bytes, n)) return 1;
  if (n == 0 && memberOpen_ && delivered_ < member_.size && !damageReported_) {
    // The data ran out before the size the member declares: damaged, not done.
    TheLog().PrintLine("KolDataUnzip::Read: file [%s] ends before its declared size",
                          memberName_.c_str());
    damageReported_ = true;
  }
  delivered = n;
  return n > 0 ? 0 : 1;
}

int KolDataUnzip::Read(void* bytes, int size) {
  // The inflater fills the whole request unless the member ends first, so
  // fewer bytes mean the member is shorter than the caller's structure: a
  // failure, never half-filled fields reported as read.
  int delivered = 0;
  if (ReadCounted(bytes, size, delivered) != 0) return 1;
  return delivered == size ? 0 : 1;
}

int KolDataUnzip::Write(const void* bytes, int size) { return 1; }
