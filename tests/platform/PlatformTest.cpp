// The headless platform core: classes and windows, the message queue and
// block copies between draw contexts; regular files replaced whole.
#include <elf.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "HeadlessControl.h"
#include "Platform.h"
#include "TestSupport.h"

namespace {

std::vector<plat::Message> gSeen;

// Doubles wParam of message 0x400; everything else goes to the default procedure.
std::intptr_t PLAT_CALLBACK Recorder(plat::WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
  gSeen.push_back({w, m, wp, lp});
  if (m == 0x400) return static_cast<std::intptr_t>(wp) * 2;
  return plat::DefaultWindowProcedure(w, m, wp, lp);
}
std::intptr_t PLAT_CALLBACK Subclass(plat::WindowHandle, unsigned, std::uintptr_t, std::intptr_t) { return 7; }

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plat::StartHeadless());
    ASSERT_EQ(1, plat::RegisterWindowClass(klass));
  }
  void TearDown() override { plat::Shutdown(); }
  static plat::WindowHandle Make() {
    return plat::CreateAppWindow(0, "Test", "t", plat::kStyleVisible, 10, 20, 100, 50);
  }
  // A memory DC holding a new 4 x 3 bitmap of 100 + y*4 + x.
  static plat::DCHandle NumberedDC(std::uint32_t*& pixels, plat::BitmapHandle& bitmap) {
    plat::DCHandle dc = plat::CreateMemoryDC(nullptr);
    plat::SelectPixelBitmap(dc, bitmap = plat::CreatePixelBitmap(dc, 4, 3, &pixels));
    for (int i = 0; i < 12; ++i) pixels[i] = 100 + i;
    return dc;
  }

  LogCapture capture;
  plat::WindowClass klass{"Test", 0, Recorder};
};

TEST_F(PlatformTest, QueueKeepsOrderPeekCanLeaveAMessageAndDispatchReachesItsWindow) {
  plat::WindowHandle a = Make(), b = Make();
  plat::Message m;
  plat::PostAppMessage(b, 0x400, 21, -5);
  plat::PostAppMessage(a, 0x402, 2, 20);
  plat::PostQuit(3);
  ASSERT_TRUE(plat::PeekAppMessage(m, false));
  ASSERT_TRUE(plat::PeekAppMessage(m, false));
  EXPECT_EQ(0x400u, m.message);  // still the first
  gSeen.clear();
  std::vector<unsigned> order;
  while (plat::PeekAppMessage(m, true)) {
    order.push_back(m.message);
    if (m.window) plat::DispatchAppMessage(m);
  }
  EXPECT_EQ((std::vector<unsigned>{0x400, 0x402, plat::kMsgQuit}), order);
  EXPECT_EQ(3u, m.wParam);
  ASSERT_EQ(2u, gSeen.size());
  EXPECT_EQ(b, gSeen[0].window);
  EXPECT_EQ(21u, gSeen[0].wParam);
  EXPECT_EQ(-5, gSeen[0].lParam);
  EXPECT_EQ(a, gSeen[1].window);
}

TEST_F(PlatformTest, SubclassingReplacesTheProcedureAndKeepsTheOld) {
  plat::WindowHandle w = Make();
  gSeen.clear();
  plat::WindowProc previous = plat::SubclassWindow(w, Subclass);
  EXPECT_EQ(&Recorder, previous);
  EXPECT_EQ(7, plat::SendAppMessage(w, 0x400, 3, 0));
  EXPECT_TRUE(gSeen.empty());
  EXPECT_EQ(6, plat::CallWindowProcedure(previous, w, 0x400, 3, 0));
}

