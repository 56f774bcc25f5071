// pack-data OUT.zip ROOT...: packs every file under the roots into a zip whose
// member names are relative to their root, with '/' separators, in sorted order
// and with fixed dates, so the same data always gives the same archive. JPEG
// files are stored (they do not compress); everything else is deflated.
#include <cstdio>
#include <string>

#include "ReleaseFiles.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: pack-data OUT.zip ROOT...\n");
    return 2;
  }
  ReleaseFiles files;
  std::string error;
  for (int i = 2; i < argc; ++i) {
    ReleaseFiles root;
    if (!ReadFolder(argv[i], root, error) || root.empty()) {
      std::fprintf(stderr, "pack-data: %s\n", error.empty() ? (std::string(argv[i]) + " is not a directory").c_str() : error.c_str());
      return 1;
    }
    for (ReleaseFile& file : root) PutFile(files, std::move(file));
  }
  if (!WriteZip(argv[1], std::move(files), error)) {
    std::fprintf(stderr, "pack-data: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
