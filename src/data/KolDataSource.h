// The interface shared by the data front end (KolData) and its back ends
// (KolDataStdio for a directory, KolDataUnzip for a zip archive, KolDataMemory
// for files held in memory). Every file the program reads goes through one of
// these; nothing opens demo files directly.
#pragma once

#include <memory>
#include <string>
#include <vector>

// A whole file read by Load: a heap block owned by whoever receives it.
using KolBuffer = std::unique_ptr<char[]>;

// Kind codes given to Open; only the bits of kKindMask select the back end.
constexpr int kKindMask = 0xF000;
constexpr int kKindDirectory = 0x1000;
constexpr int kKindArchive = 0x2000;

// Longest path (root + separator + name) or archive member name, with terminator.
constexpr int kMaxPath = 1024;

class KolDataSource {
 public:
  virtual ~KolDataSource() = default;

  // Binds the source to a root (a directory path or an archive file path).
  virtual int Open(int kind, const char* root);
  virtual int Close();
  // Reads a whole file: the byte count, or -1 (or 1, see the back ends) on failure.
  virtual int Load(const char* name, KolBuffer& buffer) = 0;
  // Whether a regular file of that name is there, saying nothing either way:
  // for an optional file, whose absence is no news. A FIFO, device or
  // directory of that name is no such file and is never opened for real.
  virtual bool Contains(const char* name) = 0;
  // Writes a whole file: size, or -1 (1 from read-only sources).
  virtual int Store(const char* name, const char* data, int size) = 0;
  virtual int OpenRead(const char* name) = 0;
  virtual int OpenWrite(const char* name) = 0;
  virtual int CloseFile() = 0;
  // 0 when the read succeeded (see each back end for what that means), else 1.
  virtual int Read(void* bytes, int size) = 0;
  virtual int Write(const void* bytes, int size) = 0;
  // Like Read, but says how many bytes arrived: 0 when at least one byte was
  // delivered, 1 at the end of the file or on failure (delivered is then 0).
  virtual int ReadCounted(void* bytes, int size, int& delivered) = 0;
  // Whether a read of name would find a file, found as a read finds it, but
  // without reading it, writing a log line or noting a case match: the author
  // tools ask it about files the demo needs later (its audio library).
  virtual bool Holds(const char* name);

  int Kind() const { return kind_; }
  const char* Root() const { return root_.c_str(); }

 protected:
  int kind_ = 0;
  std::string root_;  // copied, so the caller's string need not outlive the binding
};

// A read that found its file only by ignoring ASCII case: the name as asked
// ('\' read as '/') and as the data holds it. The demo reads on as it always
// did; the author tools tell the author, who should write the name as the file
// has it.
struct KolCaseMatch {
  std::string asked;
  std::string found;
};
// Every case match the back ends made since the last ForgetCaseMatches, in
// the order of the reads (the memory back end, whose names have no case of
// their own, makes none).
const std::vector<KolCaseMatch>& CaseMatches();
void ForgetCaseMatches();
// For the back ends: a read of asked opens found.
void NoteCaseMatch(std::string asked, std::string found);

// The process-wide sources every reader and writer shares. Null until the
// program (or a test) registers them through KolData::SetDefault.
KolDataSource* DefaultLoadSource();
KolDataSource* DefaultStoreSource();
void SetDefaultLoadSource(KolDataSource* source);
void SetDefaultStoreSource(KolDataSource* source);
