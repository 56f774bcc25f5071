// What the fuzz harnesses share: putting the process-wide state back before
// each input, splitting one input into several named files, passing over
// costly inputs, and a check that ends the run with a report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class KolDataMemory;

// Puts the process back as a fresh one has it (ResetProcessState: the log with
// no records and every output off, so nothing reaches standard output, no
// current surface, no registered classes, ...), then sets the default data
// sources (load from `load`, no store source unless given). With
// SOLVANE_FUZZ_ECHO set in the environment the log echoes to standard output
// instead, for reading what one input does when it is run on its own.
void ResetForInput(KolDataMemory* load, KolDataMemory* store = nullptr);

// The memory source the harnesses serve their files from, made on first use.
KolDataMemory& FuzzFiles();

// Empties FuzzFiles() when it goes, at the end of an input. libFuzzer runs an
// input again under a leak check whenever its allocations and frees differ, so
// each input frees the files it put there itself instead of leaving them for
// the next one to clear.
struct ClearFilesAfterInput {
  ClearFilesAfterInput() = default;
  ClearFilesAfterInput(const ClearFilesAfterInput&) = delete;
  ClearFilesAfterInput& operator=(const ClearFilesAfterInput&) = delete;
  ~ClearFilesAfterInput();
};
bool FuzzEcho();
// True with SOLVANE_FUZZ_FULL set: nothing costly is passed over.
bool FuzzFull();

// The separator between files in one input: a line starting with '@'.
inline constexpr std::string_view kFileSeparator = "\n@";

// Splits an input into files: the bytes before the first separator form the
// file `firstName`; every later part is "<name>\n<content>" (the name up to
// the first line feed, a trailing CR dropped). A later file of the same name
// replaces an earlier one. At most maxFiles files are kept.
void SplitNamedFiles(const std::uint8_t* data, std::size_t size, const char* firstName,
                     KolDataMemory& files, int maxFiles = 64);

// True when the bytes hold what looks like a JPEG frame header (an SOFn
// marker anywhere) declaring more than kLargeJpegPixels pixels. libjpeg makes
// up the missing data of a short file, so a few bytes can cost a decode of
// hundreds of megabytes; while fuzzing, such inputs are passed over so the
// runs stay fast. The bound keeps the pixels (and their conversions) out of the
// sanitizer's costly large-block allocator; no input is big enough to need
// more for its own content. With SOLVANE_FUZZ_FULL set in the environment nothing is passed over
// (scripts/fuzz.sh runs the seed corpora that way before fuzzing).
bool PassOverLargeJpeg(const std::uint8_t* data, std::size_t size);
inline constexpr std::int64_t kLargeJpegPixels = std::int64_t{1} << 15;

// A failed check ends the run the way a sanitizer report does: a line on
// standard error and an abort, which libFuzzer records as a crash.
[[noreturn]] void FuzzCheckFailed(const char* file, int line, const char* condition);
#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : FuzzCheckFailed(__FILE__, __LINE__, #condition))