TEST_F(PlatformTest, ClassesAreUniqueWindowsAreFoundAndTheDefaultProcedureClosesThem) {
  EXPECT_EQ(0, plat::RegisterWindowClass(klass));
  EXPECT_EQ(plat::kErrorClassAlreadyExists, plat::LastError());
  EXPECT_EQ(nullptr, plat::FindWindowOfClass("Test"));
  plat::WindowHandle w = Make();
  EXPECT_EQ(w, plat::FindWindowOfClass("Test"));
  EXPECT_EQ(nullptr, plat::FindWindowOfClass("Other"));
  gSeen.clear();
  plat::SendAppMessage(w, plat::kMsgClose, 0, 0);
  EXPECT_FALSE(plat::IsWindowAlive(w));
  ASSERT_EQ(2u, gSeen.size());
  EXPECT_EQ(plat::kMsgDestroy, gSeen[1].message);
  EXPECT_EQ(nullptr, plat::FindWindowOfClass("Test"));
}

TEST_F(PlatformTest, CopyBetweenMemoryContextsIsClippedToBothBitmaps) {
  std::uint32_t *src = nullptr, *dst = nullptr;
  plat::BitmapHandle bitmap = nullptr;
  plat::DCHandle from = NumberedDC(src, bitmap), to = plat::CreateMemoryDC(nullptr);
  plat::SelectPixelBitmap(to, plat::CreatePixelBitmap(to, 3, 2, &dst));
  ASSERT_TRUE(plat::CopyPixels(to, 1, 0, 4, 3, from, 2, 1));  // only 2x2 lies in the source
  EXPECT_EQ((std::vector<std::uint32_t>{0, 106, 107, 0, 110, 111}),
            std::vector<std::uint32_t>(dst, dst + 6));
  ASSERT_TRUE(plat::CopyPixels(to, -1, 1, 2, 1, from, 0, 0));  // off the destination's left
  EXPECT_EQ((std::vector<std::uint32_t>{101, 110}), std::vector<std::uint32_t>(dst + 3, dst + 5));
  EXPECT_FALSE(plat::CopyPixels(to, 0, 0, 1, 1, from, 4, 0));
}

TEST_F(PlatformTest, AWindowCopyShowsExactlyThePartOfTheBitmapThatWasThereThen) {
  plat::WindowHandle w = Make();
  std::uint32_t* src = nullptr;
  plat::BitmapHandle bitmap = nullptr;
  plat::DCHandle window = plat::ClientDC(w), from = NumberedDC(src, bitmap);
  const plat::headless::Control& control = plat::headless::TheHeadless();
  ASSERT_TRUE(plat::CopyPixels(window, 0, 0, 5, 5, from, 1, 1));  // only 3x2 lies in the bitmap
  EXPECT_EQ(std::make_tuple(1, 3, 2, false),
            std::make_tuple(control.framesShown, control.lastFrame.width,
                            control.lastFrame.height, control.lastFrame.flipped));
  EXPECT_EQ((std::vector<std::uint32_t>{105, 106, 107, 109, 110, 111}), control.lastFrame.pixels);
  // What the program draws afterwards, or its deleting the bitmap, is no part
  // of the frame that was shown.
  src[5] = 7;
  ASSERT_TRUE(plat::DeleteMemoryDC(from));
  ASSERT_TRUE(plat::DeletePixelBitmap(bitmap));
  EXPECT_EQ((std::vector<std::uint32_t>{105, 106, 107, 109, 110, 111}), control.lastFrame.pixels);
  EXPECT_FALSE(plat::DeletePixelBitmap(bitmap));
  EXPECT_FALSE(plat::CopyPixels(window, 0, 0, 1, 1, from, 0, 0));
}

