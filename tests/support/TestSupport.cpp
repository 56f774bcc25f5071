#include "TestSupport.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "KolLog.h"
#include "Platform.h"

TempDir::TempDir() {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    std::ostringstream name;
    name << "solvane-test-" << std::hex << rd() << rd();
    const auto candidate = base / name.str();
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate.string();
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  const std::filesystem::path full = PathOf(name);
  std::filesystem::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDir::Read(const std::string& name) const { return ReadFile(PathOf(name)); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

bool WriteZip(const std::string& path, const std::vector<ZipMember>& members) {
  zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) return false;
  bool ok = true;
  for (const ZipMember& m : members) {
    zip_fileinfo info = {};
    const unsigned long crc =
        crc32(0L, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size()));
    int opened;
    if (m.raw) {
      opened = zipOpenNewFileInZip2(zip, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                    m.rawMethod, 0, 1);
    } else {
      opened = zipOpenNewFileInZip3(zip, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                    m.method, m.method ? Z_DEFAULT_COMPRESSION : 0, 0,
                                    -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, m.password,
                                    crc);
    }
    if (opened != ZIP_OK) {
      ok = false;
      break;
    }
    if (!m.data.empty() &&
        zipWriteInFileInZip(zip, m.data.data(), static_cast<unsigned>(m.data.size())) != ZIP_OK)
      ok = false;
    if (m.raw)
      zipCloseFileInZipRaw(zip, m.data.size(), crc);
    else
      zipCloseFileInZip(zip);
    if (!ok) break;
  }
  if (zipClose(zip, nullptr) != ZIP_OK) ok = false;
  return ok;
}

std::string TgaFile(int type, int width, int height, int bits, int descriptor,
                    const std::string& pixels, const std::string& id) {
  const char h[18] = {char(id.size()), 0, char(type), 0, 0, 0, 0, 0, 0, 0, 0, 0, char(width),
                      char(width >> 8), char(height), char(height >> 8), char(bits),
                      char(descriptor)};
  return std::string(h, 18) + id + pixels;
}

LogCapture::LogCapture() {
  ResetProcessState();
  TheLog().SetBufferOutput(true);
}

LogCapture::~LogCapture() { TheLog().ResetForTest(); }

std::string LogCapture::Text() const {
  const char* text = TheLog().BufferText();
  std::string out;
  for (const char* p = text ? text : ""; *p; ++p)
    if (*p != '\r') out += *p;
  return out;
}

int LogCapture::Records() const { return TheLog().RecordCount(); }
