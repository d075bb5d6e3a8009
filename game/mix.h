// game/mix.h - the panning law as a pure computation, for whoever needs the numbers
// without a sound to set them on (tests, tools).
// Threads: any; no state.
#pragma once

#include <cstdint>

struct MixResult {
  float bearing = 0;   // degrees at which the listener sees the source, before the heading
  float relative = 0;  // the bearing less the heading: 90 ahead, 0 left, 180 right, 270 behind
  int32_t pan = 0;     // -100 (full left) .. 100 (full right)
  int32_t volume = 0;  // 100 down to below 0; the sound engine clamps it to 0 .. 100
};

// The pan and volume of a source at (sourceX, sourceY) for a listener at (listenerX,
// listenerY) facing `heading` degrees; `falloff` is the volume lost per unit of distance
// in half percent (rules::kCueFalloff for cues, rules::kStalkerFalloff for the stalker).
MixResult ComputeMix(float listenerX, float listenerY, float sourceX, float sourceY, float heading,
                     int32_t falloff);
