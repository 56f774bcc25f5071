#include "KolData.h"

#include <cstring>
#include <new>

#include "KolDataStdio.h"
#include "KolDataUnzip.h"
#include "KolLog.h"

KolData::KolData() = default;

KolData::KolData(bool store)
    : store_(store),
      backend_(store ? DefaultStoreSource() : DefaultLoadSource()),
      owner_(false) {}

KolData::~KolData() {
  ForgetDefaults();
  KolData::Close();
  KolDataSource::Close();
}

void KolData::ForgetDefaults() {
  if (!owned_) return;
  if (DefaultLoadSource() == owned_.get()) SetDefaultLoadSource(nullptr);
  if (DefaultStoreSource() == owned_.get()) SetDefaultStoreSource(nullptr);
}

void KolData::SetDefault(bool store) {
  if (!backend_ || !owner_ || backend_ != owned_.get()) return;
  if (store)
    SetDefaultStoreSource(backend_);
  else
    SetDefaultLoadSource(backend_);
}

int KolData::Open(int kind, const char* root) {
  Close();
  KolDataSource::Open(kind, root);
  std::unique_ptr<KolDataSource> created;
  switch (kind & kKindMask) {
    case kKindDirectory: created.reset(new (std::nothrow) KolDataStdio()); break;
    case kKindArchive: created.reset(new (std::nothrow) KolDataUnzip()); break;
    default: return 1;
  }
  if (!created) return 1;
  // The back end gets its own copy of the root, like the front end.
  owned_ = std::move(created);
  backend_ = owned_.get();
  return backend_->Open(kind, root_.c_str());
}

int KolData::OpenImage(const char* root,
                       std::shared_ptr<const std::vector<unsigned char>> image) {
  Close();
  KolDataSource::Open(kKindArchive, root);
  std::unique_ptr<KolDataUnzip> created(new (std::nothrow) KolDataUnzip());
  if (!created || !image) return 1;
  image_ = std::move(image);
  const int opened = created->OpenImage(root_.c_str(), image_->data(), image_->size());
  owned_ = std::move(created);
  backend_ = owned_.get();
  return opened;
}

int KolData::Close() {
  if (backend_) {
    // Only a file this front end opened is closed here: a sharing front end going
    // away must not close what another reader has open on the same back end.
    if (state_ != kIdle) CloseFile();
    if (owned_ && backend_ == owned_.get()) {
      ForgetDefaults();
      owned_->Close();
      owned_.reset();
    }
    backend_ = nullptr;
  }
  image_.reset();
  return 0;
}

int KolData::Load(const char* name, KolBuffer& buffer) {
  if (!backend_) return -1;
  if (state_ != kIdle) return 1;
  return backend_->Load(name, buffer);
}

bool KolData::Contains(const char* name) { return backend_ && backend_->Contains(name); }

int KolData::Store(const char* name, const char* data, int size) {
  if (!backend_) return -1;
  if (state_ != kIdle) return 1;
  return backend_->Store(name, data, size);
}

int KolData::OpenRead(const char* name) {
  if (!backend_) return 1;
  state_ = kReading;
  store_ = false;
  return backend_->OpenRead(name);
}

int KolData::OpenWrite(const char* name) {
  if (!backend_) return 1;
  state_ = kWriting;
  store_ = true;
  return backend_->OpenWrite(name);
}

int KolData::CloseFile() {
  if (!backend_) return 1;
  state_ = kIdle;
  return backend_->CloseFile();
}

int KolData::Read(void* bytes, int size) {
  if (!backend_ || state_ != kReading) return 1;
  return backend_->Read(bytes, size);
}

int KolData::Write(const void* bytes, int size) {
  if (!backend_ || state_ != kWriting) return 1;
  return backend_->Write(bytes, size);
}

int KolData::ReadCounted(void* bytes, int size, int& delivered) {
  delivered = 0;
  if (!backend_ || state_ != kReading) return 1;
  return backend_->ReadCounted(bytes, size, delivered);
}

// Values are stored little-endian whatever the host order.
namespace {

std::uint32_t FromLittleEndian(const unsigned char b[4]) {
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

void ToLittleEndian(std::uint32_t v, unsigned char b[4]) {
  b[0] = static_cast<unsigned char>(v);
  b[1] = static_cast<unsigned char>(v >> 8);
  b[2] = static_cast<unsigned char>(v >> 16);
  b[3] = static_cast<unsigned char>(v >> 24);
}

}  // namespace

int KolData::ReadBool(bool& value) {
  char byte = 0;
  const int result = ReadChar(byte);
  if (result == 0) value = byte != 0;
  return result;
}

int KolData::ReadFloat(float& value) {
  unsigned char b[4];
  const int result = Read(b, 4);
  if (result == 0) {
    const std::uint32_t bits = FromLittleEndian(b);
    std::memcpy(&value, &bits, 4);
  }
  return result;
}

int KolData::ReadLong(std::int32_t& value) {
  int v = 0;
  const int result = ReadInt(v);
  if (result == 0) value = v;
  return result;
}

int KolData::ReadInt(int& value) {
  unsigned char b[4];
  const int result = Read(b, 4);
  if (result == 0) value = static_cast<int>(FromLittleEndian(b));
  return result;
}

int KolData::ReadChar(char& value) { return Read(&value, 1); }

int KolData::WriteBool(const bool& value) {
  const char byte = value ? 1 : 0;
  return WriteChar(byte);
}

int KolData::WriteFloat(const float& value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, 4);
  unsigned char b[4];
  ToLittleEndian(bits, b);
  return Write(b, 4);
}

int KolData::WriteLong(const std::int32_t& value) {
  const int v = value;
  return WriteInt(v);
}

int KolData::WriteInt(const int& value) {
  unsigned char b[4];
  ToLittleEndian(static_cast<std::uint32_t>(value), b);
  return Write(b, 4);
}

int KolData::WriteChar(const char& value) { return Write(&value, 1); }

int KolData::ReadString(std::string& out) {
  if (!backend_ || state_ != kReading) return 1;
  char text[kMaxString + 1];
  int length = 0;
  for (;;) {
    char c = 0;
    const int result = Read(&c, 1);
    if (result != 0) return result;
    if (c == '\0') break;
    if (length == kMaxString) {
      TheLog().PrintLine("KolData::ReadString: stored string is longer than %d characters",
                            kMaxString);
      return 1;
    }
    text[length++] = c;
  }
  out.assign(text, length);
  return 0;
}

int KolData::WriteString(const char* text) {
  if (!backend_ || state_ != kWriting) return 1;
  if (!text) return WriteChar('\0');
  return Write(text, static_cast<int>(std::strlen(text)) + 1);
}

int KolData::TransferObject(KolObject*& object) {
  TheLog().Print("KolData: can't %s objects\n", store_ ? "store" : "load");
  return 1;
}

bool KolData::Holds(const char* name) { return backend_ && backend_->Holds(name); }
