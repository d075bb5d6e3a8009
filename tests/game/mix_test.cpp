// The panning law: bearing, pan and volume for a listener and a source, with the
// single-precision half-turn and degree factor, and ties rounded to even.
#include <gtest/gtest.h>

#include <cstdint>

#include "game/mix.h"

namespace {

struct MixRow {
  float heading;
  float sourceX, sourceY;
  float bearing;
  int32_t pan;
  int32_t volume;
};

// Listener at (75, 75), falloff 3.
constexpr MixRow kWorkedRows[] = {
    {0, 85, 75, 180.0f, 100, 85},     {0, 65, 75, 0.0f, -100, 85},
    {0, 80, 80, 134.99998f, 71, 90},  {0, 75, 80, 270.0f, 0, 62},
    {0, 75, 70, 89.99999f, 0, 92},    {90, 75, 70, 89.99999f, -100, 62},
    {180, 75, 70, 89.99999f, 0, 62},  {0, 75, 75, -57.29578f, -54, 67},
    {90, 75, 75, -57.29578f, 84, 67},
};

TEST(Mix, EveryWorkedRowGivesItsBearingPanAndVolume) {
  for (const MixRow& row : kWorkedRows) {
    SCOPED_TRACE(testing::Message() << "heading " << row.heading << " source (" << row.sourceX
                                    << ", " << row.sourceY << ")");
    MixResult mix = ComputeMix(75, 75, row.sourceX, row.sourceY, row.heading, 3);
    EXPECT_EQ(mix.bearing, row.bearing);
    EXPECT_EQ(mix.pan, row.pan);
    EXPECT_EQ(mix.volume, row.volume);
  }
}

TEST(Mix, SourceStraightAlongYSitsAtTheBearingsOfAZeroDifference) {
  // dx is exactly 0: toward -y gives 89.99999 (not 270), toward +y 270 (not 90).
  EXPECT_EQ(ComputeMix(10, 10, 10, 2, 0, 3).bearing, 89.99999f);
  EXPECT_EQ(ComputeMix(10, 10, 10, 30, 0, 3).bearing, 270.0f);
  // Heading 90 puts a source toward -y a hair behind: a third quieter.
  EXPECT_EQ(ComputeMix(10, 10, 10, 2, 90, 3).volume, 59);  // 88 / 1.5 = 58.67
}

TEST(Mix, VolumeFallsLinearlyAndIsSilentFrom67UnitsForCues) {
  // In front (toward +x at heading 90).
  EXPECT_EQ(ComputeMix(0, 0, 66, 0, 90, 3).volume, 1);   // 100 - 99
  EXPECT_EQ(ComputeMix(0, 0, 67, 0, 90, 3).volume, 0);   // 100 - 100.5 = -0.5, to even
  EXPECT_EQ(ComputeMix(0, 0, 68, 0, 90, 3).volume, -2);  // the engine clamps it to 0
  // Distances are truncated first: 66.9 units count as 66.
  EXPECT_EQ(ComputeMix(0, 0, 66.9f, 0, 90, 3).volume, 1);
  // The stalker's falloff of 5: silent from 40 units on.
  EXPECT_EQ(ComputeMix(0, 0, 39, 0, 90, 5).volume, 2);  // 100 - 97.5 = 2.5, to even
  EXPECT_EQ(ComputeMix(0, 0, 40, 0, 90, 5).volume, 0);
}

TEST(Mix, HalfVolumesRoundToEven) {
  EXPECT_EQ(ComputeMix(0, 0, 1, 0, 90, 3).volume, 98);  // 98.5
  EXPECT_EQ(ComputeMix(0, 0, 3, 0, 90, 3).volume, 96);  // 95.5
  EXPECT_EQ(ComputeMix(0, 0, 5, 0, 90, 3).volume, 92);  // 92.5
}

TEST(Mix, PanFollowsTheRelativeAngle) {
  // Heading 0: a source toward +x is full right, toward -x full left.
  EXPECT_EQ(ComputeMix(50, 50, 60, 50, 0, 3).pan, 100);
  EXPECT_EQ(ComputeMix(50, 50, 40, 50, 0, 3).pan, -100);
  // Turning right by 90 brings the +x source in front and the -y source to the left.
  EXPECT_EQ(ComputeMix(50, 50, 60, 50, 90, 3).pan, 0);
  EXPECT_EQ(ComputeMix(50, 50, 50, 40, 90, 3).pan, -100);
  // In front and behind at the same distance: only the volume differs.
  MixResult front = ComputeMix(50, 50, 60, 50, 90, 3);
  MixResult behind = ComputeMix(50, 50, 40, 50, 90, 3);
  EXPECT_EQ(front.volume, 85);
  EXPECT_EQ(behind.volume, 57);  // 85 / 1.5 = 56.67
}

}  // namespace
