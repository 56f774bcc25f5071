#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "FloatTrack.h"
#include "KolData.h"
#include "KolLog.h"
#include "KolText.h"
#include "LoadFloatTrack.h"
#include "TestSupport.h"

namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

// ---------------------------------------------------------------------------
// Evaluation and key preparation

TEST(FloatTrackTest, NoKeysOrOneKey) {
  LogCapture capture;
  const FloatTrack empty;
  EXPECT_EQ(0, empty.KeyCount());
  for (float t : {-5.0f, 0.0f, 1e9f}) EXPECT_EQ(0.0f, empty.ValueAt(t));

  const FloatTrack single({{0.0f, 5.0f}});
  for (float t : {-1000.0f, -0.001f, 0.0f, 0.001f, 7.5f, 1e6f, kNan})
    EXPECT_EQ(5.0f, single.ValueAt(t)) << "t=" << t;
}

TEST(FloatTrackTest, InterpolatesBetweenKeysAndHoldsOutside) {
  LogCapture capture;
  const FloatTrack track({{0.0f, 0.0f}, {10.0f, 1.0f}});
  EXPECT_EQ(0.0f, track.ValueAt(-1.0f));
  EXPECT_EQ(0.0f, track.ValueAt(0.0f));
  EXPECT_FLOAT_EQ(0.5f, track.ValueAt(5.0f));
  EXPECT_EQ(1.0f, track.ValueAt(10.0f));
  EXPECT_EQ(1.0f, track.ValueAt(20.0f));
  EXPECT_FLOAT_EQ(0.1f, track.Key(0).slope);

  // Several segments: each key's exact time gives its own value.
  const FloatTrack zigzag({{0.0f, 0.0f}, {1.0f, 10.0f}, {3.0f, 0.0f}, {4.0f, -2.0f}});
  EXPECT_FLOAT_EQ(5.0f, zigzag.ValueAt(0.5f));
  EXPECT_EQ(10.0f, zigzag.ValueAt(1.0f));
  EXPECT_FLOAT_EQ(5.0f, zigzag.ValueAt(2.0f));
  EXPECT_EQ(0.0f, zigzag.ValueAt(3.0f));
  EXPECT_FLOAT_EQ(-1.0f, zigzag.ValueAt(3.5f));
  EXPECT_FLOAT_EQ(-5.0f, zigzag.Key(1).slope);
}

TEST(FloatTrackTest, EqualTimesAreSpreadByOneMillisecond) {
  LogCapture capture;
  const FloatTrack track({{0.0f, 0.0f}, {0.0f, 1.0f}});
  EXPECT_EQ(0.0f, track.Key(0).time);
  EXPECT_EQ(0.001f, track.Key(1).time);
  EXPECT_FLOAT_EQ(1000.0f, track.Key(0).slope);
  EXPECT_EQ(0.0f, track.ValueAt(0.0f));
  EXPECT_NEAR(0.5f, track.ValueAt(0.0005f), 1e-4);
  EXPECT_EQ(1.0f, track.ValueAt(0.001f));

  // A run of equal times builds on the already moved predecessor.
  const FloatTrack run({{2.0f, 0.0f}, {2.0f, 1.0f}, {2.0f, 2.0f}});
  EXPECT_EQ(2.0f + 0.001f, run.Key(1).time);
  EXPECT_EQ((2.0f + 0.001f) + 0.001f, run.Key(2).time);
}

TEST(FloatTrackTest, EarlierOrNanTimesMoveBehindThePredecessorWithoutReordering) {
  LogCapture capture;
  const FloatTrack track({{5.0f, 1.0f}, {2.0f, 3.0f}});
  EXPECT_EQ(5.0f, track.Key(0).time);
  EXPECT_EQ(5.0f + 0.001f, track.Key(1).time);
  EXPECT_EQ(3.0f, track.Key(1).value);
  EXPECT_EQ(1.0f, track.ValueAt(2.0f));
  EXPECT_EQ(3.0f, track.ValueAt(6.0f));

  const FloatTrack nan({{1.0f, 0.0f}, {kNan, 4.0f}, {3.0f, 8.0f}});
  EXPECT_EQ(1.0f + 0.001f, nan.Key(1).time);
  EXPECT_EQ(3.0f, nan.Key(2).time);
  EXPECT_FALSE(std::isnan(nan.ValueAt(2.0f)));
  EXPECT_FLOAT_EQ(6.0f, nan.ValueAt(2.0005f));
}

// ---------------------------------------------------------------------------
// Reading track files

class LoadFloatTrackTest : public ::testing::Test {
 protected:
  LoadFloatTrackTest() {
    source_.Open(kKindDirectory, dir_.Path().c_str());
    source_.SetDefault(false);
  }

