#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "KolData.h"
#include "KolLog.h"
#include "TestSupport.h"

namespace {

std::string Bytes(const KolBuffer& buffer, int size) {
  return size > 0 ? std::string(buffer.get(), static_cast<size_t>(size)) : std::string();
}

// Runs a block with the working directory moved into a scratch folder.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& path)
      : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~WorkingDirectory() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

// A root of exactly the given length that still names dir ("/." steps, and a
// doubled slash to fix the parity).
std::string PaddedRoot(const TempDir& dir, size_t length) {
  std::string root = dir.Path();
  while (root.size() + 2 <= length) root += "/.";
  if (root.size() < length) root += "/";
  return root;
}

}  // namespace

TEST(KolDataTest, DirectoryWholeFileLoadAndStore) {
  LogCapture capture;
  TempDir dir;
  const std::string binary("\x01\x00\xff\r\n\x1a", 6);
  dir.Write("sub/bin.dat", binary);
  dir.Write("empty.txt", "");

  // The root is copied: the caller's string may change after Open.
  char root[512];
  std::snprintf(root, sizeof root, "%s", dir.Path().c_str());
  KolData data;
  ASSERT_EQ(data.Open(kKindDirectory | 0x12, root), 0);
  std::memset(root, 0, sizeof root);
  EXPECT_EQ(data.Kind(), 0x1012);
  EXPECT_EQ(std::string(data.Root()), dir.Path());

  KolBuffer buffer;
  EXPECT_EQ(data.Load("sub/bin.dat", buffer), 6);
  EXPECT_EQ(Bytes(buffer, 6), binary);
  buffer.reset();
  EXPECT_EQ(data.Load("sub\\bin.dat", buffer), 6);  // scripts write '\'
  EXPECT_EQ(Bytes(buffer, 6), binary);

  buffer.reset();
  EXPECT_EQ(data.Load("empty.txt", buffer), 0);
  EXPECT_NE(buffer.get(), nullptr);
  EXPECT_EQ(capture.Text(), "");

  EXPECT_EQ(data.Load("Missing.txt", buffer), -1);
  EXPECT_EQ(capture.Text(), "KolDataStdio::Load: file [Missing.txt] not found\n");

  EXPECT_EQ(data.Store("sub\\out.dat", binary.data(), 6), 6);
  EXPECT_EQ(dir.Read("sub/out.dat"), binary);
  EXPECT_EQ(data.Store("sub/out.dat", "xy", 2), 2);  // replaces, not appends
  EXPECT_EQ(dir.Read("sub/out.dat"), "xy");
  EXPECT_EQ(data.Store("zero.dat", "", 0), 0);
  EXPECT_TRUE(std::filesystem::exists(dir.PathOf("zero.dat")));
  EXPECT_EQ(data.Store("no/such/folder.dat", "x", 1), -1);
  EXPECT_EQ(GlobalLog().RecordCount(), 0);
}

// Storing an empty file needs no data; nothing may be handed to fwrite then.
TEST(KolDataTest, DirectoryStoreOfNothingWithoutData) {
  LogCapture capture;
  TempDir dir;
  KolData data;
  ASSERT_EQ(data.Open(kKindDirectory, dir.Path().c_str()), 0);
  EXPECT_EQ(data.Store("zero.dat", nullptr, 0), 0);
  EXPECT_EQ(dir.Read("zero.dat"), "");
  EXPECT_TRUE(std::filesystem::exists(dir.PathOf("zero.dat")));
}

