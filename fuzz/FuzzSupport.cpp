#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "KolDataMemory.h"
#include "KolLog.h"
#include "KolText.h"
#include "ProcessState.h"

bool FuzzEcho() {
  static const bool echo = std::getenv("SOLVANE_FUZZ_ECHO") != nullptr;
  return echo;
}

void ResetForInput(KolDataMemory* load, KolDataMemory* store) {
  // The reset also switches the log's echo, file and buffer outputs off.
  ResetProcessState();
  if (FuzzEcho()) TheLog().SetEcho(true);
  SetDefaultLoadSource(load);
  SetDefaultStoreSource(store);
}

KolDataMemory& FuzzFiles() {
  static KolDataMemory files;
  return files;
}

ClearFilesAfterInput::~ClearFilesAfterInput() { FuzzFiles().Clear(); }

void SplitNamedFiles(const std::uint8_t* data, std::size_t size, const char* firstName,
                     KolDataMemory& files, int maxFiles) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  std::size_t at = all.find(kFileSeparator);
  files.Put(firstName, all.data(), at == std::string_view::npos ? all.size() : at);
  int count = 1;
  while (at != std::string_view::npos && count < maxFiles) {
    const std::size_t start = at + kFileSeparator.size();
    at = all.find(kFileSeparator, start);
    const std::string_view part =
        all.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
    const std::size_t lineEnd = part.find('\n');
    std::string name(part.substr(0, lineEnd));
    if (!name.empty() && name.back() == '\r') name.pop_back();
    const std::string_view content =
        lineEnd == std::string_view::npos ? std::string_view() : part.substr(lineEnd + 1);
    files.Put(name.c_str(), content.data(), content.size());
    ++count;
  }
}

bool FuzzFull() {
  static const bool full = std::getenv("SOLVANE_FUZZ_FULL") != nullptr;
  return full;
}

bool PassOverLargeJpeg(const std::uint8_t* data, std::size_t size) {
  if (FuzzFull()) return false;
  // FF Cn, length (2), precision (1), height (2), width (2); C4, C8 and CC
  // are other markers.
  for (std::size_t i = 0; i + 9 <= size; ++i) {
    if (data[i] != 0xFF || (data[i + 1] & 0xF0) != 0xC0) continue;
    const int n = data[i + 1] & 0x0F;
    if (n == 4 || n == 8 || n == 12) continue;
    const std::int64_t height = data[i + 5] << 8 | data[i + 6];
    const std::int64_t width = data[i + 7] << 8 | data[i + 8];
    if (width * height > kLargeJpegPixels) return true;
  }
  return false;
}

void FuzzCheckFailed(const char* file, int line, const char* condition) {
  std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
  std::abort();
}
