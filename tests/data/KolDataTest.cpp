#include <gtest/gtest.h>
#include <zlib.h>
#if !defined(_WIN32) && !defined(__wasi__)
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "KolData.h"
#include "KolDataStdio.h"
#include "KolDataUnzip.h"
#include "KolLog.h"
#include "TestSupport.h"

TEST(KolDataTest, BothBackEndsReadWholeFilesAndStreams) {
  TempDir dir;
  dir.Write("sub/ten.txt", "0123456789");
  ASSERT_TRUE(WriteZip(dir.PathOf("a.zip"), {{"sub/ten.txt", "0123456789"}}));
  const struct {
    int kind;
    std::string root, prefix, open;
  } cases[] = {{kKindDirectory, dir.Path(), "KolDataStdio::", "OpenRead"},
               {kKindArchive, dir.PathOf("a.zip"), "KolDataUnzip::", "Open"}};
  for (const auto& c : cases) {
    LogCapture capture;
    KolData data;
    ASSERT_EQ(data.Open(c.kind, c.root.c_str()), 0);
    KolBuffer buffer;
    ASSERT_EQ(data.Load("sub/ten.txt", buffer), 10);
    EXPECT_EQ(std::string(buffer.get(), 10), "0123456789");
    char bytes[8] = {};
    int delivered = -1;
    EXPECT_EQ(data.Read(bytes, 1), 1);  // idle
    ASSERT_EQ(data.OpenRead("sub\\ten.txt"), 0);
    EXPECT_EQ(data.Load("sub/ten.txt", buffer), 1);  // not while reading
    ASSERT_EQ(data.Read(bytes, 3), 0);
    std::string got(bytes, 3);
    for (int expected : {4, 3, 0}) {  // the short last chunk, then the end
      EXPECT_EQ(data.ReadCounted(bytes, 4, delivered), expected ? 0 : 1);
      ASSERT_EQ(delivered, expected);
      got.append(bytes, delivered);
    }
    EXPECT_EQ(got, "0123456789");
    EXPECT_EQ(data.CloseFile(), 0);
    // An optional file is looked for in silence.
    EXPECT_TRUE(data.Contains("SUB\\Ten.txt"));
    EXPECT_FALSE(data.Contains("no"));
    EXPECT_EQ(data.Load("no", buffer), -1);
    EXPECT_EQ(data.OpenRead("no"), 1);
    EXPECT_EQ(capture.Text(), c.prefix + "Load: file [no] not found\n" + c.prefix + c.open +
                                  ": file [no] not found\n");
  }
}

TEST(KolDataTest, FrontEndKindsTypedValuesAndPathLimit) {
  LogCapture capture;
  TempDir dir;
  KolData data;
  KolBuffer buffer;
  EXPECT_EQ(data.Open(0x3000, dir.Path().c_str()), 1);
  EXPECT_EQ(data.Load("v.bin", buffer), -1);
  ASSERT_EQ(data.Open(kKindDirectory, dir.Path().c_str()), 0);
  EXPECT_EQ(data.Store("v.bin", nullptr, 0), 0);  // an empty file needs no data
  EXPECT_EQ(data.Load("v.bin", buffer), 0);
  ASSERT_EQ(data.OpenWrite("v.bin"), 0);
  const std::string m(255, 'm'), n(256, 'n');
  EXPECT_EQ(std::vector<int>({data.WriteInt(0x01020304), data.WriteFloat(-2.5f),
                              data.WriteBool(true), data.WriteChar('z'), data.WriteString(nullptr),
                              data.WriteString("ab"), data.WriteString(m.c_str()),
                              data.WriteString(n.c_str())}),
            std::vector<int>(8, 0));
  ASSERT_EQ(data.CloseFile(), 0);
  EXPECT_EQ(dir.Read("v.bin").substr(0, 14),
            std::string("\x04\x03\x02\x01\x00\x00\x20\xc0\x01z\x00" "ab\x00", 14));
  ASSERT_EQ(data.OpenRead("v.bin"), 0);
  int i = 0;
  float f = 0;
  bool one = false, z = false;  // any non-zero byte is true
  std::string none = "old", ab, longest;
  EXPECT_EQ(std::vector<int>({data.ReadInt(i), data.ReadFloat(f), data.ReadBool(one),
                              data.ReadBool(z), data.ReadString(none), data.ReadString(ab),
                              data.ReadString(longest), data.ReadString(longest)}),
            std::vector<int>({0, 0, 0, 0, 0, 0, 0, 1}));  // 256 characters do not fit
  EXPECT_TRUE(i == 0x01020304 && f == -2.5f && one && z && none.empty() && ab == "ab" &&
              longest == m);
  EXPECT_EQ(data.CloseFile(), 0);
  // root + '/' + name: 1023 characters fit with the terminator, 1024 do not.
  for (size_t total : {1023u, 1024u}) {
#ifdef _WIN32
    // Windows' own limit on a path (MAX_PATH) lies far below this one.
    if (total == 1023u) continue;
#endif
    EXPECT_EQ(data.OpenRead((std::string(total - dir.Path().size() - 6, '/') + "v.bin").c_str()),
              total == 1023 ? 0 : 1);
    EXPECT_EQ(data.CloseFile(), 0);
  }
  EXPECT_EQ(capture.Text(),
            "KolData::ReadString: stored string is longer than 255 characters\n"
            "KolDataStdio::OpenRead: path of [" + std::string(64, '/') +
                "...] is longer than 1023 characters\n");
}