TEST(KolDataTest, DirectoryRootsResolveAgainstWorkingDirectory) {
  LogCapture capture;
  TempDir dir;
  dir.Write("Demo.txt", "top");
  dir.Write("data/Demo.txt", "inside");
  dir.Write("data/fx/Fire.txt", "fire");
  WorkingDirectory cwd(dir.Path());

  KolData empty;
  ASSERT_EQ(empty.Open(kKindDirectory, ""), 0);
  KolBuffer buffer;
  ASSERT_EQ(empty.Load("Demo.txt", buffer), 3);
  EXPECT_EQ(Bytes(buffer, 3), "top");

  KolData data;
  ASSERT_EQ(data.Open(kKindDirectory, "data"), 0);
  ASSERT_EQ(data.Load("Demo.txt", buffer), 6);
  EXPECT_EQ(Bytes(buffer, 6), "inside");
  ASSERT_EQ(data.Load("fx\\Fire.txt", buffer), 4);
  EXPECT_EQ(Bytes(buffer, 4), "fire");

  // A directory that does not exist still opens; the first read tells.
  KolData missing;
  EXPECT_EQ(missing.Open(kKindDirectory, "nowhere"), 0);
  EXPECT_EQ(missing.OpenRead("Demo.txt"), 1);
  EXPECT_EQ(missing.CloseFile(), 0);
  EXPECT_EQ(capture.Text(), "KolDataStdio::OpenRead: file [Demo.txt] not found\n");
}

TEST(KolDataTest, DirectoryRefusesPathsLongerThanTheBuffer) {
  LogCapture capture;
  TempDir dir;
  dir.Write("f.txt", "12345");

  // root + '/' + "f.txt" of 1023 characters still fits with its terminator.
  KolData fits;
  ASSERT_EQ(fits.Open(kKindDirectory, PaddedRoot(dir, 1017).c_str()), 0);
  ASSERT_EQ(std::strlen(fits.Root()), 1017u);
  KolBuffer buffer;
  EXPECT_EQ(fits.Load("f.txt", buffer), 5);
  EXPECT_EQ(fits.OpenRead("f.txt"), 0);
  EXPECT_EQ(fits.CloseFile(), 0);
  EXPECT_EQ(capture.Text(), "");

  KolData over;
  ASSERT_EQ(over.Open(kKindDirectory, PaddedRoot(dir, 1018).c_str()), 0);
  EXPECT_EQ(over.Load("f.txt", buffer), -1);
  EXPECT_EQ(over.Store("f.txt", "x", 1), -1);
  EXPECT_EQ(over.OpenRead("f.txt"), 1);
  EXPECT_EQ(over.CloseFile(), 0);
  EXPECT_EQ(over.OpenWrite("f.txt"), 1);
  EXPECT_EQ(over.CloseFile(), 0);
  EXPECT_EQ(capture.Text(),
            "KolDataStdio::Load: path of [f.txt] is longer than 1023 characters\n"
            "KolDataStdio::Store: path of [f.txt] is longer than 1023 characters\n"
            "KolDataStdio::OpenRead: path of [f.txt] is longer than 1023 characters\n"
            "KolDataStdio::OpenWrite: path of [f.txt] is longer than 1023 characters\n");
  EXPECT_EQ(dir.Read("f.txt"), "12345");
}

// A name too long for the path buffer is refused with a log line, even though
// the whole name would not fit in one.
TEST(KolDataTest, LongNameRefusalIsLogged) {
  LogCapture capture;
  TempDir dir;
  std::string name;
  while (name.size() < 1000) name += "./";
  name += "f.txt";
  KolData data;
  ASSERT_EQ(data.Open(kKindDirectory, dir.Path().c_str()), 0);
  KolBuffer buffer;
  EXPECT_EQ(data.Load(name.c_str(), buffer), -1);
  EXPECT_NE(capture.Text().find("KolDataStdio::Load: path of ["), std::string::npos)
      << "log: [" << capture.Text() << "]";
}