// Shared objects in this build's word size, made up on the spot: a header and
// two segment headers, the loadable segment reaching `loadSize` bytes from the
// start of the file and holding the dynamic section at 0x1000.
std::string MadeUpLibrary(std::size_t fileSize, std::uint64_t loadSize) {
  using ElfHeader = std::conditional_t<sizeof(void*) == 8, Elf64_Ehdr, Elf32_Ehdr>;
  using SegmentHeader = std::conditional_t<sizeof(void*) == 8, Elf64_Phdr, Elf32_Phdr>;
  std::ifstream self("/proc/self/exe", std::ios::binary);
  ElfHeader header{};
  self.read(reinterpret_cast<char*>(&header), sizeof header);  // this build's machine and order
  header.e_type = ET_DYN;
  header.e_phoff = sizeof header;
  header.e_phentsize = sizeof(SegmentHeader);
  header.e_phnum = 2;
  header.e_shoff = 0;
  header.e_shnum = 0;
  header.e_shstrndx = 0;
  SegmentHeader segments[2]{};
  segments[0].p_type = PT_LOAD;
  segments[0].p_flags = PF_R | PF_W;
  using Size = decltype(segments[0].p_filesz);
  segments[0].p_filesz = segments[0].p_memsz = static_cast<Size>(loadSize);
  segments[0].p_align = 0x1000;
  segments[1].p_type = PT_DYNAMIC;
  segments[1].p_flags = PF_R | PF_W;
  segments[1].p_offset = segments[1].p_vaddr = 0x1000;
  segments[1].p_filesz = segments[1].p_memsz = 0x100;
  segments[1].p_align = 8;
  std::string bytes(fileSize, '\0');
  std::memcpy(&bytes[0], &header, sizeof header);
  std::memcpy(&bytes[sizeof header], segments, sizeof segments);
  return bytes;
}

// The loader maps a library's segments as its headers say, and a file shorter
// than they say is a SIGBUS once the loader reads the part that is not there;
// opening a FIFO waits for a writer, so the loader would hang on one.
TEST_F(PlatformTest, ALibraryShorterThanItsSegmentsOrNoRegularFileIsRefusedBeforeTheLoaderSeesIt) {
  TempDir dir;
  dir.Write("cut.so", MadeUpLibrary(0x200, 0x2000));  // the dynamic section is past the end
  dir.Write("dynamic-outside.so", MadeUpLibrary(0x2000, 0x800));  // no segment holds it
  dir.Write("empty.so", "");
  ASSERT_EQ(0, mkfifo(dir.PathOf("fifo.so").c_str(), 0600));
  ASSERT_EQ(0, mkdir(dir.PathOf("folder.so").c_str(), 0700));
  for (const char* name :
       {"cut.so", "dynamic-outside.so", "empty.so", "missing.so", "fifo.so", "folder.so"})
    EXPECT_EQ(nullptr, plat::LoadRuntimeLibrary(dir.PathOf(name).c_str())) << name;
}

TEST(RegularFilesTest, AFileReplacedWholeKeepsItsModeAndAFailureLeavesEverythingAsItWas) {
  TempDir dir;
  dir.Write("track.txt", "old");
  chmod(dir.PathOf("track.txt").c_str(), 0640);
  EXPECT_TRUE(plat::ReplaceRegularFile(dir.PathOf("track.txt"), "new text", 8));
  EXPECT_TRUE(plat::ReplaceRegularFile(dir.PathOf("made.txt"), "x", 1));
  struct stat status {};
  ASSERT_EQ(0, stat(dir.PathOf("track.txt").c_str(), &status));
  EXPECT_EQ(0640u, status.st_mode & 07777u);
  EXPECT_EQ("new text x", dir.Read("track.txt") + " " + dir.Read("made.txt"));
  // A directory in the way, or a folder that is not there: refused, and no
  // new file is left beside them.
  dir.Write("folder/inside.txt", "");
  EXPECT_FALSE(plat::ReplaceRegularFile(dir.PathOf("folder"), "x", 1));
  EXPECT_FALSE(plat::ReplaceRegularFile(dir.PathOf("missing/track.txt"), "x", 1));
  std::vector<std::string> names;
  ASSERT_TRUE(plat::ListDirectory(dir.Path().c_str(), names));
  EXPECT_EQ(3u, names.size());
}

}  // namespace
