// What solvane-pack --preflight reads from a release it is handed: the input
// as a tar archive's bytes, as an ELF object's and as a Windows executable's
// headers. None may crash or read outside the input, and what a tar archive
// yields lies inside it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "LibraryImports.h"
#include "ReleaseFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<char> bytes(reinterpret_cast<const char*>(data),
                                reinterpret_cast<const char*>(data) + size);
  ReleaseFiles files;
  std::string error;
  ParseTar(bytes, files, error);
  std::size_t held = 0;
  for (const ReleaseFile& file : files) held += file.bytes.size();
  if (held > size) std::abort();
  ElfLinks links;
  ReadElfLinks(bytes, links);
  std::vector<std::string> dlls;
  ReadPeImports(bytes, dlls);
  for (const std::string& soname : links.needed) IsLinuxSystemLibrary(soname);
  for (const std::string& dll : dlls) IsWindowsSystemDll(dll);
  return 0;
}
