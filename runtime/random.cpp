#include "runtime/random.h"

#include <bit>
#include <functional>
#include <mutex>
#include <thread>

#include "runtime/clock_seam.h"

namespace {

constexpr int kWords = 17;
constexpr uint32_t kSeedMultiplier = 1403630843u;
constexpr int kWarmUpSteps = 31;

struct RandomState {
  uint32_t a[kWords] = {};
  uint32_t b[kWords] = {};
  int32_t i = 0;  // 0..16
  int32_t j = 0;  // 0..16
  bool seeded = false;
};

// Guards every field of `state`; taken once per draw or seeding, never nested.
std::mutex randomLock;
RandomState state;

uint32_t Step(RandomState& s) {
  uint32_t newA = std::rotl(s.b[s.i], 19) + s.b[s.j];
  uint32_t newB = std::rotl(s.a[s.i], 27) + s.a[s.j];
  s.a[s.i] = newA;
  s.b[s.i] = newB;
  s.i = s.i == 0 ? kWords - 1 : s.i - 1;
  s.j = s.j == 0 ? kWords - 1 : s.j - 1;
  return newA;
}

uint32_t SeedLocked(RandomState& s, uint32_t seed) {
  s.seeded = true;
  uint32_t x = seed;
  for (int k = 0; k < kWords; ++k) {
    s.b[k] = 1u - x * kSeedMultiplier;
    s.a[k] = 1u - s.b[k] * kSeedMultiplier;
    x = s.a[k];
  }
  s.i = 0;
  s.j = 10;
  uint32_t last = 0;
  for (int n = 0; n < kWarmUpSteps; ++n) last = Step(s);
  return last;
}

uint32_t ClockSeed() {
  // Any number that tells the calling thread apart will do, on every system.
  auto threadId = static_cast<uint32_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
  return threadId ^ CurrentClock().NowMs();
}

}  // namespace

int32_t RandomSeed(int32_t seed) {
  std::scoped_lock lock(randomLock);
  // A seed given before any draw still replaces the clock seed entirely, so the
  // clock seeding that would come first is skipped: its result is overwritten.
  return static_cast<int32_t>(SeedLocked(state, static_cast<uint32_t>(seed)));
}

int32_t RandomNext(int32_t max) {
  std::scoped_lock lock(randomLock);
  if (!state.seeded) SeedLocked(state, ClockSeed());
  uint32_t word = Step(state);
  uint32_t range = static_cast<uint32_t>(max) + 1u;
  if (range == 0) return static_cast<int32_t>(word);
  return static_cast<int32_t>((static_cast<uint64_t>(word) * range) >> 32);
}

RandomPositions RandomPeek() {
  std::scoped_lock lock(randomLock);
  return {state.i, state.j};
}
