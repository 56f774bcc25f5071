// What the fake audio library records and answers; shared by the library and
// the tests that load it.
#pragma once

#include <cstdio>

constexpr int kFakeAudioMaxCalls = 64;

struct FakeAudioCall {
  char name[32] = {};
  long args[5] = {};
};

struct FakeAudioControl {
  int initResult = 1;
  int startResult = 1;
  int pauseResult = 1;
  int playResult = 1;
  unsigned streamHandle = 7;
  unsigned musicHandle = 9;
  // The transport operations (in the fake built with them).
  int setPositionResult = 1;
  int getPositionResult = 1;
  unsigned position = 0;
  char source[512] = {};
  int count = 0;
  FakeAudioCall calls[kFakeAudioMaxCalls];
};
