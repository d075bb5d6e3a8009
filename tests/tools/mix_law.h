// The game's panning law, written for the tests from its description: the pan and volume
// a cue heard at `source` by a listener at `listener` facing `heading` must be given.
// Computed here on its own; only the rules' numbers (the falloff passed in, the divisor
// behind) come from the game's table, so that no copy of them can drift.
#pragma once

#include <cmath>
#include <cstdint>

#include "game/rules.h"

struct LawMix {
  int32_t pan;
  int32_t volume;
};

inline LawMix MixByLaw(float lx, float ly, float sx, float sy, int32_t heading, int32_t falloff) {
  const double halfTurn = 3.1415925f;
  float dy = static_cast<float>(static_cast<double>(sy) - ly);
  float dx = static_cast<float>(static_cast<double>(lx) - sx);
  float theta = -1.0f;
  if (dx != 0 || dy != 0) {
    theta = static_cast<float>(std::atan(static_cast<double>(dy) / dx));
    if (!(dx > 0)) theta = static_cast<float>(theta + halfTurn);
  }
  float bearing = static_cast<float>(static_cast<double>(theta) * 57.29578f);
  float relative = static_cast<float>(static_cast<double>(bearing) - heading);
  double radians = relative * halfTurn / 180.0;
  auto pan = static_cast<int32_t>(std::nearbyint(std::cos(radians) * 1.0 * 100.0 * -1.0));
  float back = static_cast<float>(std::sin(radians) * 1.0 * -1.0);
  double ddx = static_cast<double>(lx) - sx, ddy = static_cast<double>(ly) - sy;
  auto d = static_cast<int32_t>(std::sqrt(ddx * ddx + ddy * ddy));
  float volume = static_cast<float>(100.0 - d * falloff * 100.0 / 200.0);
  if (back > 0) volume = static_cast<float>(volume / rules::kBehindVolumeDivisor);
  return {pan, static_cast<int32_t>(std::nearbyint(volume))};
}
