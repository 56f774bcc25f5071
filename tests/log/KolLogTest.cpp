#include <gtest/gtest.h>

#include "KolLog.h"
#include "TestSupport.h"

TEST(KolLogTest, ReportErrorRecordsAndWrites) {
  LogCapture capture;
  GlobalLog().ReportError(kModuleText, "KolText", 3, "%s\n", "x");
  EXPECT_EQ(capture.Text(), "Error: x\n\n");
  ASSERT_EQ(GlobalLog().RecordCount(), 1);
  EXPECT_EQ(GlobalLog().Record(0).text, "x\n");
}