TEST(KolDataTest, FrontEndCallingOrder) {
  LogCapture capture;
  TempDir dir;
  dir.Write("ten.bin", "0123456789");

  KolData unbound;
  KolBuffer buffer;
  char bytes[16] = {};
  int delivered = 7;
  EXPECT_EQ(unbound.Load("ten.bin", buffer), -1);
  EXPECT_EQ(unbound.Store("ten.bin", "x", 1), -1);
  EXPECT_EQ(unbound.OpenRead("ten.bin") + unbound.OpenWrite("ten.bin") + unbound.Read(bytes, 1) +
                unbound.Write(bytes, 1) + unbound.CloseFile(),
            5);
  EXPECT_EQ(unbound.ReadCounted(bytes, 4, delivered), 1);
  EXPECT_EQ(delivered, 0);

  // An unknown kind binds nothing.
  EXPECT_EQ(unbound.Open(0x3000, dir.Path().c_str()), 1);
  EXPECT_EQ(unbound.Backend(), nullptr);
  EXPECT_EQ(unbound.Load("ten.bin", buffer), -1);

  KolData data;
  ASSERT_EQ(data.Open(kKindDirectory, dir.Path().c_str()), 0);
  EXPECT_EQ(data.Read(bytes, 1), 1);  // idle
  EXPECT_EQ(data.Write("x", 1), 1);
  ASSERT_EQ(data.OpenRead("ten.bin"), 0);
  EXPECT_EQ(data.State(), KolData::kReading);
  ASSERT_EQ(data.Read(bytes, 3), 0);
  EXPECT_EQ(std::string(bytes, 3), "012");
  // Whole-file calls while reading are refused and leave the open file alone.
  EXPECT_EQ(data.Load("ten.bin", buffer), 1);
  EXPECT_EQ(data.Store("other.bin", "x", 1), 1);
  EXPECT_FALSE(std::filesystem::exists(dir.PathOf("other.bin")));
  EXPECT_EQ(data.Write("x", 1), 1);
  ASSERT_EQ(data.Read(bytes, 3), 0);
  EXPECT_EQ(std::string(bytes, 3), "345");
  // Reading 10 with 4 left is a failure for the directory source.
  EXPECT_EQ(data.Read(bytes, 10), 1);
  EXPECT_EQ(data.CloseFile(), 0);
  EXPECT_EQ(data.State(), KolData::kIdle);

  // The counting read reports every chunk, the short last one included.
  ASSERT_EQ(data.OpenRead("ten.bin"), 0);
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

  // A failed open still sets the state; CloseFile puts it back.
  EXPECT_EQ(data.OpenRead("gone.bin"), 1);
  EXPECT_EQ(data.State(), KolData::kReading);
  EXPECT_EQ(data.Load("ten.bin", buffer), 1);
  EXPECT_EQ(data.CloseFile(), 0);
  EXPECT_EQ(data.Load("ten.bin", buffer), 10);

  ASSERT_EQ(data.OpenWrite("w.bin"), 0);
  EXPECT_EQ(data.State(), KolData::kWriting);
  EXPECT_EQ(data.Read(bytes, 1), 1);
  EXPECT_EQ(data.Load("ten.bin", buffer), 1);
  EXPECT_EQ(data.Write("abc", 3), 0);
  EXPECT_EQ(data.CloseFile(), 0);
  EXPECT_EQ(dir.Read("w.bin"), "abc");
  EXPECT_EQ(capture.Text(), "KolDataStdio::OpenRead: file [gone.bin] not found\n");
}

TEST(KolDataTest, DirectoryCloseFileForgetsStreamWhenCloseFails) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  LogCapture capture;
  KolData data;
  ASSERT_EQ(data.Open(kKindDirectory, "/dev"), 0);
  ASSERT_EQ(data.OpenWrite("full"), 0);
  EXPECT_EQ(data.Write("buffered", 8), 0);  // only fails when flushed
  EXPECT_EQ(data.CloseFile(), 1);
  EXPECT_EQ(data.CloseFile(), 0);  // nothing left to close a second time
  EXPECT_EQ(data.Store("full", "x", 1), -1);
}

