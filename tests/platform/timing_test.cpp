#include <gtest/gtest.h>

#include <atomic>

#include "platform/timing.h"
#include "runtime/clock_seam.h"

namespace {

// A clock that only moves when told to, starting just below the 32-bit wrap.
class FakeClock final : public Clock {
 public:
  std::atomic<uint32_t> now{0xFFFFFFE8u};
  std::atomic<uint32_t> lastSleep{0};
  uint32_t NowMs() override { return now.load(); }
  void SleepMs(uint32_t ms) override {
    lastSleep = ms;
    now.fetch_add(ms);
  }
};

class InstalledFakeClock : public ::testing::Test {
 protected:
  FakeClock clock;
  void SetUp() override { InstallClock(&clock); }
  void TearDown() override { InstallClock(nullptr); }
};

TEST_F(InstalledFakeClock, DifferencesStayRightAcrossTheWrap) {
  int32_t before = ElapsedMs();
  DelayMs(16);
  int32_t after = ElapsedMs();
  EXPECT_EQ(ElapsedMsSince(before, after), 16);
  EXPECT_LT(after, 0) << "not yet wrapped";
  DelayMs(16);
  int32_t wrapped = ElapsedMs();
  EXPECT_GE(wrapped, 0);
  EXPECT_EQ(ElapsedMsSince(before, wrapped), 32);
  EXPECT_EQ(ElapsedMsSince(after, wrapped), 16);
}

TEST_F(InstalledFakeClock, NegativeDelaysAreLargeUnsignedCounts) {
  DelayMs(-1);
  EXPECT_EQ(clock.lastSleep.load(), 0xFFFFFFFFu);
  DelayMs(0);
  EXPECT_EQ(clock.lastSleep.load(), 0u);
}

TEST(RealClock, DelayNeverReturnsEarly) {
  for (int32_t ms : {1, 5, 16}) {
    int32_t before = ElapsedMs();
    DelayMs(ms);
    EXPECT_GE(ElapsedMsSince(before, ElapsedMs()), ms);
  }
  int32_t before = ElapsedMs();
  DelayMs(0);
  EXPECT_GE(ElapsedMsSince(before, ElapsedMs()), 0);
}

}  // namespace
