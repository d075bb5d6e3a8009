#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "runtime/random.h"

namespace {

// Draws from two threads are serialised: together they take exactly the words of
// the single-threaded sequence, none repeated and none skipped.
TEST(RandomThreads, ConcurrentDrawsShareOneSequence) {
  constexpr int kPerThread = 20000;
  RandomSeed(2024);
  std::vector<int32_t> expected;
  for (int n = 0; n < 2 * kPerThread; ++n) expected.push_back(RandomNext(-1));

  RandomSeed(2024);
  std::vector<int32_t> first, second;
  auto drawInto = [](std::vector<int32_t>* out) {
    for (int n = 0; n < kPerThread; ++n) out->push_back(RandomNext(-1));
  };
  std::thread a(drawInto, &first), b(drawInto, &second);
  a.join();
  b.join();

  std::vector<int32_t> all = first;
  all.insert(all.end(), second.begin(), second.end());
  std::sort(all.begin(), all.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(all, expected);
}

}  // namespace
