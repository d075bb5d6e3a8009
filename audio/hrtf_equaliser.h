// audio/hrtf_equaliser.h - turns the set's filter pairs around the ring into what the ring
// convolves: each filter's delay taken out (kept beside it, to be given back per voice), the
// set's average colour taken out, and the level brought to the stereo path's.
// Threads: any; pure.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/hrtf_ring.h"

// Taps of every equalised filter at 48 kHz (5.3 ms; as long in time at other rates): minimum
// phase, the sound is in the first few milliseconds. Two convolution partitions.
inline constexpr int32_t kEqualisedTaps48k = 256;
int32_t EqualisedTaps(int32_t rate);

// The ring made from `pairs` (kRingDirections of them, direction k at k x
// kRingSpacingDegrees, as the set gives them with their delays), for `rate`:
// - each filter's onset, found to a fraction of a frame, becomes the ring's delay for that
//   direction and ear (less the earliest of them all), and the filter is replaced by the
//   minimum-phase filter of the same magnitude;
// - every magnitude is divided by the average over the ring and both ears (smoothed over a
//   third of an octave, floored so a near-silent band is never divided by near zero), so the
//   differences between directions stay and the set's own colour goes;
// - each direction's level is moved halfway (in decibels) to the stereo path's there (the pan
//   -100 sin of the direction), both ears alike, and the whole ring scaled so that its
//   two-ear power averaged over the directions is the stereo path's.
HrtfRing EqualisedRing(const std::vector<HrtfPair>& pairs, int32_t rate);
