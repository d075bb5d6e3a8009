// audio/mix_kernels_x86.h - the interpolating inner loop written out for AVX-512 and for
// AVX2 with FMA, taken when the processor has them and the step is small enough.
// Threads: pure functions; any thread.
//
// Why by hand: the compiler's version of the portable loop gathers each of the four taps
// from memory, and gathers cost more than everything else in the loop together. Here a
// group of frames (16 with AVX-512, 8 with AVX2) loads the source samples around it into
// two registers and picks every frame's taps with permutes; the four Hermite weights are
// computed once per frame and shared by both channels.
#pragma once

#include <cstdint>

#include "audio/mix_kernels.h"

// The largest steps (32.32) the loops take, so that one group's taps fit in two registers:
// up to 28/15 source frames per frame with AVX-512 (sources up to 89.6 kHz at 48 kHz), and
// 12/7 with AVX2 (82.3 kHz).
inline constexpr uint64_t kWideGroupMaxStep = (uint64_t{28} << kFractionBits) / 15;
inline constexpr uint64_t kNarrowGroupMaxStep = (uint64_t{12} << kFractionBits) / 7;

// The widest loops in use: all this processor has unless a test or benchmark limits them.
enum class VectorLoops { kPortable, kAvx2, kAvx512 };
VectorLoops AvailableVectorLoops();
void LimitVectorLoops(VectorLoops widest);  // call while no mixing runs

// Mixes as MixHermite does, in whole groups from the start of the run, and returns how many
// frames it took: 0 when this processor or this step has no hand-written loop.
template <typename Sample>
int32_t MixHermiteX86(const Sample* left, const Sample* right, uint64_t position, uint64_t step,
                      int32_t frames, GainRun gains, float* accLeft, float* accRight);
