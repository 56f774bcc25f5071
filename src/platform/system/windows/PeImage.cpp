// Reads a DLL's DOS, PE and section headers and checks every range they give
// against the file's size, without overflow: an offset is tested before a
// length is added to it.
#include "PeImage.h"

#include "WindowsHeaders.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "Platform.h"

namespace plat {

namespace {

constexpr WORD kMachine =
#if defined(__x86_64__)
    IMAGE_FILE_MACHINE_AMD64;
#elif defined(__i386__)
    IMAGE_FILE_MACHINE_I386;
#elif defined(__aarch64__)
    IMAGE_FILE_MACHINE_ARM64;
#else
    0;
#endif

bool ReadAt(std::FILE* file, std::uint64_t offset, void* into, std::size_t size) {
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0 &&
         std::fread(into, 1, size, file) == size;
}

// Whether [offset, offset + length) lies within a file of size bytes.
bool Within(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
  return offset <= size && length <= size - offset;
}

}  // namespace

bool IsWholePeImage(const char* path) {
  std::FILE* file = OpenRegularFile(path, "rb");
  if (!file) return false;
  bool whole = false;
  do {
    if (_fseeki64(file, 0, SEEK_END) != 0) break;
    const __int64 end = _ftelli64(file);
    if (end < 0) break;
    const std::uint64_t size = static_cast<std::uint64_t>(end);
    IMAGE_DOS_HEADER dos;
    if (!ReadAt(file, 0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) break;
    const std::uint64_t peAt = static_cast<std::uint32_t>(dos.e_lfanew);
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    if (!Within(peAt, sizeof signature + sizeof header, size) ||
        !ReadAt(file, peAt, &signature, sizeof signature) || signature != IMAGE_NT_SIGNATURE ||
        !ReadAt(file, peAt + sizeof signature, &header, sizeof header))
      break;
    if ((kMachine && header.Machine != kMachine) || !(header.Characteristics & IMAGE_FILE_DLL))
      break;
    const std::uint64_t optionalAt = peAt + sizeof signature + sizeof header;
    if (!Within(optionalAt, header.SizeOfOptionalHeader, size)) break;
    const std::uint64_t sectionsAt = optionalAt + header.SizeOfOptionalHeader;
    const std::uint64_t sectionsSize =
        static_cast<std::uint64_t>(header.NumberOfSections) * sizeof(IMAGE_SECTION_HEADER);
    if (header.NumberOfSections == 0 || !Within(sectionsAt, sectionsSize, size)) break;
    std::vector<IMAGE_SECTION_HEADER> sections(header.NumberOfSections);
    if (!ReadAt(file, sectionsAt, sections.data(), sectionsSize)) break;
    whole = true;
    for (const IMAGE_SECTION_HEADER& section : sections)
      if (section.SizeOfRawData != 0 &&
          !Within(section.PointerToRawData, section.SizeOfRawData, size))
        whole = false;
  } while (false);
  std::fclose(file);
  return whole;
}

}  // namespace plat
