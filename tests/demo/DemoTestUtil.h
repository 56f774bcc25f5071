// What the demo tests share: a fresh headless backend whose clock moves one
// millisecond per read, a scratch folder holding a fake executable "demo" with
// its data beside it, and small demo scripts built from one wave effect.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "HeadlessControl.h"
#include "KolLog.h"
#include "Platform.h"
#include "ProgramEntry.h"
#include "ProgramLocation.h"
#include "TestSupport.h"
#include "VClock.h"
#include "VDemo.h"
#include "VWindowSurface.h"

class DemoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSurfaceInputForTest();
    ResetDemoDataSourcesForTest();
    ASSERT_TRUE(plat::StartHeadless());
    Headless().tickStep = 1;
    plat::SetProgramPathForTest(dir.PathOf("demo"));
    ResetProgramLocationForTest();
  }
  void TearDown() override {
    plat::Shutdown();
    ResetDemoDataSourcesForTest();
    ResetSurfaceInputForTest();
    plat::SetProgramPathForTest("");
    ResetProgramLocationForTest();
  }

  static plat::headless::Control& Headless() { return plat::headless::Headless(); }

  // The effect and track scripts every demo here uses, by archive name.
  static std::vector<std::pair<std::string, std::string>> Scripts(const std::string& demo) {
    return {{"Script/Demo.txt", demo},
            {"Script/Effect/Wave.txt", "Alpha = one; Add = zero; WaveLarge:"},
            {"Script/Float/one.txt", "0 : 1 ;"},
            {"Script/Float/zero.txt", "0 : 0 ;"}};
  }
  // The demo in the data directory beside the program.
  void WriteDataDirectory(const std::string& demo) const {
    for (const auto& [name, text] : Scripts(demo)) dir.Write("data/" + name, text);
  }
  // The demo as the archive demo.dat beside the program.
  void WriteArchive(const std::string& demo) const {
    std::vector<ZipMember> members;
    for (const auto& [name, text] : Scripts(demo)) members.push_back({name, text});
    ASSERT_TRUE(WriteZip(dir.PathOf("demo.dat"), members));
  }

  // The program as started by the user: the dialog picks a display mode and starts.
  static void RunProgram(int displayMode) {
    EXPECT_EQ(0, ProgramEntry("", [displayMode](VDemo& d) {
                d.displayMode = displayMode;
                return 1;
              }));
  }

  // The colour of pixel (x, y) of the last frame shown.
  static std::uint32_t Shown(int x, int y) {
    const plat::headless::Frame& f = plat::headless::Headless().lastFrame;
    return f.pixels.at(static_cast<size_t>(y) * f.width + x);
  }

  LogCapture capture;
  TempDir dir;
};