TEST(KolDataTest, TypedValuesAreLittleEndianAndRoundTrip) {
  LogCapture capture;
  TempDir dir;
  KolData data;
  ASSERT_EQ(data.Open(kKindDirectory, dir.Path().c_str()), 0);
  EXPECT_EQ(data.WriteInt(1), 1);  // idle
  EXPECT_EQ(data.WriteString("x"), 1);

  ASSERT_EQ(data.OpenWrite("values.bin"), 0);
  EXPECT_EQ(data.WriteInt(0x01020304) + data.WriteLong(std::int32_t{-2}) +
                data.WriteFloat(1.0f) + data.WriteFloat(-2.5f) + data.WriteBool(true) +
                data.WriteBool(false) + data.WriteChar('z') + data.WriteChar('\x07'),
            0);
  EXPECT_EQ(data.WriteString(nullptr) + data.WriteString("") + data.WriteString("ab"), 0);
  EXPECT_EQ(data.WriteString(std::string(255, 'm').c_str()), 0);
  EXPECT_EQ(data.WriteString(std::string(256, 'n').c_str()), 0);
  ASSERT_EQ(data.CloseFile(), 0);

  const std::string head = dir.Read("values.bin").substr(0, 25);
  EXPECT_EQ(head, std::string("\x04\x03\x02\x01"
                              "\xfe\xff\xff\xff"
                              "\x00\x00\x80\x3f"
                              "\x00\x00\x20\xc0"
                              "\x01\x00z\x07"
                              "\x00\x00"
                              "ab\x00",
                              25));

  ASSERT_EQ(data.OpenRead("values.bin"), 0);
  int i = 0;
  std::int32_t l = 0;
  float f = 0, g = 0;
  bool b1 = false, b2 = true, b3 = false;
  char c = 0;
  EXPECT_EQ(data.ReadInt(i) + data.ReadLong(l) + data.ReadFloat(f) + data.ReadFloat(g) +
                data.ReadBool(b1) + data.ReadBool(b2) + data.ReadChar(c) + data.ReadBool(b3),
            0);
  EXPECT_EQ(i, 0x01020304);
  EXPECT_EQ(l, -2);
  EXPECT_EQ(f, 1.0f);
  EXPECT_EQ(g, -2.5f);
  EXPECT_TRUE(b1);
  EXPECT_FALSE(b2);
  EXPECT_EQ(c, 'z');
  EXPECT_TRUE(b3);  // any non-zero byte is true

  // A missing string and an empty one both come back empty.
  for (const std::string& expected :
       {std::string(), std::string(), std::string("ab"), std::string(255, 'm')}) {
    std::string s = "old";
    EXPECT_EQ(data.ReadString(s), 0);
    EXPECT_EQ(s, expected);
  }
  std::string s;
  EXPECT_EQ(capture.Text(), "");
  s = "kept";
  EXPECT_EQ(data.ReadString(s), 1);  // 256 characters do not fit
  EXPECT_EQ(s, "kept");
  EXPECT_EQ(capture.Text(),
            "KolData::ReadString: stored string is longer than 255 characters\n");
  EXPECT_EQ(data.WriteString("x"), 1);  // reading
  EXPECT_EQ(data.CloseFile(), 0);

  // A string cut off by the end of the file fails and leaves the value alone.
  dir.Write("cut.bin", std::string("abc", 3));
  ASSERT_EQ(data.OpenRead("cut.bin"), 0);
  EXPECT_EQ(data.ReadString(s), 1);
  EXPECT_EQ(s, "kept");
  EXPECT_EQ(data.ReadInt(i), 1);
  EXPECT_EQ(i, 0x01020304);
  EXPECT_EQ(data.CloseFile(), 0);
  EXPECT_EQ(data.ReadString(s), 1);  // idle
  EXPECT_EQ(GlobalLog().RecordCount(), 0);
}