TEST(KolDataTest, DefaultSourcesAreSharedAndReleasedByTheirOwner) {
  LogCapture capture;
  TempDir dir;
  dir.Write("a.txt", "alpha");
  KolObject* object = nullptr;
  EXPECT_EQ(KolData(true).TransferObject(object), 1);
  EXPECT_EQ(KolData(false).TransferObject(object), 1);
  EXPECT_EQ(capture.Text(), "KolData: can't store objects\nKolData: can't load objects\n");
  auto owner = std::make_unique<KolData>();
  ASSERT_EQ(owner->Open(kKindDirectory, dir.Path().c_str()), 0);
  owner->SetDefault(false);
  owner->SetDefault(true);
  KolData reader(false);
  char bytes[8] = {};
  ASSERT_EQ(reader.OpenRead("a.txt"), 0);
  ASSERT_EQ(reader.Read(bytes, 2), 0);
  { KolData passer(false); }  // an idle sharer going away closes nothing
  ASSERT_EQ(reader.Read(bytes + 2, 3), 0);
  EXPECT_EQ(std::string(bytes, 5), "alpha");
  EXPECT_EQ(reader.CloseFile(), 0);
  owner.reset();  // unregisters both
  EXPECT_EQ(DefaultLoadSource(), nullptr);
  EXPECT_EQ(DefaultStoreSource(), nullptr);
}

TEST(KolDataTest, MatchNameTakesTheExactNameElseTheFirstCaseVariantInByteOrder) {
  const struct {
    std::vector<std::string> names;
    const char* wanted;
    int expected;
  } cases[] = {{{"b", "Sky.txt", "SKY.txt"}, "sky.txt", 2},  // 'K' sorts before 'k'
               {{"SKY.txt", "sky.txt"}, "sky.txt", 1},       // the exact name, wherever it is
               {{"Sky.txt", "sky.txt2"}, "sky.tx", -1},
               {{"[a"}, "{a", -1},        // only letters fold, not every pair 32 apart
               {{"\xc4" "a"}, "\xe4" "a", -1}};  // nor the bytes of other encodings
  for (const auto& c : cases)
    EXPECT_EQ(KolDataStdio::MatchName(c.names, c.wanted), c.expected) << c.wanted;
}

