#include "LibraryImports.h"

#include <cstdint>
#include <cstring>

#include "ToolText.h"

namespace {

// Reads a little-endian integer at offset; false when it lies outside.
template <typename T>
bool At(const std::vector<char>& bytes, std::uint64_t offset, T& value) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return false;
  value = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i)
    value |= static_cast<T>(static_cast<T>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i));
  return true;
}

bool CString(const std::vector<char>& bytes, std::uint64_t offset, std::string& text) {
  if (offset >= bytes.size()) return false;
  const char* start = bytes.data() + offset;
  const std::size_t length = strnlen(start, bytes.size() - offset);
  if (length == bytes.size() - offset) return false;  // not terminated
  text.assign(start, length);
  return true;
}

}  // namespace

bool ReadElfLinks(const std::vector<char>& bytes, ElfLinks& links) {
  links = {};
  if (bytes.size() < 64 || std::memcmp(bytes.data(), "\x7f" "ELF", 4) != 0 || bytes[4] != 2 ||
      bytes[5] != 1)
    return false;
  std::uint64_t sectionTable = 0;
  std::uint16_t entrySize = 0, count = 0;
  if (!At(bytes, 0x28, sectionTable) || !At(bytes, 0x3A, entrySize) || !At(bytes, 0x3C, count) ||
      entrySize < 64)
    return false;
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::uint64_t header = sectionTable + std::uint64_t{i} * entrySize;
    std::uint32_t type = 0, link = 0;
    std::uint64_t offset = 0, size = 0;
    if (!At(bytes, header + 4, type) || !At(bytes, header + 24, offset) ||
        !At(bytes, header + 32, size) || !At(bytes, header + 40, link))
      return false;
    if (type != 6) continue;  // SHT_DYNAMIC
    std::uint64_t strings = 0;
    if (link >= count || !At(bytes, sectionTable + std::uint64_t{link} * entrySize + 24, strings))
      return false;
    std::string rpath;
    for (std::uint64_t entry = offset; entry + 16 <= offset + size; entry += 16) {
      std::int64_t tag = 0;
      std::uint64_t value = 0;
      if (!At(bytes, entry, tag) || !At(bytes, entry + 8, value)) return false;
      if (tag == 0) break;
      std::string text;
      if (tag != 1 && tag != 14 && tag != 15 && tag != 29) continue;
      if (!CString(bytes, strings + value, text)) return false;
      if (tag == 1) links.needed.push_back(text);
      if (tag == 14) links.soname = text;
      if (tag == 15) rpath = text;
      if (tag == 29) links.runPath = text;
    }
    if (links.runPath.empty()) links.runPath = rpath;
    return true;
  }
  return true;  // linked statically: it needs nothing
}

bool ReadPeImports(const std::vector<char>& bytes, std::vector<std::string>& dlls) {
  dlls.clear();
  std::uint32_t pe = 0, signature = 0;
  std::uint16_t sections = 0, optionalSize = 0, magic = 0;
  if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z' || !At(bytes, 0x3C, pe) ||
      !At(bytes, pe, signature) || signature != 0x4550 || !At(bytes, pe + 6, sections) ||
      !At(bytes, pe + 20, optionalSize) || !At(bytes, pe + 24, magic))
    return false;
  const std::uint64_t optional = pe + 24;
  const std::uint64_t directories = optional + (magic == 0x20b ? 112 : 96);
  std::uint32_t importRva = 0;
  if ((magic != 0x20b && magic != 0x10b) || !At(bytes, directories + 8, importRva)) return false;
  const std::uint64_t table = optional + optionalSize;
  // An address in the loaded image to the file offset that holds it.
  auto offsetOf = [&](std::uint32_t rva, std::uint64_t& offset) {
    for (std::uint16_t i = 0; i < sections; ++i) {
      std::uint32_t virtualSize = 0, address = 0, rawSize = 0, raw = 0;
      const std::uint64_t s = table + std::uint64_t{i} * 40;
      if (!At(bytes, s + 8, virtualSize) || !At(bytes, s + 12, address) ||
          !At(bytes, s + 16, rawSize) || !At(bytes, s + 20, raw))
        return false;
      const std::uint32_t span = virtualSize > rawSize ? virtualSize : rawSize;
      if (rva >= address && rva - address < span) {
        offset = std::uint64_t{raw} + (rva - address);
        return true;
      }
    }
    return false;
  };
  if (importRva == 0) return true;
  std::uint64_t descriptor = 0;
  if (!offsetOf(importRva, descriptor)) return false;
  for (;; descriptor += 20) {
    std::uint32_t nameRva = 0, lookup = 0;
    if (!At(bytes, descriptor, lookup) || !At(bytes, descriptor + 12, nameRva)) return false;
    if (nameRva == 0 && lookup == 0) return true;
    std::uint64_t nameOffset = 0;
    std::string name;
    if (!offsetOf(nameRva, nameOffset) || !CString(bytes, nameOffset, name)) return false;
    dlls.push_back(name);
    if (dlls.size() > 4096) return false;
  }
}

bool IsLinuxSystemLibrary(const std::string& soname) {
  static const char* const kSystem[] = {
      // glibc and the compiler's runtime
      "ld-linux", "linux-vdso", "libc.so", "libm.so", "libdl.so", "libpthread.so", "librt.so",
      "libresolv.so", "libutil.so", "libstdc++.so", "libgcc_s.so",
      // the display system
      "libX", "libxcb", "libxkbcommon", "libwayland-", "libdecor-", "libdrm.so", "libgbm.so",
      "libGL", "libEGL.so", "libOpenGL.so",
      // the sound system
      "libasound.so", "libpulse", "libjack.so", "libpipewire-"};
  for (const char* prefix : kSystem)
    if (StartsWith(soname, prefix)) return true;
  return false;
}

bool IsWindowsSystemDll(const std::string& name) {
  static const char* const kSystem[] = {
      "kernel32.dll", "user32.dll", "gdi32.dll", "winmm.dll", "advapi32.dll", "shell32.dll",
      "ole32.dll", "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "msvcrt.dll", "ws2_32.dll",
      "ddraw.dll", "dsound.dll", "imm32.dll", "version.dll", "setupapi.dll", "shlwapi.dll",
      "dinput8.dll", "xinput1_3.dll", "bcrypt.dll", "ntdll.dll", "uxtheme.dll", "dwmapi.dll"};
  const std::string lower = Lower(name);
  if (StartsWith(lower, "api-ms-win-")) return true;
  for (const char* dll : kSystem)
    if (lower == dll) return true;
  return false;
}
