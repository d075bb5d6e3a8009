// game/rules.h - the game's rules as numbers, each with its unit: the one place they are
// written. The game reads them at every use; `quelmire-sim --rules` prints them as one
// JSON line (tools/sim/rules_line.cpp) for the tools and players that need them.
// Each keeps the type the game computes with: a float rule is compared and stored in
// single precision, a double one is added in double before its single-precision store.
// Threads: any; constants only.
#pragma once

#include <cstdint>

namespace rules {

// ---- time ----------------------------------------------------------------------------
inline constexpr int32_t kTickMs = 17;  // a tick runs once this many ms have passed

// ---- the field -----------------------------------------------------------------------
inline constexpr int32_t kFieldWidth = 150;   // world units along x
inline constexpr int32_t kFieldHeight = 150;  // world units along y
inline constexpr int32_t kObstacleCount = 100;
inline constexpr int32_t kObstacleSize = 3;   // world units, each side of the square
inline constexpr int32_t kTunnelLength = 20;  // world units along x
inline constexpr int32_t kTunnelWidth = 5;    // world units along y
inline constexpr int32_t kKeepOutWidth = 10;  // world units along x
inline constexpr int32_t kKeepOutHeight = 5;  // world units along y

// ---- hearing -------------------------------------------------------------------------
inline constexpr int32_t kAudibleRange = 100;  // world units: a cue or hint farther is not played
inline constexpr int32_t kAmbienceInterval = 100;  // ticks between ambient noises, one on the 101st

// ---- the mix of a positioned sound (game/mix.h) --------------------------------------
// The volume falls linearly with whole units of distance, by the falloff in half percent
// a unit, and is divided once more for a source behind the listener.
inline constexpr int32_t kCueFalloff = 3;      // half percent of volume a world unit: cues
inline constexpr int32_t kStalkerFalloff = 5;  // half percent of volume a world unit: the stalker
inline constexpr double kBehindVolumeDivisor = 1.5;  // a source behind is heard at volume / this

// ---- the player ----------------------------------------------------------------------
inline constexpr float kStartSpeed = 0.05f;           // world units a move, until the first update
inline constexpr float kWalkSpeed = 0.04f;            // world units a move
inline constexpr float kRunSpeed = 0.1f;              // world units a move
inline constexpr int32_t kTurnDegrees = 3;            // whole degrees a tick, an arrow key held
inline constexpr double kMouseCountsPerDegree = 4.0;  // horizontal mouse counts a degree
inline constexpr int32_t kWalkStepInterval = 30;      // ticks between footsteps: one on the 31st
inline constexpr int32_t kRunStepInterval = 15;       // ticks between footsteps: one on the 16th
inline constexpr float kStartStamina = 100.0f;
inline constexpr float kStaminaCap = 101.0f;        // stamina grows only while below it
inline constexpr double kStaminaGainPerTick = 0.2;  // every tick, while below the cap
inline constexpr double kRunCostPerTick = 0.5;      // a tick running with a movement key
inline constexpr float kRunStartsAbove = 5.0f;      // stamina Left Shift needs to run
inline constexpr float kRunStopsBelow = 2.0f;       // stamina at which running stops
inline constexpr int32_t kKnockEvery = 41;          // collision detections a knock
inline constexpr float kCompassDistance = 5.0f;     // world units toward -y it sounds from

// ---- pages and the stalker -----------------------------------------------------------
inline constexpr int32_t kPageReach = 3;          // world units: nearer, a page is taken
inline constexpr int32_t kHintPeriodTicks = 251;  // ticks from one hint of a page to the next
inline constexpr int32_t kKillDistance = 2;       // world units: nearer, the stalker kills
inline constexpr int32_t kDeathHoldMs = 7000;     // from the death cue to the end

}  // namespace rules