// Two names differing only by case cannot both exist on Windows' file system,
// which matches the way the archives do already; FIFOs are POSIX's, and the
// Windows services have their own test of the same refusals (WASI has no FIFOs).
#if !defined(_WIN32) && !defined(__wasi__)
TEST(KolDataTest, DirectoriesMatchMissingNamesWithoutRegardToCaseAndOpenOnlyRegularFiles) {
  TempDir dir;
  const std::pair<const char*, const char*> files[] = {
      {"Script/Effect/Sky.txt", "sky"}, {"Script/Effect/one.txt", "exact"},
      {"Script/Effect/ONE.txt", "upper"}, {"Script/Effect/tWo.txt", "t"},
      {"Script/Effect/Two.txt", "T"}};
  for (const auto& [name, text] : files) dir.Write(name, text);
  // A FIFO would block an open until a writer comes (a reader, for a write), and
  // a directory opens for reading on Linux; neither may hang or feed a read.
  ASSERT_EQ(mkfifo(dir.PathOf("Script/Pipe").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(dir.PathOf("pipe.zip").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(dir.PathOf("Script/Folder").c_str(), 0700), 0);
  LogCapture capture;
  KolData data;
  ASSERT_EQ(data.Open(kKindDirectory, dir.Path().c_str()), 0);
  const std::pair<const char*, std::string> reads[] = {
      {"script/effect/sky.txt", "sky"}, {"SCRIPT\\EFFECT\\SKY.TXT", "sky"},
      {"Script/Effect/one.txt", "exact"}, {"script/effect/One.txt", "upper"},
      {"script/effect/two.txt", "T"}};
  for (const auto& [name, text] : reads) {
    KolBuffer buffer;
    ASSERT_EQ(data.Load(name, buffer), static_cast<int>(text.size())) << name;
    EXPECT_EQ(std::string(buffer.get(), text.size()), text) << name;
    char bytes[8] = {};
    ASSERT_EQ(data.OpenRead(name), 0) << name;
    EXPECT_EQ(data.Read(bytes, static_cast<int>(text.size())), 0) << name;
    EXPECT_EQ(std::string(bytes, text.size()), text) << name;
    EXPECT_EQ(data.CloseFile(), 0);
  }
  // Writes replace what a read finds, and make the exact name when there is none.
  EXPECT_EQ(data.Store("script/effect/SKY.TXT", "new", 3), 3);
  ASSERT_EQ(data.OpenWrite("SCRIPT/effect/TWO.txt"), 0);
  EXPECT_EQ(data.Write("w", 1), 0);
  EXPECT_EQ(data.CloseFile(), 0);
  EXPECT_EQ(data.Store("script/EFFECT/New.txt", "n", 1), 1);
  EXPECT_EQ(dir.Read("Script/Effect/Sky.txt") + dir.Read("Script/Effect/Two.txt") +
                dir.Read("Script/Effect/tWo.txt") + dir.Read("Script/Effect/New.txt"),
            "newwtn");
  EXPECT_FALSE(std::filesystem::exists(dir.PathOf("script")));
  KolBuffer buffer;
  for (const char* name : {"script/pipe", "script/folder"}) {
    EXPECT_FALSE(data.Contains(name)) << name;
    EXPECT_EQ(data.Load(name, buffer), -1) << name;
    EXPECT_EQ(data.OpenRead(name), 1) << name;
    data.CloseFile();
  }
  EXPECT_EQ(data.OpenWrite("script/pipe"), 1);
  data.CloseFile();
  EXPECT_EQ(data.Store("script/pipe", "x", 1), -1);
  EXPECT_EQ(data.Load("script/effect/none.txt", buffer), -1);
  EXPECT_EQ(data.OpenRead("scripts/effect/sky.txt"), 1);
  KolData archive;
  EXPECT_EQ(archive.Open(kKindArchive, dir.PathOf("pipe.zip").c_str()), 1);
  EXPECT_EQ(archive.Open(kKindArchive, dir.PathOf("Script").c_str()), 1);
  EXPECT_EQ(capture.Text(),
            "KolDataStdio::Load: [script/pipe] is not a regular file\n"
            "KolDataStdio::OpenRead: [script/pipe] is not a regular file\n"
            "KolDataStdio::Load: [script/folder] is not a regular file\n"
            "KolDataStdio::OpenRead: [script/folder] is not a regular file\n"
            "KolDataStdio::OpenWrite: [script/pipe] is not a regular file\n"
            "KolDataStdio::Store: [script/pipe] is not a regular file\n"
            "KolDataStdio::Load: file [script/effect/none.txt] not found\n"
            "KolDataStdio::OpenRead: file [scripts/effect/sky.txt] not found\n"
            "KolDataUnzip::Open: [" + dir.PathOf("pipe.zip") + "] is not a regular file\n"
            "KolDataUnzip::Open: [" + dir.PathOf("Script") + "] is not a regular file\n");
  EXPECT_EQ(capture.Records(), 0);
}

// Reads that found their file only by ignoring case are noted for the author
// tools, from a directory as from an archive; Holds finds files the same way,
// quietly, noting nothing. (On Windows the file system itself ignores case.)
TEST(KolDataTest, CaseMatchesAreNotedAndHoldsAsksQuietly) {
  TempDir dir;
  dir.Write("Script/Effect/Sky.txt", "sky");
  ASSERT_TRUE(WriteZip(dir.PathOf("a.zip"), {{"Script/Effect/Sky.txt", "sky"}}));
  for (const auto& [kind, root] : {std::pair{kKindDirectory, dir.Path()},
                                   std::pair{kKindArchive, dir.PathOf("a.zip")}}) {
    LogCapture capture;
    KolData data;
    ASSERT_EQ(data.Open(kind, root.c_str()), 0);
    ForgetCaseMatches();
    KolBuffer buffer;
    EXPECT_EQ(data.Load("Script/Effect/Sky.txt", buffer), 3);
    EXPECT_EQ(data.Load("script\\effect\\SKY.txt", buffer), 3);
    ASSERT_EQ(data.OpenRead("Script/effect/sky.txt"), 0);
    EXPECT_EQ(data.CloseFile(), 0);
    EXPECT_TRUE(data.Holds("SCRIPT/EFFECT/SKY.TXT"));
    EXPECT_FALSE(data.Holds("bass.dll"));
    EXPECT_FALSE(data.Holds(std::string(kMaxPath, 'x').c_str()));
    std::string noted;
    for (const KolCaseMatch& match : CaseMatches())
      noted += match.asked + " > " + match.found + "\n";
    EXPECT_EQ(noted,
              "script/effect/SKY.txt > Script/Effect/Sky.txt\n"
              "Script/effect/sky.txt > Script/Effect/Sky.txt\n");
    EXPECT_EQ(capture.Text(), "");
  }
  ForgetCaseMatches();
}
#endif

TEST(KolDataUnzipTest, UnreadableAndDamagedMembersAreRefusedByNameAndLargeOnesLoadWhole) {
  LogCapture capture;
  TempDir dir;
  const std::string text = "The quick brown fox";
  std::string big;  // several times the first read's 64 KiB, and not a multiple of it
  for (int i = 0; big.size() < 300000; ++i) big += std::to_string(i * 7919 % 100003) + ",";
  ASSERT_TRUE(WriteZip(dir.PathOf("r.zip"),
                       {{"secret.txt", "hidden", 8, "pw"}, {"packed.bz2", "BZh9", 0},
                        {"huge.bin", "small", 0}, {"all.bin", "small", 0}, {"bad.txt", text, 0},
                        {"big.txt", big}, {"liar.bin", "small", 0},
                        // one final stored deflate block holding "ab", declared as 7 bytes
                        {"short.bin", std::string("\x01\x02\x00\xfd\xff" "ab", 7), 8, nullptr,
                         true, 8}}));
  // Method 12 (bzip2) in both headers; declared sizes of 256 MiB + 1 and 0xFFFFFFFF; a
  // changed byte in bad.txt ("bRown") that fails the checksum. "liar.bin" holds 5 bytes
  // but declares 256 MiB in both headers: refused as damaged once its bytes run out
  // (the buffer grows with what arrives, so the lie is never allocated).
  std::string zip = dir.Read("r.zip");
  zip[zip.find("packed.bz2") - 22] = zip[zip.rfind("packed.bz2") - 36] = 12;
  zip.replace(zip.rfind("huge.bin") - 22, 4, "\x01\x00\x00\x10", 4);
  zip.replace(zip.rfind("all.bin") - 22, 4, "\xff\xff\xff\xff", 4);
  zip[zip.find(text) + 11] ^= 0x20;
  zip.replace(zip.find("liar.bin") - 8, 4, "\x00\x00\x00\x10", 4);
  zip.replace(zip.rfind("liar.bin") - 22, 4, "\x00\x00\x00\x10", 4);
  dir.Write("r.zip", zip);
  KolData data;
  ASSERT_EQ(data.Open(kKindArchive, dir.PathOf("r.zip").c_str()), 0);
  KolBuffer buffer;
  ASSERT_EQ(data.Load("big.txt", buffer), static_cast<int>(big.size()));  // loaded whole
  EXPECT_EQ(std::string(buffer.get(), big.size()), big);
  EXPECT_EQ(buffer[big.size()], '\0');
  // 1023 characters are looked up (the "not found" line is too long to write); 1024 are not.
  const std::string fits(1023, 'n'), tooLong(1024, 'n');
  for (const char* name : {"secret.txt", "PACKED.bz2", "huge.bin", "all.bin", "Bad.txt",
                           "short.bin", "liar.bin", fits.c_str(), tooLong.c_str()})
    EXPECT_EQ(data.Load(name, buffer), -1) << name;
  EXPECT_EQ(data.OpenRead("secret.txt"), 1);
  EXPECT_EQ(data.OpenRead(tooLong.c_str()), 1);
  for (const auto& [name, total] : {std::pair{"bad.txt", 16}, std::pair{"short.bin", 2}}) {
    ASSERT_EQ(data.OpenRead(name), 0);
    char bytes[16];
    int delivered = 0, sum = 0;
    while (data.ReadCounted(bytes, sizeof bytes, delivered) == 0) sum += delivered;
    EXPECT_EQ(sum, total) << name;  // the read that would complete the member fails
    EXPECT_EQ(data.CloseFile(), 1) << name;
  }
  // A read the member cannot fill fails, though some bytes arrived.
  ASSERT_EQ(data.OpenRead("short.bin"), 0);
  char seven[7];
  EXPECT_EQ(data.Read(seven, 7), 1);
  data.CloseFile();
  std::string longer(65, 'n');
  longer.front() = '[';
  longer += "...] is longer than 1023 characters\n";
  EXPECT_EQ(capture.Text(),
            "KolDataUnzip::Load: file [secret.txt] is encrypted\n"
            "KolDataUnzip::Load: file [PACKED.bz2] uses compression method 12 (only stored and "
            "deflated are read)\n"
            "KolDataUnzip::Load: file [huge.bin] is too large (268435457 bytes)\n"
            "KolDataUnzip::Load: file [all.bin] is too large (4294967295 bytes)\n"
            "KolDataUnzip::Load: file [Bad.txt] fails its checksum\n"
            "KolDataUnzip::Load: file [short.bin] is damaged\n"
            "KolDataUnzip::Load: file [liar.bin] is damaged\n"
            "KolDataUnzip::Load: name " + longer +
                "KolDataUnzip::OpenRead: file [secret.txt] is encrypted\n"
                "KolDataUnzip::OpenRead: name " + longer +
                "KolDataUnzip::Read: file [bad.txt] fails its checksum\n"
                "KolDataUnzip::Read: file [short.bin] ends before its declared size\n");
}

namespace {
struct Zip64Member {
  std::string name, data;
  bool deflate = false;
  bool packedMarked = false;  // the compressed size in the field too, not only the other
  int fieldLength = 8;        // as declared; at most the marked sizes' bytes are written
  std::uint64_t declared = 0;  // the uncompressed size given, when not the data's
  unsigned long crc = 0;       // the checksum given, when not the data's
};

// An archive whose members keep their sizes in zip64 fields, written byte by
// byte: the local headers mark both sizes, as a streaming writer leaves them;
// the central directory marks the uncompressed size, as Info-ZIP's zip -fz
// does, and the compressed one where asked.
std::string Zip64Archive(const std::vector<Zip64Member>& members) {
  using Fields = std::initializer_list<std::pair<std::uint64_t, int>>;  // value, byte count
  const auto put = [](std::string& out, Fields fields) {
    for (auto [value, bytes] : fields)
      for (; bytes > 0; --bytes, value >>= 8) out += static_cast<char>(value & 0xFF);
  };
  std::string zip, central;
  for (const Zip64Member& m : members) {
    std::string packed = m.data;
    if (m.deflate) {  // zlib's stream less its 2-byte header and 4-byte trailer
      uLongf length = compressBound(static_cast<uLong>(m.data.size()));
      packed.resize(length);
      compress2(reinterpret_cast<Bytef*>(packed.data()), &length,
                reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uLong>(m.data.size()), 9);
      packed = packed.substr(2, length - 6);
    }
    const std::uint64_t size = m.declared ? m.declared : m.data.size();
    const unsigned long crc = m.crc ? m.crc
                                    : crc32(0, reinterpret_cast<const Bytef*>(m.data.data()),
                                            static_cast<uInt>(m.data.size()));
    const int method = m.deflate ? 8 : 0;
    std::string field;
    put(field, {{size, 8}, {packed.size(), m.packedMarked ? 8 : 0}});
    field.resize(std::min<size_t>(field.size(), static_cast<size_t>(m.fieldLength)));
    // Signature, versions, flags, method, time, checksum, sizes, name and extra
    // lengths, then (central only) comment length, disk, attributes and offset.
    put(central, {{0x02014b50, 4}, {45, 2}, {45, 2}, {0, 2}, {method, 2}, {0, 4}, {crc, 4},
                  {m.packedMarked ? 0xFFFFFFFF : packed.size(), 4}, {0xFFFFFFFF, 4},
                  {m.name.size(), 2}, {4 + field.size(), 2}, {0, 10}, {zip.size(), 4}});
    central += m.name;
    put(central, {{1, 2}, {static_cast<std::uint64_t>(m.fieldLength), 2}});
    central += field;
    put(zip, {{0x04034b50, 4}, {45, 2}, {0, 2}, {method, 2}, {0, 4}, {crc, 4}, {0xFFFFFFFF, 4},
              {0xFFFFFFFF, 4}, {m.name.size(), 2}, {20, 2}});
    zip += m.name;
    put(zip, {{1, 2}, {16, 2}, {size, 8}, {packed.size(), 8}});
    zip += packed;
  }
  const size_t centralAt = zip.size();
  zip += central;
  put(zip, {{0x06054b50, 4}, {0, 4}, {members.size(), 2}, {members.size(), 2},
            {central.size(), 4}, {centralAt, 4}, {0, 2}});
  return zip;
}
}  // namespace

TEST(KolDataUnzipTest, Zip64SizesAreTakenFromTheirField) {
  TempDir dir;
  std::string text;
  for (int i = 0; text.size() < 70000; ++i) text += std::to_string(i * 7919 % 100003) + " ";
  const std::vector<Zip64Member> members = {
      {"fz.txt", text, true},
      {"both.bin", "stored in both", false, true, 16},
      {"both.txt", text, true, true, 16},
      {"huge.bin", "small", false, false, 8, 5ULL << 30},
      {"bad.txt", text, true, true, 16, 0, 12345}};
  const std::string zip = Zip64Archive(members);
  dir.Write("z64.zip", zip);
  KolDataUnzip file, image;
  ASSERT_EQ(file.Open(kKindArchive, dir.PathOf("z64.zip").c_str()), 0);
  ASSERT_EQ(image.OpenImage("z64", zip.data(), zip.size()), 0);
  for (KolDataUnzip* data : {&file, &image}) {
    LogCapture capture;
    for (const Zip64Member& m : members) {
      KolBuffer buffer;
      const int size = data->Load(m.name.c_str(), buffer);
      if (m.declared || m.crc) {
        EXPECT_EQ(size, -1) << m.name;
        continue;
      }
      ASSERT_EQ(size, static_cast<int>(m.data.size())) << m.name;
      EXPECT_EQ(std::string(buffer.get(), m.data.size()), m.data) << m.name;
    }
    for (const bool damaged : {false, true}) {  // the read completing bad.txt fails
      const char* name = damaged ? "bad.txt" : "both.txt";
      ASSERT_EQ(data->OpenRead(name), 0) << name;
      std::string got;
      char bytes[4096];
      int delivered = 0;
      while (data->ReadCounted(bytes, sizeof bytes, delivered) == 0) got.append(bytes, delivered);
      EXPECT_EQ(data->CloseFile(), damaged ? 1 : 0) << name;
      EXPECT_EQ(got, text.substr(0, damaged ? text.size() / 4096 * 4096 : text.size())) << name;
    }
    EXPECT_EQ(capture.Text(),
              "KolDataUnzip::Load: file [huge.bin] is too large (5368709120 bytes)\n"
              "KolDataUnzip::Load: file [bad.txt] fails its checksum\n"
              "KolDataUnzip::Read: file [bad.txt] fails its checksum\n");
  }
}

// Where unsigned long has 32 bits (Windows, wasm32) minizip reads the zip64 field itself, and
// past the end of a short one; these are the checks of the reading here.
#if !defined(_WIN32) && !defined(__wasi__)
TEST(KolDataUnzipTest, ShortZip64FieldsAreRefused) {
  LogCapture capture;
  TempDir dir;
  // 8 bytes where both sizes are marked; a field running past the extra data.
  dir.Write("bad.zip", Zip64Archive({{"short.bin", "data", false, true, 8},
                                     {"over.bin", "data", false, true, 24}}));
  KolData data;
  ASSERT_EQ(data.Open(kKindArchive, dir.PathOf("bad.zip").c_str()), 0);
  for (const char* name : {"short.bin", "over.bin"}) {
    KolBuffer buffer;
    EXPECT_EQ(data.Load(name, buffer), -1) << name;
    EXPECT_EQ(data.OpenRead(name), 1) << name;
    data.CloseFile();
  }
  std::string expected;
  for (const char* line : {"Load: file [short.bin]", "OpenRead: file [short.bin]",
                           "Load: file [over.bin]", "OpenRead: file [over.bin]"})
    expected += std::string("KolDataUnzip::") + line + " has a damaged zip64 extra field\n";
  EXPECT_EQ(capture.Text(), expected);
}
#endif

TEST(KolDataUnzipTest, BrokenArchivesNeverYieldWrongBytes) {
  ResetProcessState();  // log outputs off: the many failure lines need not be kept
  TempDir dir;
  KolData data;
  dir.Write("text.zip", "this is not a zip archive\n");
  EXPECT_EQ(data.Open(kKindArchive, dir.PathOf("text.zip").c_str()), 1);
  std::string packed;
  for (int i = 0; i < 50; ++i) packed += std::to_string(i * i * i) + (i % 7 ? " " : "\n");
  const std::pair<const char*, std::string> members[] = {{"s.txt", "stored"}, {"p.txt", packed}};
  ASSERT_TRUE(WriteZip(dir.PathOf("z.zip"), {{"s.txt", "stored", 0}, {"p.txt", packed}}));
  // The same members with their sizes in zip64 fields, whose bytes are read here.
  for (const std::string& whole :
       {dir.Read("z.zip"), Zip64Archive({{"s.txt", "stored", false, true, 16},
                                         {"p.txt", packed, true, true, 16}})}) {
    const size_t n = whole.size();
    for (size_t i = 0; i <= 2 * n; ++i) {  // each truncation, each byte flipped, then intact
      std::string zip = whole.substr(0, i);
      if (i >= n && i < 2 * n) zip[i - n] ^= 0xFF;
      dir.Write("x.zip", zip);
      data.Open(kKindArchive, dir.PathOf("x.zip").c_str());
      for (const auto& [name, member] : members) {
        KolBuffer buffer;
        const int size = data.Load(name, buffer);  // -1 and 1 are failures
        EXPECT_TRUE(size == -1 || size == 1 || std::string(buffer.get(), size) == member) << i;
        EXPECT_TRUE(i < 2 * n || size == static_cast<int>(member.size())) << name;
        char bytes[64];
        int delivered = 0;
        if (data.OpenRead(name) == 0)  // streaming must not crash either
          while (data.ReadCounted(bytes, sizeof bytes, delivered) == 0) continue;
        data.CloseFile();
      }
    }
  }
}
