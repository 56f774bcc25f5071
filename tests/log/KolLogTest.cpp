#include <gtest/gtest.h>
#if !defined(_WIN32) && !defined(__wasi__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <string>

#include "KolLog.h"
#include "TestSupport.h"

namespace {

const std::string kNotice =
    "message buffer overflow.\r\nThe earliest messages are removed.\r\n"
    "---------------------------------------------\r\n";

std::string Record(int index) {
  const KolLogRecord& r = TheLog().Record(index);
  return std::to_string(r.kind) + " " + std::to_string(r.moduleCode) + " " + r.moduleName + " " +
         std::to_string(r.detailCode) + " " + r.text;
}

}  // namespace

TEST(KolLogTest, MessageFormsLengthLimitAndRecords) {
  LogCapture capture;
  KolLog& log = TheLog();
  log.PrintError("Memory allocating error.");  // no line end: runs into the next message
  log.PrintLine("next %d", 1);
  log.ReportError(kModuleText, "KolText", 3, "%s\n", "x");  // the caller's line end stays
  log.ReportStatus(kModuleSound, "VSound");
  log.PrintLine("%s", "100%s %d%%");  // written text is not formatted a second time
  // 1024 characters are written, prefix and added line end included; more are not.
  log.Print("%s", std::string(1024, 'a').c_str());
  log.Print("%s", std::string(1025, 'b').c_str());
  log.Report(1, kModuleTex, "VTex", 7, "%s", std::string(1014, 'c').c_str());
  log.Report(1, kModuleTex, "VTex", 8, "%s", std::string(1015, 'd').c_str());
  std::string expected = "Error: Memory allocating error.next 1\nError: x\n\n"
                         "[6][VSound]: unspecified error\n100%s %d%%\n" +
                         std::string(1024, 'a') + "Warning: " + std::string(1014, 'c') + "\n";
  EXPECT_EQ(Record(0) + "|" + Record(1), "2 9 KolText 3 x\n|2 6 VSound 0 unspecified error");
  EXPECT_EQ(Record(3), "1 8 VTex 8 " + std::string(1015, 'd'));  // dropped, still recorded
  for (int i = 4; i < 105; ++i) {
    log.Report(2, kModuleList, "VList", i, "r%d", i);
    expected += "Error: r" + std::to_string(i) + "\n";
  }
  EXPECT_EQ(capture.Text(), expected);  // reports past the cap are still written
  EXPECT_EQ(log.RecordCount(), 100);
  EXPECT_EQ(Record(99), "2 7 VList 99 r99");
}

TEST(KolLogTest, FileOutputAppendsEachOpeningBehindASeparator) {
  LogCapture capture;
  TempDir dir;
  KolLog& log = TheLog();
  log.SetFileName(dir.PathOf("run%s.log").c_str());
  for (const char* run : {"one", "two"}) {
    log.SetFileOutput(true);
    log.PrintLine("%s", run);
    log.SetFileOutput(false);
    log.PrintLine("off");
  }
  const std::string separator = "\n" + std::string(48, '-') + "\n\n";
  EXPECT_EQ(dir.Read("run%s.log"), separator + "one\n" + separator + "two\n");
}

// FIFOs and descriptor numbers are POSIX's (WASI has neither); the Windows services have their
// own test of the same refusals.
#if !defined(_WIN32) && !defined(__wasi__)
TEST(KolLogTest, FileOutputOpensOnlyARegularFileAndNeverAStandardStream) {
  LogCapture capture;
  TempDir dir;
  KolLog& log = TheLog();
  // A FIFO nobody reads would block the open for ever.
  ASSERT_EQ(mkfifo(dir.PathOf("fifo.log").c_str(), 0600), 0);
  log.SetFileName(dir.PathOf("fifo.log").c_str());
  log.SetFileOutput(true);
  log.PrintLine("still here");
  log.SetFileOutput(false);
  EXPECT_EQ(capture.Text(), "Log file [" + dir.PathOf("fifo.log") +
                                "] is not a regular file; the log is not written to it\n"
                                "still here\n");
  EXPECT_EQ(capture.Records(), 0);

  // Started with standard output closed, the log file must not become
  // descriptor 1: whatever is echoed to standard output would land in it too.
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  ASSERT_GE(saved, 0);
  close(STDOUT_FILENO);
  log.SetFileName(dir.PathOf("plain.log").c_str());
  log.SetFileOutput(true);
  const bool stdoutStillClosed = fcntl(STDOUT_FILENO, F_GETFD) == -1;
  log.PrintLine("once");
  log.SetFileOutput(false);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  EXPECT_TRUE(stdoutStillClosed);
  EXPECT_EQ(dir.Read("plain.log"), "\n" + std::string(48, '-') + "\n\nonce\n");
}
#endif

TEST(KolLogTest, BufferTrimKeepsTheNoticeAndNeverOverruns) {
  LogCapture capture;
  KolLog& log = TheLog();
  std::string expected;
  for (int i = 0; i < 1500; ++i) {
    const std::string message =
        "msg " + std::to_string(i) + std::string(i % 97, 'a' + i % 26) + (i % 3 ? "\n" : "\nx\n");
    if (expected.size() + 2 * message.size() + 100 >= 32000)
      expected = kNotice + expected.substr(21333);
    log.Print("%s", message.c_str());
    for (char c : message) expected += c == '\n' ? "\r\n" : std::string(1, c);
    ASSERT_EQ(log.BufferText(), expected) << "after message " << i;
  }
  ASSERT_EQ(expected.compare(0, kNotice.size(), kNotice), 0);  // it did trim

  // The smallest buffer with messages of 1024 line feeds: old text gives way.
  log.SetBufferSize(100);
  ASSERT_EQ(log.BufferCapacity(), 3000);
  std::string crlf;
  for (int i = 0; i < 1024; ++i) crlf += "\r\n";
  for (int round = 0; round < 12; ++round) {
    for (int i = 0; i <= round * 7; ++i) log.PrintLine("filler %d", i);
    log.Print("%s", std::string(1024, '\n').c_str());
    const std::string text = log.BufferText();
    ASSERT_EQ(static_cast<int>(text.size()), log.BufferLength());
    ASSERT_LT(text.size(), 3000u);
    EXPECT_EQ(text.compare(0, kNotice.size(), kNotice) == 0, round > 0);
    EXPECT_EQ(text.substr(text.size() - crlf.size()), crlf);
  }
}
