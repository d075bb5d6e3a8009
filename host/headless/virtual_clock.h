// host/headless/virtual_clock.h - the clock and thread-start seams answered by a
// Scheduler: virtual milliseconds, and threads that run one at a time.
// Threads: NowMs from any thread; SleepMs and Start from scheduled threads only.
// Depends on: runtime (the seams), host/headless/scheduler.h.
#pragma once

#include <cstdint>

#include "host/headless/scheduler.h"
#include "runtime/clock_seam.h"
#include "runtime/thread_seam.h"

class VirtualClock final : public Clock {
 public:
  // `originMs` is what NowMs reads at virtual time 0: the clock has no fixed origin,
  // and a value near 2^32 lets a run cross the 32-bit wrap.
  VirtualClock(Scheduler& scheduler, uint32_t originMs)
      : scheduler_(scheduler), originMs_(originMs) {}
  uint32_t NowMs() override { return originMs_ + static_cast<uint32_t>(scheduler_.NowMs()); }
  void SleepMs(uint32_t ms) override { scheduler_.Sleep(ms); }

 private:
  Scheduler& scheduler_;
  uint32_t originMs_;
};

class ScheduledThreadStarter final : public ThreadStarter {
 public:
  explicit ScheduledThreadStarter(Scheduler& scheduler) : scheduler_(scheduler) {}
  bool Start(std::function<void()> body) override { return scheduler_.Start(std::move(body)); }

 private:
  Scheduler& scheduler_;
};
