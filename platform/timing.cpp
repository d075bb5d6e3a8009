#include "platform/timing.h"

#include "runtime/clock_seam.h"

void DelayMs(int32_t ms) { CurrentClock().SleepMs(static_cast<uint32_t>(ms)); }

int32_t ElapsedMs() { return static_cast<int32_t>(CurrentClock().NowMs()); }