TEST(KolDataTest, TransferObjectIsRefusedByAPlainFrontEnd) {
  LogCapture capture;
  KolObject* object = nullptr;
  KolData storing(true);
  KolData loading(false);
  EXPECT_TRUE(storing.Storing());
  EXPECT_FALSE(loading.Storing());
  EXPECT_EQ(storing.TransferObject(object), 1);
  EXPECT_EQ(loading.TransferObject(object), 1);
  EXPECT_EQ(capture.Text(), "KolData: can't store objects\nKolData: can't load objects\n");
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(GlobalLog().RecordCount(), 0);

  // The direction follows the last open.
  TempDir dir;
  KolData data;
  ASSERT_EQ(data.Open(kKindDirectory, dir.Path().c_str()), 0);
  ASSERT_EQ(data.OpenWrite("o.bin"), 0);
  ASSERT_EQ(data.CloseFile(), 0);
  EXPECT_TRUE(data.Storing());
  ASSERT_EQ(data.OpenRead("o.bin"), 0);
  ASSERT_EQ(data.CloseFile(), 0);
  EXPECT_FALSE(data.Storing());
}

TEST(KolDataTest, DefaultSourcesAreSharedAndReleasedByTheirOwner) {
  LogCapture capture;
  TempDir dir;
  dir.Write("a.txt", "alpha");
  dir.Write("b.txt", "beta");
  KolBuffer buffer;
  {
    KolData none(false);
    EXPECT_EQ(none.Backend(), nullptr);
    EXPECT_EQ(none.Load("a.txt", buffer), -1);
  }

  auto owner = std::make_unique<KolData>();
  owner->SetDefault(false);  // nothing bound yet
  EXPECT_EQ(DefaultLoadSource(), nullptr);
  ASSERT_EQ(owner->Open(kKindDirectory, dir.Path().c_str()), 0);
  owner->SetDefault(false);
  EXPECT_EQ(DefaultLoadSource(), owner->Backend());
  EXPECT_EQ(DefaultStoreSource(), nullptr);

  KolData reader(false);
  EXPECT_EQ(reader.Backend(), owner->Backend());
  EXPECT_EQ(reader.Load("b.txt", buffer), 4);
  KolData writer(true);
  EXPECT_EQ(writer.Backend(), nullptr);
  // A sharing front end cannot register anything.
  reader.SetDefault(true);
  EXPECT_EQ(DefaultStoreSource(), nullptr);

  ASSERT_EQ(reader.OpenRead("a.txt"), 0);
  char bytes[8] = {};
  ASSERT_EQ(reader.Read(bytes, 2), 0);
  {
    // An idle sharer going away leaves the other reader's file open.
    KolData passer(false);
    EXPECT_EQ(passer.Backend(), owner->Backend());
    // The shared directory back end has one file: no whole-file load meanwhile.
    EXPECT_EQ(passer.Load("b.txt", buffer), -1);
  }
  EXPECT_EQ(DefaultLoadSource(), owner->Backend());
  ASSERT_EQ(reader.Read(bytes + 2, 3), 0);
  EXPECT_EQ(std::string(bytes, 5), "alpha");
  EXPECT_EQ(reader.CloseFile(), 0);

  // The owner registers for storing as well; closing it unregisters both.
  owner->SetDefault(true);
  EXPECT_EQ(DefaultStoreSource(), owner->Backend());
  ASSERT_EQ(owner->Close(), 0);
  EXPECT_EQ(owner->Backend(), nullptr);
  EXPECT_EQ(DefaultLoadSource(), nullptr);
  EXPECT_EQ(DefaultStoreSource(), nullptr);

  // Destruction unregisters as well, and only what the owner registered.
  ASSERT_EQ(owner->Open(kKindDirectory, dir.Path().c_str()), 0);
  owner->SetDefault(true);
  KolData other;
  ASSERT_EQ(other.Open(kKindDirectory, dir.Path().c_str()), 0);
  other.SetDefault(false);
  owner.reset();
  EXPECT_EQ(DefaultStoreSource(), nullptr);
  EXPECT_EQ(DefaultLoadSource(), other.Backend());
  EXPECT_EQ(capture.Text(), "");
}
