// game/game_math.h - the game's number conventions: its half-turn and degree constants,
// and the two ways a float becomes an integer.
// Threads: any; no state.
#pragma once

#include <cmath>
#include <cstdint>

// The half-turn value the game uses for degrees to radians: the single-precision value
// 3.1415925, not the closest single to pi (3.1415927). Arithmetic with it runs in double.
inline constexpr float kHalfTurn = 3.1415925f;
// Radians to degrees, single precision.
inline constexpr float kRadiansToDegrees = 57.29578f;

// Storing a float in an integer: to nearest, ties to even (the default rounding mode).
inline int32_t RoundHalfEven(double value) {
  return static_cast<int32_t>(std::nearbyint(value));
}

// Whole degrees (or any degree value) to radians, in double.
inline double Radians(double degrees) {
  return degrees * static_cast<double>(kHalfTurn) / 180.0;
}

// A double result stored in a single-precision variable.
inline float Single(double value) {
  return static_cast<float>(value);
}
