// Writes 32-bit pixel rows (0x00RRGGBB words) as an 8-bit RGB PNG. The fourth
// byte is never displayed, so it is not written as transparency. Files are
// compressed for speed: strips and frames are many and large.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct png_struct_def;  // libpng's encoder and picture description
struct png_info_def;

// What the rows of a picture look like, which picks the PNG row filter.
enum class PngRows {
  kRepeated,  // mostly a copy of the row above: a frame, its top row repeated down
  kVarying,   // each unlike the one above: a strip, one frame a row
};

// Returns false (with a reason in error) when the file cannot be written.
bool WritePng(const std::string& path, const std::uint32_t* pixels, int width, int height,
              std::string& error, PngRows rows = PngRows::kRepeated);

// The same file written a few rows at a time, for a picture whose rows are
// still being made: Open, WriteRows until all height rows are given, Close.
// After a failure every later call fails too, and error keeps the first reason.
class PngRowWriter {
 public:
  PngRowWriter() = default;
  ~PngRowWriter();  // gives back the file and the encoder, finished or not
  PngRowWriter(const PngRowWriter&) = delete;
  PngRowWriter& operator=(const PngRowWriter&) = delete;

  bool Open(const std::string& path, int width, int height, PngRows rows);
  // count rows of width pixels each, one after the other in memory.
  bool WriteRows(const std::uint32_t* rows, int count);
  // Ends the picture; false unless exactly height rows were written.
  bool Close();

  const std::string& Error() const { return error_; }

 private:
  bool Encode(const std::uint32_t* rows, int count);
  bool Finish();
  bool Fail(const char* what);
  void Release();

  std::string path_;
  std::FILE* file_ = nullptr;
  png_struct_def* png_ = nullptr;
  png_info_def* info_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int written_ = 0;
  bool failed_ = false;
  std::string error_;
  std::vector<unsigned char> rgb_;          // the row being handed to the encoder
  std::vector<std::uint32_t> previousRow_;  // the source of rgb_, to skip converting repeats
};
