#include <gtest/gtest.h>

#include <cmath>

#include "audio/volume_table.h"

namespace {

TEST(VolumeTable, MatchesTheTellingRows) {
  const VolumeLevels& table = VolumeTable();
  const int rows[][2] = {{0, 0},     {1, 6000},  {2, 6602},  {5, 7397},  {10, 8000},  {20, 8602},
                         {25, 8795}, {30, 8954}, {40, 9204}, {50, 9397}, {60, 9556},  {70, 9690},
                         {75, 9750}, {80, 9806}, {90, 9908}, {99, 9991}, {100, 10000}};
  for (const auto& [index, value] : rows)
    EXPECT_EQ(table[static_cast<size_t>(index)], value) << index;
  for (size_t i = 2; i < 101; ++i) EXPECT_GT(table[i], table[i - 1]) << i;
}

TEST(VolumeLaw, LevelIsTheTableLessTenThousandAndClamps) {
  EXPECT_EQ(VolumeLevelCb(100), 0);
  EXPECT_EQ(VolumeLevelCb(50), -603);
  EXPECT_EQ(VolumeLevelCb(30), -1046);
  EXPECT_EQ(VolumeLevelCb(10), -2000);
  EXPECT_EQ(VolumeLevelCb(1), -4000);
  EXPECT_EQ(VolumeLevelCb(0), -10000);
  EXPECT_EQ(VolumeLevelCb(150), 0);
  EXPECT_EQ(VolumeLevelCb(-5), -10000);
}

TEST(PanLaw, AttenuatesTheFarSideAsIfItsVolumeWereHundredLessPan) {
  EXPECT_EQ(PanLevelCb(0), 0);
  EXPECT_EQ(PanLevelCb(100), 10000);
  EXPECT_EQ(PanLevelCb(50), 603);
  EXPECT_EQ(PanLevelCb(10), 92);
  EXPECT_EQ(PanLevelCb(1), 9);
  EXPECT_EQ(PanLevelCb(-50), -603);
  EXPECT_EQ(PanLevelCb(-100), -10000);
  EXPECT_EQ(PanLevelCb(-300), -10000);
  EXPECT_EQ(PanLevelCb(300), 10000);
}

TEST(LevelAmplitude, IsTenToTheLevelOverTwoThousandAndSilentAtTheFloor) {
  EXPECT_EQ(LevelAmplitude(0), 1.0f);
  EXPECT_EQ(LevelAmplitude(-10000), 0.0f);
  EXPECT_EQ(LevelAmplitude(-12000), 0.0f);
  EXPECT_NEAR(LevelAmplitude(-2000), 0.1f, 1e-6f);
  EXPECT_NEAR(LevelAmplitude(-603), std::pow(10.0, -603 / 2000.0), 1e-6);
  EXPECT_NEAR(LevelAmplitude(-9999), 1.0011e-5, 1e-8);
}

TEST(ChannelGains, PanAttenuatesOneSideAndAddsToTheVolumeLevel) {
  ChannelGains centre = GainsFor(-603, 0);
  EXPECT_FLOAT_EQ(centre.left, centre.right);

  ChannelGains right = GainsFor(0, 603);  // pan 50: the left side loses 6.03 dB
  EXPECT_EQ(right.right, 1.0f);
  EXPECT_NEAR(right.left, std::pow(10.0, -603 / 2000.0), 1e-6);

  ChannelGains both = GainsFor(-2000, -603);  // volume 10, pan -50
  EXPECT_NEAR(both.left, 0.1, 1e-6);
  EXPECT_NEAR(both.right, std::pow(10.0, -2603 / 2000.0), 1e-6);

  EXPECT_EQ(GainsFor(-5000, 6000).left, 0.0f);  // together past -100 dB: silent
  EXPECT_EQ(GainsFor(0, 10000).left, 0.0f);
  EXPECT_EQ(GainsFor(0, -10000).right, 0.0f);
}

}  // namespace
