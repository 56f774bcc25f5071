#include "ReleaseFiles.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "ToolText.h"

namespace fs = std::filesystem;

namespace {

// Nothing in a demo release comes near this; a larger member is a damaged or
// hostile archive, refused before anything is allocated for it.
constexpr unsigned long long kLargestMember = 1ull << 30;

bool Stored(const std::string& name) {
  const std::string extension = Lower(fs::path(name).extension().string());
  return extension == ".jpg" || extension == ".jpeg" || extension == ".mp3" ||
         extension == ".png" || extension == ".ogg" || extension == ".gz" || extension == ".zip";
}

void Sort(ReleaseFiles& files) {
  std::sort(files.begin(), files.end(),
            [](const ReleaseFile& a, const ReleaseFile& b) { return a.name < b.name; });
}

// Replaces path with what write() wrote to a temporary beside it, only when
// write succeeded.
template <typename Write>
bool ThroughTemporary(const std::string& path, std::string& error, Write write) {
  const std::string temporary = path + ".part";
  std::error_code ec;
  if (!write(temporary)) {
    fs::remove(temporary, ec);
    if (error.empty()) error = "cannot write " + path;
    return false;
  }
  fs::rename(temporary, path, ec);
  if (ec) {
    fs::remove(temporary, ec);
    error = "cannot write " + path;
    return false;
  }
  return true;
}

// --- tar (POSIX ustar) -----------------------------------------------------------

constexpr std::size_t kBlock = 512;

void Octal(char* field, std::size_t width, unsigned long long value) {
  std::snprintf(field, width, "%0*llo", static_cast<int>(width - 1), value);
}

unsigned long long ReadOctal(const char* field, std::size_t width) {
  unsigned long long value = 0;
  for (std::size_t i = 0; i < width && field[i]; ++i) {
    if (field[i] == ' ') continue;
    if (field[i] < '0' || field[i] > '7') break;
    value = value * 8 + static_cast<unsigned>(field[i] - '0');
  }
  return value;
}

// A ustar header; false when the name does not fit its two fields.
bool TarHeader(const std::string& name, char type, std::size_t size, bool executable,
               char (&header)[kBlock]) {
  std::memset(header, 0, kBlock);
  std::string prefix, rest = name;
  if (rest.size() > 100) {
    const std::size_t cut = rest.rfind('/', rest.size() - 2);
    if (cut == std::string::npos || cut > 155 || rest.size() - cut - 1 > 100) return false;
    prefix = rest.substr(0, cut);
    rest = rest.substr(cut + 1);
  }
  std::memcpy(header, rest.data(), rest.size());
  Octal(header + 100, 8, type == '5' || executable ? 0755 : 0644);
  Octal(header + 108, 8, 0);
  Octal(header + 116, 8, 0);
  Octal(header + 124, 12, size);
  Octal(header + 136, 12, 1767225600);  // 2026-01-01, as in the data archives
  header[156] = type;
  std::memcpy(header + 257, "ustar", 6);
  std::memcpy(header + 263, "00", 2);
  std::memcpy(header + 265, "root", 4);
  std::memcpy(header + 297, "root", 4);
  std::memcpy(header + 345, prefix.data(), prefix.size());
  std::memset(header + 148, ' ', 8);
  unsigned sum = 0;
  for (unsigned char c : header) sum += c;
  std::snprintf(header + 148, 8, "%06o", sum);
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<char>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteWholeFile(const std::string& path, const std::vector<char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

bool ReadFolder(const std::string& root, ReleaseFiles& files, std::string& error) {
  std::error_code ec;
  fs::recursive_directory_iterator it(root, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    ReleaseFile file;
    file.name = fs::relative(it->path(), root, ec).generic_string();
    file.executable = (it->status(ec).permissions() & fs::perms::owner_exec) != fs::perms::none;
    if (!ReadWholeFile(it->path().string(), file.bytes)) {
      error = "cannot read " + it->path().string();
      return false;
    }
    files.push_back(std::move(file));
  }
  if (ec) {
    error = "cannot read the folder " + root + ": " + ec.message();
    return false;
  }
  Sort(files);
  return true;
}

bool ReadZip(const std::string& path, ReleaseFiles& files, std::string& error) {
  unzFile zip = unzOpen64(path.c_str());
  if (!zip) {
    error = path + " is not a zip archive";
    return false;
  }
  bool ok = true;
  for (int at = unzGoToFirstFile(zip); ok && at == UNZ_OK; at = unzGoToNextFile(zip)) {
    unz_file_info64 info;
    char name[4096];
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
        info.uncompressed_size > kLargestMember) {
      error = path + ": a damaged or oversized member";
      ok = false;
      break;
    }
    ReleaseFile file;
    file.name = name;
    if (file.name.empty() || file.name.back() == '/') {
      files.push_back(std::move(file));
      continue;
    }
    file.bytes.resize(info.uncompressed_size);
    ok = unzOpenCurrentFile(zip) == UNZ_OK &&
         (file.bytes.empty() ||
          unzReadCurrentFile(zip, file.bytes.data(), static_cast<unsigned>(file.bytes.size())) ==
              static_cast<int>(file.bytes.size())) &&
         unzCloseCurrentFile(zip) == UNZ_OK;
    if (!ok) error = path + ": cannot read " + file.name;
    file.executable = (info.external_fa >> 16) & 0100;
    files.push_back(std::move(file));
  }
  unzClose(zip);
  return ok;
}

bool ReadTarGz(const std::string& path, ReleaseFiles& files, std::string& error) {
  gzFile in = gzopen(path.c_str(), "rb");
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  std::vector<char> tar;
  char buffer[65536];
  for (int got; (got = gzread(in, buffer, sizeof buffer)) > 0;) {
    tar.insert(tar.end(), buffer, buffer + got);
    if (tar.size() > kLargestMember) break;
  }
  int gzError = Z_OK;
  gzerror(in, &gzError);
  gzclose(in);
  if (gzError != Z_OK || tar.size() > kLargestMember) {
    error = path + " is not a whole gzip'd archive";
    return false;
  }
  if (ParseTar(tar, files, error)) return true;
  error = path + ": " + error;
  return false;
}

bool ParseTar(const std::vector<char>& tar, ReleaseFiles& files, std::string& error) {
  for (std::size_t at = 0; at + kBlock <= tar.size();) {
    const char* header = tar.data() + at;
    if (header[0] == 0) break;  // the end blocks
    const std::size_t size = ReadOctal(header + 124, 12);
    if (std::memcmp(header + 257, "ustar", 5) != 0 || size > tar.size() - at - kBlock) {
      error = "not a tar archive (or it is cut short)";
      return false;
    }
    ReleaseFile file;
    const std::string prefix(header + 345, strnlen(header + 345, 155));
    file.name = (prefix.empty() ? "" : prefix + "/") + std::string(header, strnlen(header, 100));
    const char type = header[156];
    file.executable = ReadOctal(header + 100, 8) & 0100;
    if (type == '5') {
      if (file.name.back() != '/') file.name += '/';
    } else if (type == '0' || type == 0) {
      file.bytes.assign(header + kBlock, header + kBlock + size);
    } else {
      file.linkTarget = std::string(header + 157, strnlen(header + 157, 100));
      if (file.linkTarget.empty()) file.linkTarget = std::string("(a special file of type ") + type + ")";
    }
    files.push_back(std::move(file));
    at += kBlock + (size + kBlock - 1) / kBlock * kBlock;
  }
  return true;
}

void PutFile(ReleaseFiles& files, ReleaseFile file) {
  for (ReleaseFile& held : files) {
    if (held.name == file.name) {
      held = std::move(file);
      return;
    }
  }
  files.push_back(std::move(file));
}

const ReleaseFile* FindFile(const ReleaseFiles& files, const std::string& name) {
  for (const ReleaseFile& file : files)
    if (file.name == name) return &file;
  return nullptr;
}

bool WriteZip(const std::string& path, ReleaseFiles files, std::string& error) {
  Sort(files);
  return ThroughTemporary(path, error, [&](const std::string& temporary) {
    zipFile zip = zipOpen64(temporary.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    bool ok = true;
    for (const ReleaseFile& file : files) {
      zip_fileinfo info = {};
      info.tmz_date.tm_year = 2026;
      info.tmz_date.tm_mon = 0;
      info.tmz_date.tm_mday = 1;
      const int method = Stored(file.name) ? 0 : Z_DEFLATED;
      ok = zipOpenNewFileInZip(zip, file.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                               method, method ? Z_BEST_COMPRESSION : 0) == ZIP_OK &&
           (file.bytes.empty() ||
            zipWriteInFileInZip(zip, file.bytes.data(),
                                static_cast<unsigned>(file.bytes.size())) == ZIP_OK) &&
           zipCloseFileInZip(zip) == ZIP_OK;
      if (!ok) {
        error = "cannot add " + file.name + " to " + path;
        break;
      }
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
  });
}

bool WriteTarGz(const std::string& path, ReleaseFiles files, std::string& error) {
  Sort(files);
  std::set<std::string> folders;
  for (const ReleaseFile& file : files) {
    for (std::size_t cut = file.name.find('/'); cut != std::string::npos;
         cut = file.name.find('/', cut + 1))
      folders.insert(file.name.substr(0, cut + 1));
  }
  std::vector<char> tar;
  char header[kBlock];
  auto add = [&](const std::string& name, char type, const std::vector<char>* bytes, bool exec) {
    if (!TarHeader(name, type, bytes ? bytes->size() : 0, exec, header)) {
      error = name + ": the name is too long for a tar archive";
      return false;
    }
    tar.insert(tar.end(), header, header + kBlock);
    if (bytes) {
      tar.insert(tar.end(), bytes->begin(), bytes->end());
      tar.resize((tar.size() + kBlock - 1) / kBlock * kBlock, 0);
    }
    return true;
  };
  for (const std::string& folder : folders)
    if (!add(folder, '5', nullptr, false)) return false;
  for (const ReleaseFile& file : files)
    if (!add(file.name, '0', &file.bytes, file.executable)) return false;
  tar.resize(tar.size() + 2 * kBlock, 0);
  return ThroughTemporary(path, error, [&](const std::string& temporary) {
    gzFile out = gzopen(temporary.c_str(), "wb9");
    if (!out) return false;
    const bool written =
        gzwrite(out, tar.data(), static_cast<unsigned>(tar.size())) == static_cast<int>(tar.size());
    return gzclose(out) == Z_OK && written;
  });
}
