#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "KolLog.h"
#include "TestSupport.h"

namespace {

const char kNotice[] =
    "message buffer overflow.\r\nThe earliest messages are removed.\r\n"
    "---------------------------------------------\r\n";
const std::string kSeparator = "\n" + std::string(48, '-') + "\n\n";

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

void ExpectRecord(int index, int kind, int module, const char* name, int detail,
                  const std::string& text) {
  const KolLogRecord& r = GlobalLog().Record(index);
  EXPECT_EQ(r.kind, kind) << index;
  EXPECT_EQ(r.moduleCode, module) << index;
  EXPECT_EQ(r.moduleName, name) << index;
  EXPECT_EQ(r.detailCode, detail) << index;
  EXPECT_EQ(r.text, text) << index;
}

std::string BufferNow() {
  const char* text = GlobalLog().BufferText();
  return text ? std::string(text) : std::string();
}

}  // namespace

TEST(KolLogTest, MessageFormsAndRecords) {
  LogCapture capture;
  KolLog& log = GlobalLog();

  log.Print("a%d", 1);
  log.Print("b\n");
  log.PrintLine("line %s", "two");
  // The allocation failure message has no line end and runs into the next one.
  log.PrintError("Memory allocating error.");
  log.PrintLine("next");
  EXPECT_EQ(capture.Text(), "a1b\nline two\nError: Memory allocating error.next\n");
  EXPECT_EQ(log.RecordCount(), 0);

  // A line end in the caller's format stays, and the report adds its own.
  LogCapture second;
  log.ReportError(kModuleText, "KolText", 3, "%s\n", "x");
  EXPECT_EQ(second.Text(), "Error: x\n\n");
  ASSERT_EQ(log.RecordCount(), 1);
  ExpectRecord(0, 2, 9, "KolText", 3, "x\n");

  LogCapture third;
  log.Report(1, kModuleTex, "VTex", 7, "soft %d", 1);
  log.Report(2, kModuleSurface, "VSurface", 8, "hard %d", 2);
  log.Report(0, kModuleList, "VList", 9, "plain %d", 3);
  log.ReportStatus(kModuleSound, "VSound");
  EXPECT_EQ(third.Text(),
            "Warning: soft 1\nError: hard 2\nplain 3\n[6][VSound]: unspecified error\n");
  ASSERT_EQ(log.RecordCount(), 3);  // kind 0 is never recorded
  ExpectRecord(0, 1, 8, "VTex", 7, "soft 1");
  ExpectRecord(1, 2, 3, "VSurface", 8, "hard 2");
  ExpectRecord(2, 2, 6, "VSound", 0, "unspecified error");

  // Written text is never formatted a second time.
  LogCapture fourth;
  log.PrintLine("%s", "100%s %d%% [%n]");
  EXPECT_EQ(fourth.Text(), "100%s %d%% [%n]\n");
}

TEST(KolLogTest, MessagesLongerThanTheScratchAreDropped) {
  LogCapture capture;
  KolLog& log = GlobalLog();
  const std::string fits(1024, 'a');
  const std::string tooLong(1025, 'b');
  log.Print("%s", fits.c_str());
  log.Print("%s", tooLong.c_str());
  EXPECT_EQ(capture.Text(), fits);

  // The added line end counts: 1023 characters plus the line end is the limit.
  LogCapture lines;
  log.PrintLine("%s", std::string(1023, 'c').c_str());
  log.PrintLine("%s", std::string(1024, 'd').c_str());
  EXPECT_EQ(lines.Text(), std::string(1023, 'c') + "\n");

  // So does the prefix; a dropped report still leaves its record.
  LogCapture reports;
  log.ReportError(kModuleText, "KolText", 1, "%s", std::string(1016, 'e').c_str());
  log.ReportError(kModuleText, "KolText", 2, "%s", std::string(1017, 'f').c_str());
  EXPECT_EQ(reports.Text(), "Error: " + std::string(1016, 'e') + "\n");
  ASSERT_EQ(log.RecordCount(), 2);
  ExpectRecord(1, 2, 9, "KolText", 2, std::string(1017, 'f'));
}

