#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KolData.h"
#include "KolDataUnzip.h"
#include "KolLog.h"
#include "TestSupport.h"

namespace {

std::string Bytes(const KolBuffer& buffer, int size) {
  return size > 0 ? std::string(buffer.get(), static_cast<size_t>(size)) : std::string();
}

// Deterministic text that deflates, but not to nothing.
std::string Sample(size_t size) {
  std::string out;
  std::uint32_t x = 12345;
  while (out.size() < size) {
    x = x * 1103515245u + 12345u;
    out += static_cast<char>('a' + (x >> 16) % 7);
    if ((x >> 8) % 61 == 0) out += '\n';
  }
  out.resize(size);
  return out;
}

std::uint32_t Get32(const std::string& b, size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

// Offset of the central directory entry of the named member.
size_t CentralEntry(const std::string& zip, const std::string& name) {
  for (size_t at = zip.find("PK\x01\x02"); at != std::string::npos;
       at = zip.find("PK\x01\x02", at + 1)) {
    const size_t nameLength = Get32(zip, at + 28) & 0xFFFF;
    if (zip.compare(at + 46, nameLength, name) == 0 && nameLength == name.size()) return at;
  }
  return std::string::npos;
}

void Put32(std::string& b, size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

// How often text occurs in the log.
int Occurrences(const std::string& log, const std::string& text) {
  int count = 0;
  for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
  return count;
}

}  // namespace

TEST(KolDataUnzipTest, MembersAreFoundByNormalisedName) {
  LogCapture capture;
  TempDir dir;
  const std::string big = Sample(200000);
  const std::string binary("\x00\x01\xfe\xff\r\n", 6);
  ASSERT_TRUE(WriteZip(dir.PathOf("demo.dat"),
                       {{"Script/Demo.txt", "0123456789"},
                        {"raw.bin", binary, 0},
                        {"empty.txt", "", 0},
                        {"empty.gz", "", 8},
                        {"big.txt", big},
                        {"dup.txt", "first"},
                        {"DUP.TXT", "second"},
                        {std::string(300, 'L'), "long"}}));

  const std::string path = dir.PathOf("demo.dat");
  KolData data;
  ASSERT_EQ(data.Open(kKindArchive, path.c_str()), 0);
  EXPECT_EQ(data.Kind(), kKindArchive);
  KolBuffer buffer;
  for (const char* name : {"Script/Demo.txt", "Script\\Demo.txt", "script/demo.txt",
                           "SCRIPT\\DEMO.TXT"}) {
    buffer.reset();
    ASSERT_EQ(data.Load(name, buffer), 10) << name;
    EXPECT_EQ(Bytes(buffer, 10), "0123456789");
  }
  ASSERT_EQ(data.Load("raw.bin", buffer), 6);
  EXPECT_EQ(Bytes(buffer, 6), binary);
  ASSERT_EQ(data.Load("big.txt", buffer), 200000);
  EXPECT_TRUE(Bytes(buffer, 200000) == big);
  for (const char* name : {"empty.txt", "empty.gz"}) {
    buffer.reset();
    EXPECT_EQ(data.Load(name, buffer), 0) << name;
    EXPECT_NE(buffer.get(), nullptr);
  }
  // Names differing only in case: the first entry in the archive wins.
  ASSERT_EQ(data.Load("Dup.Txt", buffer), 5);
  EXPECT_EQ(Bytes(buffer, 5), "first");
  EXPECT_EQ(capture.Text(), "");

  EXPECT_EQ(data.Load("Script", buffer), -1);
  EXPECT_EQ(data.Load(std::string(300, 'L').c_str(), buffer), -1);
  EXPECT_EQ(capture.Text(), "KolDataUnzip::Load: file [Script] not found\nKolDataUnzip::Load: file [" +
                                std::string(300, 'L') + "] not found\n");

  // Archives are read-only.
  EXPECT_EQ(data.Store("new.txt", "x", 1), 1);
  EXPECT_EQ(data.OpenWrite("new.txt"), 1);
  EXPECT_EQ(data.Write("x", 1), 1);
  EXPECT_EQ(data.CloseFile(), 0);

  // Readers made later share the registered archive.
  data.SetDefault(false);
  KolData reader(false);
  ASSERT_EQ(reader.Load("script/DEMO.txt", buffer), 10);
  EXPECT_EQ(GlobalLog().RecordCount(), 0);
  data.Close();
  EXPECT_EQ(data.Backend(), nullptr);
  EXPECT_EQ(DefaultLoadSource(), nullptr);
}

TEST(KolDataUnzipTest, StreamingReadsAndCounts) {
  LogCapture capture;
  TempDir dir;
  const std::string big = Sample(70000);
  ASSERT_TRUE(WriteZip(dir.PathOf("a.zip"), {{"ten.txt", "0123456789"},
                                             {"stored.txt", "0123456789", 0},
                                             {"empty.txt", "", 0},
                                             {"big.txt", big}}));
  KolData data;
  ASSERT_EQ(data.Open(kKindArchive, dir.PathOf("a.zip").c_str()), 0);
  char bytes[4096] = {};
  int delivered = -1;
  KolBuffer buffer;

  for (const char* name : {"ten.txt", "stored.txt"}) {
    ASSERT_EQ(data.OpenRead(name), 0) << name;
    EXPECT_EQ(data.Load(name, buffer), 1);  // not while reading
    ASSERT_EQ(data.Read(bytes, 6), 0);
    EXPECT_EQ(std::string(bytes, 6), "012345");
    // 10 asked, 4 left: the archive hands over what is there.
    ASSERT_EQ(data.Read(bytes, 10), 0);
    EXPECT_EQ(std::string(bytes, 4), "6789");
    EXPECT_EQ(data.Read(bytes, 10), 1);
    EXPECT_EQ(data.CloseFile(), 0);

    ASSERT_EQ(data.OpenRead(name), 0);
    std::string got;
    for (int expected : {4, 4, 2}) {
      ASSERT_EQ(data.ReadCounted(bytes, 4, delivered), 0);
      EXPECT_EQ(delivered, expected);
      got.append(bytes, static_cast<size_t>(delivered));
    }
    EXPECT_EQ(got, "0123456789");
    EXPECT_EQ(data.ReadCounted(bytes, 4, delivered), 1);
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(data.CloseFile(), 0);
  }

  ASSERT_EQ(data.OpenRead("EMPTY.TXT"), 0);
  EXPECT_EQ(data.ReadCounted(bytes, 4, delivered), 1);
  EXPECT_EQ(delivered, 0);
  EXPECT_EQ(data.CloseFile(), 0);

  // A second OpenRead without CloseFile switches members.
  ASSERT_EQ(data.OpenRead("ten.txt"), 0);
  ASSERT_EQ(data.Read(bytes, 2), 0);
  ASSERT_EQ(data.OpenRead("big.txt"), 0);
  std::string got;
  while (data.ReadCounted(bytes, sizeof bytes, delivered) == 0)
    got.append(bytes, static_cast<size_t>(delivered));
  EXPECT_TRUE(got == big);
  EXPECT_EQ(data.CloseFile(), 0);

  EXPECT_EQ(data.OpenRead("none.txt"), 1);
  EXPECT_EQ(data.CloseFile(), 0);
  EXPECT_EQ(data.Load("ten.txt", buffer), 10);
  EXPECT_EQ(capture.Text(), "KolDataUnzip::Open: file [none.txt] not found\n");
}

TEST(KolDataUnzipTest, ArchivesThatDoNotOpen) {
  LogCapture capture;
  TempDir dir;
  KolData data;
  KolBuffer buffer;
  char bytes[8];
  EXPECT_EQ(data.Open(kKindArchive, dir.PathOf("missing.dat").c_str()), 1);
  EXPECT_EQ(data.Load("a.txt", buffer), 1);
  EXPECT_EQ(data.OpenRead("a.txt"), 1);
  EXPECT_EQ(data.Read(bytes, 1), 1);
  EXPECT_EQ(data.CloseFile(), 0);

  dir.Write("text.dat", "this is not a zip archive, just some text\n");
  EXPECT_EQ(data.Open(kKindArchive, dir.PathOf("text.dat").c_str()), 1);
  EXPECT_EQ(data.Load("a.txt", buffer), 1);
  EXPECT_EQ(capture.Text(), "");

  // A failed Open leaves nothing bound; a good one afterwards works.
  ASSERT_TRUE(WriteZip(dir.PathOf("good.zip"), {{"a.txt", "stored text", 0}}));
  ASSERT_EQ(data.Open(kKindArchive, dir.PathOf("good.zip").c_str()), 0);
  EXPECT_EQ(data.Load("a.txt", buffer), 11);
}

TEST(KolDataUnzipTest, UnreadableMembersAreRefused) {
  LogCapture capture;
  TempDir dir;
  ASSERT_TRUE(WriteZip(dir.PathOf("r.zip"),
                       {{"secret.txt", "hidden words", 8, "pw"},
                        {"packed.bz2", "BZh91AY&SY not really bzip2", 0},
                        {"huge.bin", "small", 0},
                        {"all.bin", "small", 0},
                        {"fine.txt", "fine"}}));
  std::string zip = dir.Read("r.zip");
  // Declared sizes beyond the limit, written into the central directory.
  const size_t huge = CentralEntry(zip, "huge.bin");
  const size_t all = CentralEntry(zip, "all.bin");
  ASSERT_NE(huge, std::string::npos);
  ASSERT_NE(all, std::string::npos);
  Put32(zip, huge + 24, KolDataUnzip::kMaxMemberSize + 1);
  Put32(zip, all + 24, 0xFFFFFFFFu);
  // A method this reader does not know (12 is bzip2), in both headers.
  const size_t packed = CentralEntry(zip, "packed.bz2");
  ASSERT_NE(packed, std::string::npos);
  zip[packed + 10] = 12;
  zip[Get32(zip, packed + 42) + 8] = 12;
  dir.Write("r.zip", zip);

  KolData data;
  ASSERT_EQ(data.Open(kKindArchive, dir.PathOf("r.zip").c_str()), 0);
  KolBuffer buffer;
  const char* const cases[][2] = {{"secret.txt", "encrypted"},
                                  {"PACKED.bz2", "method 12"},
                                  {"huge.bin", "268435457"},
                                  {"all.bin", "4294967295"}};
  for (const auto& [name, reason] : cases) {
    LogCapture one;
    EXPECT_EQ(data.Load(name, buffer), -1) << name;
    const std::string line = one.Text();
    EXPECT_EQ(line.rfind(std::string("KolDataUnzip::Load: file [") + name + "] ", 0), 0u) << line;
    EXPECT_NE(line.find(reason), std::string::npos) << line;
    EXPECT_EQ(Occurrences(line, "\n"), 1) << line;
  }
  for (const char* name : {"secret.txt", "packed.bz2"}) {
    LogCapture one;
    EXPECT_EQ(data.OpenRead(name), 1) << name;
    EXPECT_EQ(data.CloseFile(), 0);
    EXPECT_EQ(one.Text().rfind(std::string("KolDataUnzip::OpenRead: file [") + name + "] ", 0),
              0u)
        << one.Text();
  }
  // The rest of the archive is unaffected.
  ASSERT_EQ(data.Load("fine.txt", buffer), 4);
  EXPECT_EQ(Bytes(buffer, 4), "fine");
}

TEST(KolDataUnzipTest, DamagedMembersAreNeverHandedOver) {
  LogCapture capture;
  TempDir dir;
  const std::string text = "The quick brown fox jumps over the lazy dog";
  ASSERT_TRUE(WriteZip(dir.PathOf("c.zip"), {{"bad.txt", text, 0}, {"good.txt", text, 0}}));
  std::string zip = dir.Read("c.zip");
  const size_t at = zip.find(text);
  ASSERT_NE(at, std::string::npos);
  zip[at + 10] ^= 0x20;  // "brown" becomes "bRown" in the first member only
  dir.Write("c.zip", zip);

  KolData data;
  ASSERT_EQ(data.Open(kKindArchive, dir.PathOf("c.zip").c_str()), 0);
  KolBuffer buffer;
  EXPECT_EQ(data.Load("bad.txt", buffer), -1);
  EXPECT_EQ(Occurrences(capture.Text(), "bad.txt"), 1);
  EXPECT_EQ(Occurrences(capture.Text(), "checksum"), 1);
  ASSERT_EQ(data.Load("good.txt", buffer), static_cast<int>(text.size()));

  // Streamed: the read that brings the last bytes fails, once, and so does CloseFile.
  LogCapture streamed;
  char bytes[64];
  int delivered = -1;
  ASSERT_EQ(data.OpenRead("bad.txt"), 0);
  ASSERT_EQ(data.Read(bytes, 40), 0);
  EXPECT_EQ(data.ReadCounted(bytes, 40, delivered), 1);
  EXPECT_EQ(delivered, 0);
  EXPECT_EQ(data.Read(bytes, 40), 1);
  EXPECT_EQ(Occurrences(streamed.Text(), "bad.txt"), 1);
  EXPECT_EQ(data.CloseFile(), 1);
  EXPECT_EQ(Occurrences(streamed.Text(), "bad.txt"), 1);
  EXPECT_EQ(Occurrences(streamed.Text(), "checksum"), 1);

  // A member whose local header is broken cannot be opened at all.
  zip = dir.Read("c.zip");
  const size_t good = CentralEntry(zip, "good.txt");
  ASSERT_NE(good, std::string::npos);
  zip[Get32(zip, good + 42)] = 'X';
  dir.Write("d.zip", zip);
  ASSERT_EQ(data.Open(kKindArchive, dir.PathOf("d.zip").c_str()), 0);
  LogCapture broken;
  EXPECT_EQ(data.Load("good.txt", buffer), 1);
  EXPECT_EQ(data.OpenRead("good.txt"), 1);
  EXPECT_EQ(data.CloseFile(), 0);
  EXPECT_EQ(broken.Text(), "KolDataUnzip::Load error\nKolDataUnzip::OpenRead error\n");
}

TEST(KolDataUnzipTest, CorruptedArchivesNeverYieldWrongBytes) {
  ResetProcessState();  // the many failure lines need not be kept
  TempDir dir;
  const std::string stored = "stored member text";
  const std::string packed = Sample(200);
  ASSERT_TRUE(WriteZip(dir.PathOf("z.zip"), {{"s.txt", stored, 0}, {"p.txt", packed}}));
  const std::string whole = dir.Read("z.zip");
  KolBuffer buffer;
  char bytes[128];
  int delivered = 0;
  // Every truncation, and every byte changed in two ways. minizip reads bytes
  // missing at the very end as zeros, so a few truncations still open and load.
  std::vector<std::string> damaged;
  for (size_t at = 0; at < whole.size(); ++at) {
    damaged.push_back(whole.substr(0, at));
    for (unsigned char mask : {0x20, 0xFF}) {
      damaged.push_back(whole);
      damaged.back()[at] = static_cast<char>(whole[at] ^ mask);
    }
  }
  for (size_t index = 0; index < damaged.size(); ++index) {
    dir.Write("x.zip", damaged[index]);
    KolData data;
    if (data.Open(kKindArchive, dir.PathOf("x.zip").c_str()) != 0) continue;
    for (const auto& [name, member] : {std::pair{"s.txt", &stored}, std::pair{"p.txt", &packed}}) {
      const int size = static_cast<int>(member->size());
      buffer.reset();
      if (data.Load(name, buffer) == size) {
        EXPECT_TRUE(Bytes(buffer, size) == *member) << "case " << index;
      }
      // Streaming must not crash either (the sanitizer build watches).
      if (data.OpenRead(name) == 0) {
        while (data.ReadCounted(bytes, sizeof bytes, delivered) == 0) {
        }
      }
      data.CloseFile();
    }
  }
  GlobalLog().ResetForTest();
}

// A deflated member whose data ends before its declared size fails when loaded,
// and when streamed: one log line, and CloseFile reports it.
TEST(KolDataUnzipTest, ShortDeflatedMemberFailsWhenStreamed) {
  LogCapture capture;
  TempDir dir;
  // One final stored deflate block holding "ab"; the member declares 7 bytes.
  const std::string block("\x01\x02\x00\xfd\xff" "ab", 7);
  ASSERT_TRUE(WriteZip(dir.PathOf("s.zip"), {{"short.bin", block, 8, nullptr, true, 8}}));
  KolData data;
  ASSERT_EQ(data.Open(kKindArchive, dir.PathOf("s.zip").c_str()), 0);
  KolBuffer buffer;
  EXPECT_EQ(data.Load("short.bin", buffer), -1);
  EXPECT_EQ(Occurrences(capture.Text(), "short.bin"), 1);

  LogCapture streamed;
  ASSERT_EQ(data.OpenRead("short.bin"), 0);
  char bytes[16];
  int delivered = 0;
  int total = 0;
  while (data.ReadCounted(bytes, sizeof bytes, delivered) == 0) total += delivered;
  EXPECT_EQ(total, 2);
  EXPECT_EQ(data.CloseFile(), 1);
  EXPECT_EQ(Occurrences(streamed.Text(), "short.bin"), 1) << streamed.Text();
}

// A name of 1024 characters or more is refused with a log line quoting its start.
TEST(KolDataUnzipTest, OverlongNameRefusalIsLogged) {
  LogCapture capture;
  TempDir dir;
  ASSERT_TRUE(WriteZip(dir.PathOf("n.zip"), {{"a.txt", "a"}}));
  KolData data;
  ASSERT_EQ(data.Open(kKindArchive, dir.PathOf("n.zip").c_str()), 0);
  KolBuffer buffer;
  const std::string name(1100, 'n');
  EXPECT_EQ(data.Load(name.c_str(), buffer), -1);
  EXPECT_EQ(data.OpenRead(name.c_str()), 1);
  EXPECT_EQ(data.CloseFile(), 0);
  EXPECT_NE(capture.Text().find("KolDataUnzip::Load: "), std::string::npos)
      << "log: [" << capture.Text() << "]";
  EXPECT_NE(capture.Text().find("KolDataUnzip::OpenRead: "), std::string::npos);
}
