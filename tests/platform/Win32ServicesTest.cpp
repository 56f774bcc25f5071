// The Windows services beneath the platform layer: regular files only, never
// a wait on a pipe or a device; temporary files that replace nothing; DLLs
// checked whole before the loader sees them; the program's path and PATH.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h would rename the platform call of this name.
#undef PostAppMessage

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "Platform.h"
#include "TestSupport.h"

namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(Win32ServicesTest, OnlyRegularFilesOpenAndNoPipeOrDeviceIsWaitedOn) {
  TempDir dir;
  dir.Write("plain.txt", "abc");
  bool notRegular = true;
  std::FILE* file = plat::OpenRegularFile(dir.PathOf("plain.txt").c_str(), "rb", &notRegular);
  ASSERT_NE(nullptr, file);
  EXPECT_FALSE(notRegular);
  char bytes[4] = {};
  EXPECT_EQ(3u, std::fread(bytes, 1, sizeof bytes, file));
  std::fclose(file);

  // "w" empties the file, "a" adds to it, and both write bytes as they are.
  for (const char* mode : {"wb", "ab"}) {
    file = plat::OpenRegularFile(dir.PathOf("plain.txt").c_str(), mode);
    ASSERT_NE(nullptr, file) << mode;
    std::fputs(mode[0] == 'w' ? "x\n" : "y\n", file);
    std::fclose(file);
  }
  EXPECT_EQ("x\ny\n", dir.Read("plain.txt"));

  // The null device, a directory and a named pipe are refused as not regular.
  const std::string pipeName = "\\\\.\\pipe\\solvane-services-test";
  HANDLE server = CreateNamedPipeA(pipeName.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 512,
                                   512, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, server);
  for (const std::string& path : {std::string("NUL"), dir.Path(), pipeName}) {
    notRegular = false;
    EXPECT_EQ(nullptr, plat::OpenRegularFile(path.c_str(), "rb", &notRegular)) << path;
    EXPECT_TRUE(notRegular) << path;
  }
  // The pipe's one instance is taken now: the next open fails at once instead of waiting.
  EXPECT_EQ(nullptr, plat::OpenRegularFile(pipeName.c_str(), "wb"));
  CloseHandle(server);

  notRegular = true;
  EXPECT_EQ(nullptr, plat::OpenRegularFile(dir.PathOf("missing.txt").c_str(), "rb", &notRegular));
  EXPECT_FALSE(notRegular);
}

TEST(Win32ServicesTest, TempFilesAreNewAndGoWithoutTrace) {
  TempDir dir;
  const std::string first = plat::WriteNewTempFile(dir.Path(), "sol", "12345", 5);
  const std::string second = plat::WriteNewTempFile(dir.Path(), "sol", "678", 3);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(first, second);
  EXPECT_EQ("12345", FileBytes(first));
  EXPECT_EQ("678", FileBytes(second));
  EXPECT_TRUE(plat::RemoveFile(first));
  EXPECT_TRUE(plat::RemoveFile(second));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(first.c_str()));
  EXPECT_FALSE(plat::RemoveFile(first));
  EXPECT_TRUE(plat::WriteNewTempFile(dir.PathOf("no-such-folder"), "sol", "1", 1).empty());
  const std::string temp = plat::TempDirectory();
  ASSERT_FALSE(temp.empty());
  EXPECT_TRUE(temp.back() == '\\' || temp.back() == '/');
}

class Win32LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(plat::StartHeadless()); }
  void TearDown() override { plat::Shutdown(); }
};

TEST_F(Win32LibraryTest, ALibraryLoadsOnlyWhenItIsAWholeDllForThisMachine) {
  TempDir dir;
  const std::string whole = FileBytes(AUDIO_LIBRARY_PATH);
  ASSERT_GT(whole.size(), 4096u);
  dir.Write("whole.dll", whole);
  dir.Write("cut.dll", whole.substr(0, whole.size() / 2));
  dir.Write("headers.dll", whole.substr(0, 1024));
  dir.Write("text.dll", "not a library");
  // An executable is a PE image too, but not a library.
  dir.Write("program.dll", FileBytes(plat::ProgramPath()));

  plat::LibraryHandle library = plat::LoadRuntimeLibrary(dir.PathOf("whole.dll").c_str());
  ASSERT_NE(nullptr, library);
  EXPECT_NE(nullptr, plat::FindLibrarySymbol(library, "BASS_Init"));
  EXPECT_EQ(nullptr, plat::FindLibrarySymbol(library, "NoSuchFunction"));
  for (const char* name : {"cut.dll", "headers.dll", "text.dll", "program.dll", "missing.dll"})
    EXPECT_EQ(nullptr, plat::LoadRuntimeLibrary(dir.PathOf(name).c_str())) << name;
  // A bare name is the system's to find.
  EXPECT_NE(nullptr, plat::LoadRuntimeLibrary("kernel32.dll"));
}

TEST(Win32ServicesTest, TheProgramPathAndThePathSearch) {
  const std::string path = plat::ProgramPath();
  ASSERT_GT(path.size(), 4u);
  EXPECT_EQ(".exe", path.substr(path.size() - 4));
  EXPECT_TRUE(plat::ExecutableOnPath("cmd"));
  EXPECT_FALSE(plat::ExecutableOnPath("no-such-program-anywhere"));
  EXPECT_FALSE(plat::ExecutableOnPath(""));
}
