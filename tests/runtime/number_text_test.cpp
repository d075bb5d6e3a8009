#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/number_text.h"

namespace {

TEST(IntToString, DecimalDigitsWithoutDecoration) {
  EXPECT_EQ(IntToString(0), "0");
  EXPECT_EQ(IntToString(7), "7");
  EXPECT_EQ(IntToString(-7), "-7");
  EXPECT_EQ(IntToString(2147483647), "2147483647");
  EXPECT_EQ(IntToString(-2147483648LL), "-2147483648");
  EXPECT_EQ(IntToString(4294967296LL), "4294967296");
  EXPECT_EQ(IntToString(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
}

TEST(FloatToString, TrimsOnlyWhenTheLastDigitIsZero) {
  EXPECT_EQ(FloatToString(3.0f), "3");
  EXPECT_EQ(FloatToString(75.5f), "75.5");
  EXPECT_EQ(FloatToString(12.25f), "12.25");
  EXPECT_EQ(FloatToString(75.3f), "75.3000030518");
  EXPECT_EQ(FloatToString(0.1f), "0.1000000015");
  EXPECT_EQ(FloatToString(-150.0f), "-150");
  EXPECT_EQ(FloatToString(100.0f), "100");  // zeros before the point stay
}

TEST(FloatToString, ZeroInfinityAndNaN) {
  EXPECT_EQ(FloatToString(0.0f), "0");
  EXPECT_EQ(FloatToString(-0.0f), "0");
  // Only exact zero is normalised: a tiny negative keeps its sign.
  EXPECT_EQ(FloatToString(-0.00000000004f), "-0");
  EXPECT_EQ(FloatToString(std::numeric_limits<float>::infinity()), "+Infinity");
  EXPECT_EQ(FloatToString(-std::numeric_limits<float>::infinity()), "-Infinity");
  EXPECT_EQ(FloatToString(std::nanf("")), "NaN");
  EXPECT_EQ(FloatToString(std::numeric_limits<float>::max()).size(), 39u);
}

TEST(FloatToInt, TruncatesTowardZero) {
  EXPECT_EQ(FloatToInt(2.7), 2);
  EXPECT_EQ(FloatToInt(-2.7), -2);
  EXPECT_EQ(FloatToInt(0.5), 0);
  EXPECT_EQ(FloatToInt(-0.5), 0);
  EXPECT_EQ(FloatToInt(150.99), 150);
  // Out of range is saturated instead of undefined.
  EXPECT_EQ(FloatToInt(1e12), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(FloatToInt(-1e12), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(FloatToInt(std::nan("")), 0);
}

TEST(ArcTan, RoundsTheDoubleResultToSingle) {
  EXPECT_EQ(ArcTan(1.0f), static_cast<float>(std::atan(1.0)));
  EXPECT_EQ(ArcTan(-3.5f), static_cast<float>(std::atan(-3.5)));
  EXPECT_EQ(ArcTan(0.0f), 0.0f);
}

}  // namespace