  std::unique_ptr<FloatTrack> Load(const std::string& name, const std::string& text) {
    dir_.Write("Script/Float/" + name, text);
    KolText lexer;
    auto track = LoadFloatTrack(lexer, name.c_str());
    EXPECT_STREQ("", lexer.FileName()) << "file left open";
    return track;
  }

  static std::string Keys(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::to_string(i) + ":" + std::to_string(i % 7) + ";\n";
    return text;
  }

  LogCapture capture_;
  TempDir dir_;
  KolData source_;
};

TEST_F(LoadFloatTrackTest, ReadsKeysWithSpaceAndComments) {
  auto track = Load("Fade.txt",
                    "// fade in, hold, out\r\n"
                    "0 : 0 ;\n"
                    "\t2.5:1; /* hold */ 4:1;\n"
                    "6 : -0.5f ;  5 : 7 ;");
  ASSERT_NE(nullptr, track);
  EXPECT_EQ(0, GlobalLog().RecordCount());
  ASSERT_EQ(5, track->KeyCount());
  EXPECT_EQ(2.5f, track->Key(1).time);
  EXPECT_FLOAT_EQ(0.4f, track->ValueAt(1.0f));
  EXPECT_EQ(1.0f, track->ValueAt(3.0f));
  EXPECT_FLOAT_EQ(0.25f, track->ValueAt(5.0f));
  EXPECT_EQ(6.0f + 0.001f, track->Key(4).time);  // never reordered
  EXPECT_EQ(7.0f, track->ValueAt(60.0f));
}

TEST_F(LoadFloatTrackTest, TwelveHundredKeysAreAccepted) {
  auto track = Load("Full.txt", Keys(1200) + "// the end\n");
  ASSERT_NE(nullptr, track);
  EXPECT_EQ(1200, track->KeyCount());
  EXPECT_EQ(0, GlobalLog().RecordCount());
}

TEST_F(LoadFloatTrackTest, MoreThanTwelveHundredKeysKeepsTheFirstAndReportsOnce) {
  auto track = Load("Big.txt", Keys(1201));
  ASSERT_NE(nullptr, track);
  ASSERT_EQ(1200, track->KeyCount());
  EXPECT_EQ(1199.0f, track->Key(1199).time);
  EXPECT_EQ(2.0f, track->Key(1199).value);  // 1199 % 7
  ASSERT_EQ(1, GlobalLog().RecordCount());
  const KolLogRecord& r = GlobalLog().Record(0);
  EXPECT_EQ(2, r.kind);
  EXPECT_EQ(kModuleText, r.moduleCode);
  EXPECT_EQ("KolText", r.moduleName);
  EXPECT_EQ(1, r.detailCode);
  EXPECT_EQ("Too many keys in Big.txt", r.text);
  EXPECT_EQ("Error: Too many keys in Big.txt\n", capture_.Text());
}

TEST_F(LoadFloatTrackTest, SyntaxErrorsAreReportedWithPathLineAndColumn) {
  EXPECT_EQ(nullptr, Load("Open.txt", "0:1;\n5:2"));
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ(kTextSyntax, GlobalLog().Record(0).detailCode);
  EXPECT_EQ("Error: Script/Float/Open.txt (line 2, column 4): E0003 - Syntax error\n\n",
            capture_.Text());

  // Only the first text error of the run is written.
  EXPECT_EQ(nullptr, Load("Comma.txt", "0:1;\n2,3;\n"));
  EXPECT_EQ(1, GlobalLog().RecordCount());
}

TEST_F(LoadFloatTrackTest, EmptyAndMissingFilesAreSilent) {
  dir_.Write("Script/Float/Empty.txt", "");
  KolText lexer;
  EXPECT_EQ(nullptr, LoadFloatTrack(lexer, "Empty.txt"));
  EXPECT_EQ(nullptr, LoadFloatTrack(lexer, "Nowhere.txt"));
  EXPECT_EQ(0, GlobalLog().RecordCount());
  EXPECT_EQ(std::string::npos, capture_.Text().find("Error"));
}

TEST_F(LoadFloatTrackTest, CommentOnlyFileReportsUnexpectedCharacter) {
  EXPECT_EQ(nullptr, Load("Note.txt", "// no keys yet\n"));
  ASSERT_EQ(1, GlobalLog().RecordCount());
  EXPECT_EQ(kTextUnexpectedChar, GlobalLog().Record(0).detailCode);
  EXPECT_EQ("Error: Script/Float/Note.txt (line 2, column 1): E0011 - Unexpected character\n\n",
            capture_.Text());
}

}  // namespace
