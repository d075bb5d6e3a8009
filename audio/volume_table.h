// audio/volume_table.h - the loudness laws: volume 0..100 and pan -100..100 as levels in
// hundredths of a decibel, and levels as amplitude factors.
// Threads: any thread; the table is filled once by SoundInit and only read afterwards.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int32_t kSilenceCb =
    -10000;                                   // hundredths of a dB; this level and below are silent
inline constexpr int32_t kFullPanCb = 10000;  // the largest attenuation a pan applies

// Index: a volume 0..100. Value: hundredths of a decibel above -100 dB, 0 .. 10000:
// [0] = 0, [100] = 10000, [i] = 6000 + 2000 log10(i) truncated toward zero.
using VolumeLevels = std::array<int32_t, 101>;
VolumeLevels MakeVolumeTable();
const VolumeLevels& VolumeTable();

// The level of a volume (clamped to 0..100): VolumeTable[v] - 10000, -10000 (silent) .. 0.
int32_t VolumeLevelCb(int32_t volume);

// The device pan of a pan (clamped to -100..100), -10000 .. 10000 hundredths of a dB: a
// positive value attenuates the left channel by that much, a negative one the right.
int32_t PanLevelCb(int32_t pan);

// The amplitude factor of a level: 10^(levelCb / 2000); 0 at kSilenceCb and below, and 1
// at 0 and above.
float LevelAmplitude(int32_t levelCb);

// The two channel gains (amplitude factors) of a volume level and a device pan.
struct ChannelGains {
  float left = 1.0f;
  float right = 1.0f;
};
ChannelGains GainsFor(int32_t levelCb, int32_t panCb);
