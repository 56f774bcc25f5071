// Helpers shared by the test suites: a scratch directory removed afterwards,
// zip archives written on the spot with minizip's writer, log capture through
// the log's own buffer; the reset of process-wide state comes with them.
#pragma once

#include <string>
#include <vector>

#include "ProcessState.h"

// A fresh directory under the system temp folder, deleted with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string PathOf(const std::string& name) const { return path_ + "/" + name; }
  // Writes a file (creating folders on the way); name uses '/'.
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;

 private:
  std::string path_;
};

struct ZipMember {
  std::string name;
  std::string data;
  int method = 8;               // 0 stored, 8 deflated
  const char* password = nullptr;  // encrypts the member when set
  // Writes data as already-compressed bytes under rawMethod (e.g. 12, bzip2).
  bool raw = false;
  int rawMethod = 0;
};

// An uncompressed TGA file: the 18-byte header, the image ID, the pixels as given.
std::string TgaFile(int type, int width, int height, int bits, int descriptor,
                    const std::string& pixels, const std::string& id = "");

// The whole content of a file, or "" when it cannot be read.
std::string ReadFile(const std::string& path);

// Writes a zip archive; false if minizip refused any step.
bool WriteZip(const std::string& path, const std::vector<ZipMember>& members);

// Switches the global log's buffer on (after a full reset of process state) and
// reads it back with plain LF line ends.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  std::string Text() const;
  int Records() const;
};
