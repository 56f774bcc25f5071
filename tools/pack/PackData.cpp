// pack-data OUT.zip ROOT...: packs every file under the roots into a zip whose
// member names are relative to their root, with '/' separators, in sorted order
// and with fixed dates, so the same data always gives the same archive. JPEG
// files are stored (they do not compress); everything else is deflated.
#include <minizip/zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool Stored(const fs::path& path) {
  std::string extension = path.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".jpg" || extension == ".jpeg" || extension == ".mp3";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: pack-data OUT.zip ROOT...\n");
    return 2;
  }
  std::vector<std::pair<std::string, fs::path>> files;  // member name, file
  for (int i = 2; i < argc; ++i) {
    const fs::path root = argv[i];
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
      std::fprintf(stderr, "pack-data: %s is not a directory\n", argv[i]);
      return 1;
    }
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (!entry.is_regular_file()) continue;
      files.emplace_back(fs::relative(entry.path(), root).generic_string(), entry.path());
    }
  }
  std::sort(files.begin(), files.end());

  const std::string out = argv[1];
  const std::string temporary = out + ".part";
  zipFile zip = zipOpen(temporary.c_str(), APPEND_STATUS_CREATE);
  if (!zip) {
    std::fprintf(stderr, "pack-data: cannot create %s\n", temporary.c_str());
    return 1;
  }
  bool ok = true;
  for (const auto& [name, path] : files) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    zip_fileinfo info = {};
    info.tmz_date.tm_year = 2026;
    info.tmz_date.tm_mon = 0;
    info.tmz_date.tm_mday = 1;
    const int method = Stored(path) ? 0 : Z_DEFLATED;
    if (zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                            method ? Z_BEST_COMPRESSION : 0) != ZIP_OK ||
        (!bytes.empty() &&
         zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size())) != ZIP_OK) ||
        zipCloseFileInZip(zip) != ZIP_OK) {
      std::fprintf(stderr, "pack-data: cannot add %s\n", name.c_str());
      ok = false;
      break;
    }
  }
  if (zipClose(zip, nullptr) != ZIP_OK) ok = false;
  std::error_code ec;
  if (ok) fs::rename(temporary, out, ec);
  if (!ok || ec) {
    fs::remove(temporary, ec);
    std::fprintf(stderr, "pack-data: writing %s failed\n", out.c_str());
    return 1;
  }
  return 0;
}
