#include "KolDataMemory.h"

#include <minizip/ioapi.h>

#include <climits>
#include <cstring>
#include <new>

#include "KolLog.h"

std::string KolDataMemory::Key(const char* name) {
  std::string key(name ? name : "");
  for (char& c : key) {
    if (c == '\\') c = '/';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

void KolDataMemory::Put(const char* name, const void* bytes, std::size_t size) {
  if (!name) return;
  std::string& file = files_[Key(name)];
  if (open_ == &file) CloseFile();
  file.assign(static_cast<const char*>(bytes), bytes ? size : 0);
}

const std::string* KolDataMemory::Find(const char* name) const {
  const auto found = files_.find(Key(name));
  return found == files_.end() ? nullptr : &found->second;
}

void KolDataMemory::Clear() {
  CloseFile();
  files_.clear();
}

bool KolDataMemory::Contains(const char* name) { return Find(name) != nullptr; }

int KolDataMemory::Load(const char* name, KolBuffer& buffer) {
  if (open_) return -1;
  const std::string* file = Find(name);
  if (!file) {
    TheLog().PrintLine("KolDataMemory::Load: file [%s] not found", name ? name : "");
    return -1;
  }
  if (file->size() > static_cast<std::size_t>(INT_MAX - 1)) return -1;
  // One byte more than needed, so an empty file still gets a buffer, and the
  // text behind the last byte reads as a terminator.
  buffer.reset(new (std::nothrow) char[file->size() + 1]());
  if (!buffer) {
    TheLog().PrintError("Memory allocating error.");
    return -1;
  }
  if (!file->empty()) std::memcpy(buffer.get(), file->data(), file->size());
  return static_cast<int>(file->size());
}

int KolDataMemory::Store(const char* name, const char* data, int size) {
  if (open_ || !name || size < 0 || (size > 0 && !data)) return -1;
  files_[Key(name)].assign(data ? data : "", static_cast<std::size_t>(size));
  return size;
}

int KolDataMemory::OpenRead(const char* name) {
  CloseFile();
  const auto found = files_.find(Key(name));
  if (found == files_.end()) {
    TheLog().PrintLine("KolDataMemory::OpenRead: file [%s] not found", name ? name : "");
    return 1;
  }
  open_ = &found->second;
  writing_ = false;
  position_ = 0;
  return 0;
}

int KolDataMemory::OpenWrite(const char* name) {
  CloseFile();
  if (!name) return 1;
  open_ = &files_[Key(name)];
  open_->clear();
  writing_ = true;
  position_ = 0;
  return 0;
}

int KolDataMemory::CloseFile() {
  open_ = nullptr;
  writing_ = false;
  position_ = 0;
  return 0;
}

int KolDataMemory::Read(void* bytes, int size) {
  int delivered = 0;
  if (size == 0) return open_ && !writing_ ? 0 : 1;
  if (ReadCounted(bytes, size, delivered) != 0) return 1;
  return delivered == size ? 0 : 1;
}

int KolDataMemory::Write(const void* bytes, int size) {
  if (!open_ || !writing_ || size < 0 || (size > 0 && !bytes)) return 1;
  open_->append(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
  return 0;
}

int KolDataMemory::ReadCounted(void* bytes, int size, int& delivered) {
  delivered = 0;
  if (!open_ || writing_ || size <= 0 || !bytes) return 1;
  const std::size_t left = position_ < open_->size() ? open_->size() - position_ : 0;
  const std::size_t count =
      left < static_cast<std::size_t>(size) ? left : static_cast<std::size_t>(size);
  if (count == 0) return 1;
  std::memcpy(bytes, open_->data() + position_, count);
  position_ += count;
  delivered = static_cast<int>(count);
  return 0;
}

// minizip's view of a KolMemoryImage. The stream handle minizip passes back is
// the image itself; only one stream is open at a time.
namespace {

KolMemoryImage& Image(voidpf opaque) { return *static_cast<KolMemoryImage*>(opaque); }

voidpf ZCALLBACK OpenImage(voidpf opaque, const char*, int mode) {
  KolMemoryImage& image = Image(opaque);
  const int access = mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER;
  if (access != ZLIB_FILEFUNC_MODE_READ || image.open || (!image.data && image.size))
    return nullptr;
  image.open = true;
  image.position = 0;
  return &image;
}

uLong ZCALLBACK ReadImage(voidpf opaque, voidpf stream, void* buffer, uLong size) {
  KolMemoryImage& image = Image(opaque);
  if (stream != &image || !image.open || !buffer) return 0;
  const std::size_t left = image.position < image.size ? image.size - image.position : 0;
  const std::size_t count = left < size ? left : static_cast<std::size_t>(size);
  if (count) std::memcpy(buffer, image.data + image.position, count);
  image.position += count;
  return static_cast<uLong>(count);
}

uLong ZCALLBACK WriteImage(voidpf, voidpf, const void*, uLong) { return 0; }

long ZCALLBACK TellImage(voidpf opaque, voidpf stream) {
  KolMemoryImage& image = Image(opaque);
  if (stream != &image || image.position > static_cast<std::size_t>(LONG_MAX)) return -1;
  return static_cast<long>(image.position);
}

long ZCALLBACK SeekImage(voidpf opaque, voidpf stream, uLong offset, int origin) {
  KolMemoryImage& image = Image(opaque);
  if (stream != &image) return -1;
  // minizip steps back over an extra field it has just read with a negative
  // long passed through uLong: far past the end, unless read as a step back.
  if (origin == ZLIB_FILEFUNC_SEEK_CUR && offset > image.size) {
    const uLong back = 0 - offset;
    if (back > image.position) return -1;
    image.position -= back;
    return 0;
  }
  std::size_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = image.position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = image.size; break;
    default: return -1;
  }
  // Positions past the end are refused: there is nothing there to read.
  if (offset > image.size || base > image.size - offset) return -1;
  image.position = base + offset;
  return 0;
}

int ZCALLBACK CloseImage(voidpf opaque, voidpf stream) {
  KolMemoryImage& image = Image(opaque);
  if (stream != &image) return EOF;
  image.open = false;
  image.position = 0;
  return 0;
}

int ZCALLBACK ImageError(voidpf, voidpf) { return 0; }

}  // namespace

void FillMemoryFileFunctions(zlib_filefunc_def_s& functions, KolMemoryImage& image) {
  functions.zopen_file = OpenImage;
  functions.zread_file = ReadImage;
  functions.zwrite_file = WriteImage;
  functions.ztell_file = TellImage;
  functions.zseek_file = SeekImage;
  functions.zclose_file = CloseImage;
  functions.zerror_file = ImageError;
  functions.opaque = &image;
}

bool KolDataMemory::Holds(const char* name) { return Find(name) != nullptr; }
