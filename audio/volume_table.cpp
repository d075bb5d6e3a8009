#include "audio/volume_table.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

VolumeLevels MakeVolumeTable() {
  VolumeLevels table{};
  table[0] = 0;
  table[100] = 10000;
  for (int32_t i = 1; i < 100; ++i) {
    table[i] = static_cast<int32_t>(2000.0 * std::log10(1000.0 * i));  // truncates toward zero
  }
  return table;
}

const VolumeLevels& VolumeTable() {
  static const VolumeLevels table = MakeVolumeTable();
  return table;
}

int32_t VolumeLevelCb(int32_t volume) {
  return VolumeTable()[static_cast<size_t>(std::clamp(volume, 0, 100))] - 10000;
}

int32_t PanLevelCb(int32_t pan) {
  pan = std::clamp(pan, -100, 100);
  if (pan == 0) return 0;
  int32_t attenuation = 10000 - VolumeTable()[static_cast<size_t>(100 - std::abs(pan))];
  return pan > 0 ? attenuation : -attenuation;
}

float LevelAmplitude(int32_t levelCb) {
  // Every level is one of 10001 values, and the mixer asks for two each time a volume or
  // pan changes: a table saves a power function per voice and tick. SoundInit builds it,
  // so the device thread only ever reads it; a plain array leaves nothing to destroy at exit.
  static const auto amplitudes = [] {
    std::array<float, static_cast<size_t>(-kSilenceCb) + 1> table{};
    for (size_t i = 1; i < table.size(); ++i) {
      table[i] =
          static_cast<float>(std::pow(10.0, (kSilenceCb + static_cast<int32_t>(i)) / 2000.0));
    }
    return table;
  }();
  if (levelCb <= kSilenceCb) return 0.0f;
  if (levelCb >= 0) return 1.0f;
  return amplitudes[static_cast<size_t>(levelCb - kSilenceCb)];
}

ChannelGains GainsFor(int32_t levelCb, int32_t panCb) {
  // Attenuations add in decibels; the sum is silent once it reaches -100 dB.
  int32_t leftCb = levelCb - std::max(panCb, 0);
  int32_t rightCb = levelCb - std::max(-panCb, 0);
  return {LevelAmplitude(leftCb), LevelAmplitude(rightCb)};
}
