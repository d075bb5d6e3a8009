#include "runtime/clock_seam.h"

#include <chrono>
#include <thread>

#include "runtime/seam.h"

namespace {

// What a host installs; until then, the steady clock below (never destroyed, like every
// seam's default: a thread may still sleep or read the time while the process exits).
class SteadyClock;
Seam<Clock, SteadyClock> clockSeam;

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

}  // namespace

Clock& CurrentClock() {
  return clockSeam.Current();
}
void InstallClock(Clock* clock) {
  clockSeam.Install(clock);
}