TEST(KolLogTest, RecordTableHoldsOneHundredReports) {
  LogCapture capture;
  KolLog& log = GlobalLog();
  std::string expected;
  for (int i = 0; i < 105; ++i) {
    log.Report(i % 2 ? 1 : 2, kModuleList, "VList", i, "report %d", i);
    expected += std::string(i % 2 ? "Warning: " : "Error: ") + "report " + std::to_string(i) + "\n";
  }
  EXPECT_EQ(log.RecordCount(), KolLog::kMaxRecords);
  ExpectRecord(98, 2, 7, "VList", 98, "report 98");
  ExpectRecord(99, 1, 7, "VList", 99, "report 99");
  // Reports beyond the table are still written.
  EXPECT_EQ(capture.Text(), expected);
  log.ReportStatus(kModuleSound, "VSound");
  EXPECT_EQ(log.RecordCount(), 100);
}

TEST(KolLogTest, FileOutputAppendsEachRunBehindASeparator) {
  LogCapture capture;
  TempDir dir;
  KolLog& log = GlobalLog();
  const std::string path = dir.PathOf("run%s.log");
  log.SetFileName(path.c_str());
  log.PrintLine("before any file");

  log.SetFileOutput(true);
  ASSERT_TRUE(log.FileOutput());
  log.SetFileOutput(true);  // already open: no second separator
  log.PrintLine("first %s", "run");
  // A new name only counts at the next opening.
  log.SetFileName(dir.PathOf("other.log").c_str());
  log.PrintLine("still first");
  log.SetFileName(path.c_str());
  log.SetFileOutput(false);
  EXPECT_FALSE(log.FileOutput());
  log.PrintLine("between runs");

  log.SetFileOutput(true);
  log.ReportError(kModuleText, "KolText", 1, "second run");
  log.SetFileOutput(false);

  EXPECT_EQ(dir.Read("run%s.log"), kSeparator + "first run\nstill first\n" + kSeparator +
                                       "Error: second run\n");
  EXPECT_EQ(dir.Read("other.log"), "");
  // The separator goes through the ordinary write path, so the buffer has it too.
  EXPECT_EQ(capture.Text(), "before any file\n" + kSeparator + "first run\nstill first\n" +
                                "between runs\n" + kSeparator + "Error: second run\n");
  EXPECT_EQ(log.RecordCount(), 1);
}

TEST(KolLogTest, UnopenableLogFileLeavesFileOutputOffSilently) {
  LogCapture capture;
  TempDir dir;
  KolLog& log = GlobalLog();
  log.SetFileName(dir.PathOf("no/such/folder/kol.log").c_str());
  log.SetFileOutput(true);
  EXPECT_FALSE(log.FileOutput());
  log.PrintLine("after");
  EXPECT_EQ(capture.Text(), "after\n");
  EXPECT_EQ(log.RecordCount(), 0);
  log.SetFileOutput(false);
  EXPECT_FALSE(log.FileOutput());
}

TEST(KolLogTest, BufferSizeAndSwitching) {
  ResetProcessState();
  KolLog& log = GlobalLog();
  EXPECT_EQ(log.BufferCapacity(), 32000);
  EXPECT_EQ(log.BufferText(), nullptr);
  log.PrintLine("nowhere");
  log.SetBufferSize(100);
  EXPECT_EQ(log.BufferCapacity(), 3000);
  EXPECT_EQ(log.BufferText(), nullptr);  // resizing does not switch it on
  log.SetBufferSize(3001);
  EXPECT_EQ(log.BufferCapacity(), 3001);

  log.SetBufferOutput(true);
  ASSERT_NE(log.BufferText(), nullptr);
  log.PrintLine("one");
  EXPECT_STREQ(log.BufferText(), "one\r\n");
  EXPECT_EQ(log.BufferLength(), 5);
  log.SetBufferOutput(true);  // switching on again starts empty
  EXPECT_STREQ(log.BufferText(), "");
  log.PrintLine("two");
  log.SetBufferSize(5000);  // re-created empty, still on
  EXPECT_EQ(log.BufferCapacity(), 5000);
  ASSERT_NE(log.BufferText(), nullptr);
  EXPECT_EQ(log.BufferLength(), 0);
  log.SetBufferOutput(false);
  EXPECT_EQ(log.BufferText(), nullptr);
  log.ResetForTest();
}

