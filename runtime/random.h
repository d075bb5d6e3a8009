// runtime/random.h - the process-wide pseudo-random generator: a lagged generator
// over two tables of 17 words. A given seed yields the same sequence bit for bit.
// Threads: any thread; draws are serialised by one lock, so concurrent draws each
// take a distinct step of the sequence.
#pragma once

#include <cstdint>

// One step of the generator, mapped onto 0..max (both ends included) for max >= 0.
// max = -1 returns the step's raw word; below -1, max + 1 is taken as an unsigned
// 32-bit range (for -2, 4294967295). Seeds from the thread id and the clock on the
// first draw of the process.
int32_t RandomNext(int32_t max);

// Resets the whole state from `seed` and marks it seeded. Returns the last warm-up
// word, which callers ignore.
int32_t RandomSeed(int32_t seed);

// Read-only view of the positions, for tests of the seeding rule.
struct RandomPositions {
  int32_t i;  // 0..16, the slot written by the next step
  int32_t j;  // 0..16, the lagged slot read by the next step; j = i + 10 mod 17
};
RandomPositions RandomPeek();
