// The zip back end over an archive image held in memory (the whole input).
// The members' own names (listed with minizip over the same bytes) and a few
// fixed ones are loaded whole, in other spellings too, and streamed through the
// front end in chunks whose sizes the input's last byte picks. Whenever a
// member both loads and streams to its end without complaint, the two must
// have delivered the same bytes.
#include <minizip/unzip.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "KolData.h"
#include "KolDataMemory.h"
#include "KolDataUnzip.h"

namespace {

constexpr int kMaxListed = 8;
// Streams stop after this much: a few kilobytes of deflate can claim megabytes.
constexpr std::size_t kMaxStreamed = 1 << 20;

std::vector<std::string> ListMembers(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> names;
  KolMemoryImage image;
  image.data = data;
  image.size = size;
  zlib_filefunc_def functions;
  FillMemoryFileFunctions(functions, image);
  unzFile archive = unzOpen2("listing", &functions);
  if (!archive) return names;
  for (int r = unzGoToFirstFile(archive); r == UNZ_OK && names.size() < kMaxListed;
       r = unzGoToNextFile(archive)) {
    char name[kMaxPath + 1] = {};
    unz_file_info info;
    if (unzGetCurrentFileInfo(archive, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0) !=
        UNZ_OK)
      break;
    names.emplace_back(name);
  }
  unzClose(archive);
  return names;
}

const int kChunks[] = {1, 3, 64, 4096, 65536, 7, 512, 100000};
constexpr int kLargestChunk = 100000;
char gChunk[kLargestChunk];

// Reads the member through the front end with counted reads; true when it
// ended cleanly (everything up to the end arrived and CloseFile agreed).
bool StreamCounted(KolData& front, const std::string& name, unsigned chunkChoice,
                   std::string& out) {
  if (front.OpenRead(name.c_str()) != 0) {
    front.CloseFile();
    return false;
  }
  bool ended = false;
  for (unsigned step = 0; out.size() < kMaxStreamed; ++step) {
    const int want = kChunks[(chunkChoice + step) % 8];
    int delivered = -1;
    const int r = front.ReadCounted(gChunk, want, delivered);
    FUZZ_CHECK(delivered >= 0 && delivered <= want);
    FUZZ_CHECK((r == 0) == (delivered > 0));
    if (r != 0) {
      ended = true;
      break;
    }
    out.append(gChunk, static_cast<std::size_t>(delivered));
  }
  return front.CloseFile() == 0 && ended;
}

// The same with plain reads, which succeed only when the whole chunk arrives.
void StreamPlain(KolData& front, const std::string& name, unsigned chunkChoice) {
  if (front.OpenRead(name.c_str()) == 0) {
    for (unsigned step = 0; step < 4096; ++step)
      if (front.Read(gChunk, kChunks[(chunkChoice + step) % 8]) != 0) break;
  }
  front.CloseFile();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ResetForInput(nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ResetForInput(nullptr);
  KolDataUnzip archive;
  if (archive.OpenImage("fuzz.zip", data, size) != 0) return 0;
  SetDefaultLoadSource(&archive);

  std::vector<std::string> names = ListMembers(data, size);
  if (!names.empty()) {
    std::string shouted = names[0], backslashed = names[0];
    for (char& c : shouted)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (char& c : backslashed)
      if (c == '/') c = '\\';
    names.push_back(shouted);
    names.push_back(backslashed);
  }
  names.push_back("Script/Demo.txt");
  names.push_back("");

  const unsigned chunkChoice = size ? data[size - 1] : 0;
  KolData front(false);
  for (std::size_t i = 0; i < names.size(); ++i) {
    KolBuffer whole;
    int loaded = front.Load(names[i].c_str(), whole);
    // 1 is also the zip back end's "could not open the member", with no bytes.
    if (loaded == 1 && !whole) loaded = -1;
    if (loaded >= 0) {
      FUZZ_CHECK(whole != nullptr);
      FUZZ_CHECK(whole[loaded] == '\0');
    }
    if (i >= 3) continue;
    StreamPlain(front, names[i], chunkChoice + static_cast<unsigned>(i));
    std::string streamed;
    if (StreamCounted(front, names[i], chunkChoice + static_cast<unsigned>(i), streamed) &&
        loaded >= 0) {
      FUZZ_CHECK(streamed.size() == static_cast<std::size_t>(loaded));
      FUZZ_CHECK(std::memcmp(streamed.data(), whole.get(), streamed.size()) == 0);
    }
  }

  // A whole load while a member streams closes that member; reading on must
  // then fail cleanly rather than deliver bytes of the loaded one.
  if (archive.OpenRead(names[0].c_str()) == 0) {
    char byte = 0;
    archive.Read(&byte, 1);
    KolBuffer other;
    const int loaded = archive.Load(names[names.size() > 3 ? 1 : 0].c_str(), other);
    int delivered = 0;
    archive.ReadCounted(&byte, 1, delivered);
    if (loaded >= 0 && other) FUZZ_CHECK(delivered == 0);
    archive.CloseFile();
  }
  SetDefaultLoadSource(nullptr);
  archive.Close();
  return 0;
}