TEST(KolLogTest, BufferTrimKeepsNoticeAndNewestThird) {
  LogCapture capture;
  KolLog& log = GlobalLog();
  ASSERT_EQ(log.BufferCapacity(), 32000);
  const int cut = 2 * 32000 / 3;
  ASSERT_EQ(cut, 21333);
  int trims = 0;
  for (int i = 0; i < 1500; ++i) {
    // Varying lengths and embedded line feeds, so the trim point moves around and
    // the CR LF expansion matters.
    std::string message = "msg " + std::to_string(i) + std::string(i % 97, 'a' + i % 26);
    if (i % 3 == 0) message += "\nmiddle";
    message += "\n";
    const std::string before = BufferNow();
    ASSERT_EQ(static_cast<int>(before.size()), log.BufferLength());
    log.Print("%s", message.c_str());

    std::string expected;
    if (before.size() + 2 * message.size() + 100 >= 32000) {
      ++trims;
      ASSERT_GT(before.size(), static_cast<size_t>(cut));
      expected = kNotice + before.substr(cut) + WithCrLf(message);
    } else {
      expected = before + WithCrLf(message);
    }
    ASSERT_EQ(BufferNow(), expected) << "after message " << i;
    ASSERT_LT(log.BufferLength(), 32000);
  }
  EXPECT_GE(trims, 3);
  EXPECT_EQ(std::string(log.BufferText(), 109), kNotice);
}

TEST(KolLogTest, SmallBufferNeverOverrunsWithLineFeedMessages) {
  LogCapture capture;
  KolLog& log = GlobalLog();
  log.SetBufferSize(100);
  ASSERT_EQ(log.BufferCapacity(), 3000);
  ASSERT_NE(log.BufferText(), nullptr);
  const std::string feeds(1024, '\n');
  std::string allCrLf;
  for (int i = 0; i < 1024; ++i) allCrLf += "\r\n";

  int trims = 0;
  for (int round = 0; round < 12; ++round) {
    for (int i = 0; i <= round * 7; ++i) log.PrintLine("filler %d %d", round, i);
    const std::string before = BufferNow();
    log.Print("%s", feeds.c_str());
    const std::string text = BufferNow();
    ASSERT_EQ(static_cast<int>(text.size()), log.BufferLength());
    ASSERT_LT(log.BufferLength(), 3000);
    if (before.size() + 2 * feeds.size() + 100 >= 3000) {
      ++trims;
      ASSERT_EQ(text.compare(0, 109, kNotice), 0) << "round " << round;
      // The whole message survives; older text is what gives way.
      ASSERT_GE(text.size(), 109 + allCrLf.size());
      EXPECT_EQ(text.substr(text.size() - allCrLf.size()), allCrLf) << "round " << round;
    } else {
      ASSERT_EQ(text, before + allCrLf) << "round " << round;
    }
  }
  EXPECT_GE(trims, 10);
  // Same again with the line end added by the log itself.
  log.PrintLine("%s", std::string(1023, '\n').c_str());
  EXPECT_LT(log.BufferLength(), 3000);
  EXPECT_EQ(std::strlen(log.BufferText()), static_cast<size_t>(log.BufferLength()));
  EXPECT_EQ(log.RecordCount(), 0);
}
