#include "runtime/clock_seam.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

class SteadyClock final : public Clock {
 public:
  uint32_t NowMs() override {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<uint32_t>(ms);
  }

  void SleepMs(uint32_t ms) override {
    if (ms == 0) {
      std::this_thread::yield();
      return;
    }
    // sleep_for never returns early on a steady clock, and Linux timers already
    // have sub-millisecond resolution, so nothing needs to be requested first.
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
};

// Read by every thread, written only at start-up: an atomic keeps that race-free.
std::atomic<Clock*> installedClock{nullptr};

}  // namespace

Clock& SystemClock() {
  static SteadyClock clock;
  return clock;
}

Clock& CurrentClock() {
  Clock* clock = installedClock.load(std::memory_order_acquire);
  return clock != nullptr ? *clock : SystemClock();
}

void InstallClock(Clock* clock) { installedClock.store(clock, std::memory_order_release); }
