// The data front end: checks the calling order (idle, reading, writing), owns or
// shares a back end chosen by kind code, and adds typed reads and writes of
// single values (little-endian 32-bit integers, IEEE floats, zero-terminated
// strings) for persistent objects. A front end made with KolData(bool) shares
// the process-wide default back end and never closes or releases it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KolDataSource.h"

class KolObject;

class KolData : public KolDataSource {
 public:
  enum FileState { kReading = 0, kIdle = 1, kWriting = 2 };

  // An owning front end: Open creates its back end.
  KolData();
  // A sharing front end bound to the default store (true) or load (false) source.
  explicit KolData(bool store);
  ~KolData() override;
  KolData(const KolData&) = delete;
  KolData& operator=(const KolData&) = delete;

  // Registers the owned back end as the default store or load source.
  void SetDefault(bool store);

  int Open(int kind, const char* root) override;
  // Opens an archive held in memory, as Open does the archive file; root
  // only names it. The front end keeps the bytes alive until Close.
  int OpenImage(const char* root, std::shared_ptr<const std::vector<unsigned char>> image);
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

  virtual int ReadBool(bool& value);
  virtual int ReadFloat(float& value);
  virtual int ReadLong(std::int32_t& value);
  virtual int ReadInt(int& value);
  virtual int ReadChar(char& value);
  virtual int WriteBool(const bool& value);
  virtual int WriteFloat(const float& value);
  virtual int WriteLong(const std::int32_t& value);
  virtual int WriteInt(const int& value);
  virtual int WriteChar(const char& value);
  // Reads a zero-terminated string of at most kMaxString characters; an empty
  // string comes back as "no string" (empty). Longer strings fail with a log line.
  virtual int ReadString(std::string& out);
  // Writes the characters and a zero byte; null and "" both write one zero byte.
  virtual int WriteString(const char* text);
  // The hook for storing or loading references to persistent objects; a plain
  // front end refuses it.
  virtual int TransferObject(KolObject*& object);

  static constexpr int kMaxString = 255;

  bool Storing() const { return store_; }
  int State() const { return state_; }
  KolDataSource* Backend() const { return backend_; }

 protected:
  bool store_ = false;
  int state_ = kIdle;
  KolDataSource* backend_ = nullptr;
  bool owner_ = true;

 private:
  void ForgetDefaults();
  std::unique_ptr<KolDataSource> owned_;  // the back end when owner_
  std::shared_ptr<const std::vector<unsigned char>> image_;  // what an image back end reads
};
