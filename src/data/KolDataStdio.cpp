#include "KolDataStdio.h"

#include <cstring>
#include <new>

#include "KolLog.h"
#include "Platform.h"

namespace {
// Whole-file reads beyond this are refused rather than allocated.
constexpr long kMaxLoadSize = 256L * 1024 * 1024;
}  // namespace

KolDataStdio::~KolDataStdio() { CloseOpenFile(); }

void KolDataStdio::CloseOpenFile() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

int KolDataStdio::Open(int kind, const char* root) {
  Close();
  kind_ = kind;
  root_ = root ? root : "";
  return 0;  // whether the directory exists shows at the first read
}

int KolDataStdio::Close() { return KolDataSource::Close(); }

bool KolDataStdio::Resolve(const char* operation, const char* name,
                           char (&path)[kMaxPath]) const {
  if (!name) name = "";
  const size_t rootLength = root_.size();
  const size_t nameLength = std::strlen(name);
  const size_t total = rootLength + (rootLength ? 1 : 0) + nameLength;
  if (total >= sizeof path) {
    if (!operation) return false;
    // Only the start of the name: the whole of it would not fit a log line.
    TheLog().PrintLine("KolDataStdio::%s: path of [%.64s%s] is longer than %d characters",
                          operation, name, std::strlen(name) > 64 ? "..." : "", kMaxPath - 1);
    return false;
  }
  char* out = path;
  if (rootLength) {
    std::memcpy(out, root_.data(), rootLength);
    out += rootLength;
    *out++ = '/';
  }
  // Scripts name files with '\' as well as '/'.
  for (size_t i = 0; i < nameLength; ++i) *out++ = name[i] == '\\' ? '/' : name[i];
  *out = '\0';
  return true;
}

namespace {
bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}
}  // namespace

int KolDataStdio::MatchName(const std::vector<std::string>& names, std::string_view wanted) {
  int best = -1;
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == wanted) return static_cast<int>(i);
    // std::string orders by unsigned bytes, whatever the locale.
    if (EqualIgnoringCase(names[i], wanted) && (best < 0 || names[i] < names[best]))
      best = static_cast<int>(i);
  }
  return best;
}

bool KolDataStdio::MatchCase(char (&path)[kMaxPath]) const {
  std::vector<std::string> names;
  size_t begin = NameStart();  // the root is taken as given
  for (;;) {
    while (path[begin] == '/') ++begin;  // empty components, or a name from "/"
    size_t end = begin;
    while (path[end] && path[end] != '/') ++end;
    const std::string_view component(path + begin, end - begin);
    if (!component.empty() && component != "." && component != "..") {
      const std::string directory = begin ? std::string(path, begin) : std::string(".");
      if (!plat::ListDirectory(directory.c_str(), names)) return false;
      const int match = MatchName(names, component);
      if (match < 0) return false;
      // Names equal without regard to ASCII case have the same length.
      std::memcpy(path + begin, names[static_cast<size_t>(match)].data(), component.size());
    }
    if (!path[end]) return true;
    begin = end;
  }
}

std::FILE* KolDataStdio::OpenFile(const char* operation, const char* name,
                                 char (&path)[kMaxPath], const char* mode) const {
  const bool reading = mode[0] == 'r';
  if (!reading) MatchCase(path);  // whatever it found is what a read would open
  bool notRegular = false;
  std::FILE* f = plat::OpenRegularFile(path, mode, &notRegular);
  if (!f && reading && !notRegular) {
    const std::string asked = path + NameStart();
    if (MatchCase(path)) {
      f = plat::OpenRegularFile(path, mode, &notRegular);
      if (f) NoteCaseMatch(asked, path + NameStart());
    }
  }
  if (f) return f;
  // A FIFO or device would block the program or feed it without end: it
  // counts as missing, and says what it is.
  if (notRegular)
    TheLog().PrintLine("KolDataStdio::%s: [%s] is not a regular file", operation, name);
  else if (reading)
    TheLog().PrintLine("KolDataStdio::%s: file [%s] not found", operation, name);
  return nullptr;
}

size_t KolDataStdio::NameStart() const { return root_.empty() ? 0 : root_.size() + 1; }

