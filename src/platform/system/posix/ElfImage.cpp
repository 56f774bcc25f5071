// Reads a shared object's ELF header and segment headers and checks every
// range they give against the file's size, without overflow: an offset is
// tested before a length is added to it.
#include "ElfImage.h"

#include <elf.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <type_traits>

#include "Platform.h"

namespace plat {

namespace {

constexpr bool kSixtyFourBit = sizeof(void*) == 8;
using ElfHeader = std::conditional_t<kSixtyFourBit, Elf64_Ehdr, Elf32_Ehdr>;
using SegmentHeader = std::conditional_t<kSixtyFourBit, Elf64_Phdr, Elf32_Phdr>;

// The machine this program was built for; 0 where it is not listed, and then
// the loader alone judges the machine.
constexpr unsigned kMachine =
#if defined(__x86_64__)
    EM_X86_64;
#elif defined(__i386__)
    EM_386;
#elif defined(__aarch64__)
    EM_AARCH64;
#elif defined(__arm__)
    EM_ARM;
#elif defined(__riscv)
    EM_RISCV;
#elif defined(__powerpc64__)
    EM_PPC64;
#else
    0;
#endif

constexpr unsigned char kByteOrder =
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;

// Whether `length` bytes from `offset` lie within a file of `size` bytes.
bool Within(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
  return offset <= size && length <= size - offset;
}

// Whether [start, start + length) lies within [from, from + extent).
bool Inside(std::uint64_t start, std::uint64_t length, std::uint64_t from, std::uint64_t extent) {
  return start >= from && start - from <= extent && length <= extent - (start - from);
}

bool ReadAt(std::FILE* file, std::uint64_t offset, void* into, std::size_t size) {
  if (offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 &&
         std::fread(into, 1, size, file) == size;
}

bool HeaderFits(const ElfHeader& header, std::uint64_t size) {
  const unsigned char* ident = header.e_ident;
  if (ident[EI_MAG0] != ELFMAG0 || ident[EI_MAG1] != ELFMAG1 || ident[EI_MAG2] != ELFMAG2 ||
      ident[EI_MAG3] != ELFMAG3)
    return false;
  if (ident[EI_CLASS] != (kSixtyFourBit ? ELFCLASS64 : ELFCLASS32) ||
      ident[EI_DATA] != kByteOrder || ident[EI_VERSION] != EV_CURRENT)
    return false;
  if (header.e_type != ET_DYN || header.e_version != EV_CURRENT) return false;
  if (kMachine != 0 && header.e_machine != kMachine) return false;
  // PN_XNUM would put the real count in a section header; no library needs it.
  if (header.e_phentsize != sizeof(SegmentHeader) || header.e_phnum == 0 ||
      header.e_phnum == PN_XNUM)
    return false;
  return Within(header.e_phoff, std::uint64_t{header.e_phnum} * sizeof(SegmentHeader), size);
}

bool SegmentsFit(std::FILE* file, const ElfHeader& header, std::uint64_t size) {
  bool anyLoad = false;
  // The dynamic section is read through the mapping of the segment that holds
  // it, so it must lie within that segment's bytes from the file as well.
  std::uint64_t dynamicAddress = 0, dynamicSize = 0;
  bool dynamic = false, dynamicMapped = false;
  for (int pass = 0; pass < 2; ++pass) {
    for (unsigned i = 0; i < header.e_phnum; ++i) {
      SegmentHeader segment;
      if (!ReadAt(file, header.e_phoff + std::uint64_t{i} * sizeof segment, &segment,
                  sizeof segment))
        return false;
      if (pass == 0) {
        if (segment.p_type == PT_LOAD) {
          if (!Within(segment.p_offset, segment.p_filesz, size)) return false;
          anyLoad = true;
        } else if (segment.p_type == PT_DYNAMIC) {
          if (dynamic || !Within(segment.p_offset, segment.p_filesz, size)) return false;
          dynamic = true;
          dynamicAddress = segment.p_vaddr;
          dynamicSize = segment.p_filesz;
        }
      } else if (segment.p_type == PT_LOAD &&
                 Inside(dynamicAddress, dynamicSize, segment.p_vaddr, segment.p_filesz)) {
        dynamicMapped = true;
      }
    }
    if (!dynamic) break;
  }
  return anyLoad && (!dynamic || dynamicMapped);
}

}  // namespace

bool IsWholeElfImage(const char* path) {
  std::FILE* file = OpenRegularFile(path, "rb");
  if (!file) return false;
  struct stat status;
  ElfHeader header;
  const bool whole = fstat(fileno(file), &status) == 0 && status.st_size > 0 &&
                     ReadAt(file, 0, &header, sizeof header) &&
                     HeaderFits(header, static_cast<std::uint64_t>(status.st_size)) &&
                     SegmentsFit(file, header, static_cast<std::uint64_t>(status.st_size));
  std::fclose(file);
  return whole;
}

}  // namespace plat
