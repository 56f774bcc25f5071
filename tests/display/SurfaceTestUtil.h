// What the surface tests share: a fresh headless backend per test with the
// demo clock started at tick 0, time standing still unless a test moves it,
// and a message pump like the frame loop's.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "Backend.h"  // the core's window record
#include "HeadlessControl.h"
#include "KolLog.h"
#include "Platform.h"
#include "ProgramLocation.h"
#include "TestSupport.h"
#include "VClock.h"
#include "VWindowSurface.h"

class SurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSurfaceInputForTest();
    ResetProgramLocationForTest();
    ASSERT_TRUE(plat::StartHeadless());
    DemoClock().Start();
  }
  void TearDown() override {
    plat::Shutdown();
    ResetSurfaceInputForTest();
  }

  static plat::headless::Control& Headless() { return plat::headless::Headless(); }

  // Translates and dispatches everything queued, including injected input.
  static void Pump() {
    plat::Message m;
    while (plat::PeekAppMessage(m, true)) {
      plat::TranslateAppMessage(m);
      plat::DispatchAppMessage(m);
    }
  }

  // "module/name/detail: text" of record i, for compact comparisons.
  static std::string RecordAt(int i) {
    const KolLogRecord& r = GlobalLog().Record(i);
    return std::to_string(r.moduleCode) + "/" + r.moduleName + "/" + std::to_string(r.detailCode) +
           ": " + r.text;
  }

  LogCapture capture;
};