// As OpenFile looks, without its lines; a FIFO, device or directory of the
// name is no such file. operation null: not even an over-long name is said.
bool KolDataStdio::Exists(const char* operation, const char* name) {
  char path[kMaxPath];
  if (!Resolve(operation, name, path)) return false;
  bool notRegular = false;
  std::FILE* f = plat::OpenRegularFile(path, "rb", &notRegular);
  if (!f && !notRegular && MatchCase(path)) f = plat::OpenRegularFile(path, "rb", &notRegular);
  if (!f) return false;
  std::fclose(f);
  return true;
}

bool KolDataStdio::Holds(const char* name) { return Exists(nullptr, name); }
bool KolDataStdio::Contains(const char* name) { return Exists("Contains", name); }

int KolDataStdio::Load(const char* name, KolBuffer& buffer) {
  if (file_) return -1;
  char path[kMaxPath];
  if (!Resolve("Load", name, path)) return -1;
  std::FILE* f = OpenFile("Load", name, path, "rb");
  if (!f) return -1;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
    std::fclose(f);
    return -1;
  }
  if (size > kMaxLoadSize) {
    TheLog().PrintLine("KolDataStdio::Load: file [%s] is too large (%ld bytes)", name, size);
    std::fclose(f);
    return -1;
  }
  // One byte more than needed, so an empty file still gets a buffer.
  buffer.reset(new (std::nothrow) char[size + 1]());
  if (!buffer) {
    TheLog().PrintError("Memory allocating error.");
    std::fclose(f);
    return -1;
  }
  const size_t got = std::fread(buffer.get(), 1, static_cast<size_t>(size), f);
  if (got != static_cast<size_t>(size)) {
    std::fclose(f);
    return -1;
  }
  if (std::fclose(f) != 0) return -1;
  return static_cast<int>(size);
}

int KolDataStdio::Store(const char* name, const char* data, int size) {
  if (file_ || size < 0 || (size > 0 && !data)) return -1;
  char path[kMaxPath];
  if (!Resolve("Store", name, path)) return -1;
  std::FILE* f = OpenFile("Store", name, path, "wb");
  if (!f) return -1;
  if (size > 0 && std::fwrite(data, 1, static_cast<size_t>(size), f) != static_cast<size_t>(size)) {
    std::fclose(f);
    return -1;
  }
  if (std::fclose(f) != 0) return -1;
  return size;
}

int KolDataStdio::OpenRead(const char* name) {
  CloseOpenFile();
  char path[kMaxPath];
  if (!Resolve("OpenRead", name, path)) return 1;
  file_ = OpenFile("OpenRead", name, path, "rb");
  return file_ ? 0 : 1;
}

int KolDataStdio::OpenWrite(const char* name) {
  CloseOpenFile();
  char path[kMaxPath];
  if (!Resolve("OpenWrite", name, path)) return 1;
  file_ = OpenFile("OpenWrite", name, path, "wb");
  return file_ ? 0 : 1;
}

int KolDataStdio::CloseFile() {
  if (!file_) return 0;
  // Whatever fclose says, the stream is gone afterwards; keeping the handle
  // would only invite a second fclose on it.
  const int result = std::fclose(file_);
  file_ = nullptr;
  return result == 0 ? 0 : 1;
}

int KolDataStdio::Read(void* bytes, int size) {
  if (!file_ || size < 0) return 1;
  return std::fread(bytes, 1, static_cast<size_t>(size), file_) == static_cast<size_t>(size) ? 0
                                                                                             : 1;
}

int KolDataStdio::Write(const void* bytes, int size) {
  if (!file_ || size < 0) return 1;
  return std::fwrite(bytes, 1, static_cast<size_t>(size), file_) == static_cast<size_t>(size)
             ? 0
             : 1;
}

int KolDataStdio::ReadCounted(void* bytes, int size, int& delivered) {
  delivered = 0;
  if (!file_ || size <= 0) return 1;
  delivered = static_cast<int>(std::fread(bytes, 1, static_cast<size_t>(size), file_));
  return delivered > 0 ? 0 : 1;
}
