// A test run once for each of the mixer's loops this processor has: the parameter limits
// the loops in use for the test's length; loops the processor lacks are skipped.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "audio/mix_kernels_x86.h"

class EachVectorLoop : public ::testing::TestWithParam<VectorLoops> {
 protected:
  void SetUp() override {
    if (GetParam() > AvailableVectorLoops()) GTEST_SKIP() << "not on this processor";
    LimitVectorLoops(GetParam());
  }
  void TearDown() override { LimitVectorLoops(VectorLoops::kAvx512); }
};

inline std::string VectorLoopsName(const ::testing::TestParamInfo<VectorLoops>& info) {
  static const char* const kNames[] = {"Portable", "Avx2", "Avx512"};
  return kNames[static_cast<int>(info.param)];
}
