// platform/timing.h - the game's sense of time.
// Threads: any thread; no state of its own beyond the installed clock.
#pragma once

#include <cstdint>

// Suspends the calling thread for `ms` milliseconds, taken as an unsigned 32-bit
// count (so -1 waits about 49.7 days). Never returns early; 0 gives up the rest of
// the time slice.
void DelayMs(int32_t ms);

// A monotonic millisecond count with no fixed origin. Only differences mean
// anything: take them in 32-bit arithmetic (ElapsedMsSince) and they stay right
// across the wrap.
int32_t ElapsedMs();

// Milliseconds from `earlier` to `later`, correct across the 32-bit wrap.
inline int32_t ElapsedMsSince(int32_t earlier, int32_t later) {
  return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}
