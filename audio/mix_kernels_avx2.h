// audio/mix_kernels_avx2.h - the interpolating inner loop written out for AVX2 with FMA,
// taken when the processor has them and the step is small enough (see below).
// Threads: pure functions; any thread.
//
// Why by hand: the compiler's version of the plain loop gathers each of the four taps from
// memory, and gathers cost more than everything else in the loop together. Here eight
// output frames at a time load the sixteen source samples around them into two registers
// and pick the taps with permutes.
#pragma once

#include <cstdint>

#include "audio/mix_kernels.h"

// The largest step (32.32) the permute loop takes: eight frames' taps then span at most
// sixteen source samples. 11/7 frames per frame covers sources up to 75 kHz at 48 kHz.
inline constexpr uint64_t kPermuteMaxStep = (uint64_t{11} << kFractionBits) / 7;

// True when this processor runs the AVX2 loop.
bool HaveAvx2Kernels();

// As MixHermiteMono / MixHermiteStereo for step <= kPermuteMaxStep, on an AVX2 processor.
// Reads up to kPcmPadding samples past the last tap. `sourceRight` null means mono.
void MixHermiteAvx2(const float* sourceLeft, const float* sourceRight, uint64_t position,
                    uint64_t step, int32_t frames, GainRun gains, float* accLeft, float* accRight);
