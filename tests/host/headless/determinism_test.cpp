#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "host/headless/headless_host.h"
#include "platform/timing.h"
#include "runtime/random.h"
#include "runtime/threads.h"

namespace {

constexpr int32_t kRunMs = 3'600'000;  // one hour of virtual time

// Each thread sleeps through its own cycle of delays (ms) and draws after every wake-up.
constexpr int32_t kMainDelays[] = {16, 1, 33, 7, 16, 250};
constexpr int32_t kOtherDelays[] = {16, 16, 100, 3, 0, 41};

// Written only by the thread holding the baton.
std::string runLog;
int32_t runStart = 0;

void Append(char who) {
  runLog += who;
  runLog += std::to_string(ElapsedMsSince(runStart, ElapsedMs()));
  runLog += ':';
  runLog += std::to_string(RandomNext(999));
  runLog += ' ';
}

template <size_t N>
void DrawUntilTheHourIsOver(char who, const int32_t (&delays)[N]) {
  for (size_t n = 0; ElapsedMsSince(runStart, ElapsedMs()) < kRunMs; ++n) {
    DelayMs(delays[n % N]);
    Append(who);
  }
}

int32_t OtherThread(int32_t) {
  DrawUntilTheHourIsOver('o', kOtherDelays);
  return 0;
}

std::string RunOnce(uint64_t* virtualMs) {
  runLog.clear();
  *virtualMs = RunHeadless({}, [] {
    RandomSeed(77);
    runStart = ElapsedMs();
    ThreadCreate(OtherThread, 0);
    DrawUntilTheHourIsOver('m', kMainDelays);
    DelayMs(kRunMs);  // lets the other thread finish its last cycle
  });
  return runLog;
}

template <size_t N>
size_t WakeUpsWithin(const int32_t (&delays)[N]) {
  size_t count = 0;
  for (int64_t t = 0; t < kRunMs; ++count) t += delays[count % N];
  return count;
}

TEST(Determinism, AnHourOfTwoThreadsGivesTheSameLogTwice) {
  uint64_t firstMs = 0, secondMs = 0;
  std::string first = RunOnce(&firstMs);
  std::string second = RunOnce(&secondMs);

  EXPECT_GE(firstMs, static_cast<uint64_t>(kRunMs));
  EXPECT_EQ(firstMs, secondMs);
  size_t entries = 0;
  for (char c : first) entries += c == ' ';
  EXPECT_EQ(entries, WakeUpsWithin(kMainDelays) + WakeUpsWithin(kOtherDelays));
  EXPECT_TRUE(first == second) << "the two runs differ";
}

}  // namespace
