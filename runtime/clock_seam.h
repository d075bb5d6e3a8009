// runtime/clock_seam.h - the one clock every layer reads, behind a seam so that a
// host can substitute virtual time.
// Threads: any thread. The installed clock must itself be safe to call from any
// thread; installing happens once at start-up, before other threads run.
#pragma once

#include <cstdint>

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds on a monotonic count with no fixed origin; wraps at 2^32.
  virtual uint32_t NowMs() = 0;
  // Suspends the calling thread for at least `ms` milliseconds; 0 yields.
  virtual void SleepMs(uint32_t ms) = 0;
};

// The clock in force. Never null: until a host installs one, the steady system clock
// and real sleeps.
Clock& CurrentClock();

// Installs `clock` (nullptr restores the system clock). Call at start-up or in a test,
// while no other thread reads the clock.
void InstallClock(Clock* clock);
