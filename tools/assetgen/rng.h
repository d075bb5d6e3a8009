// tools/assetgen/rng.h - the generator's own pseudo-random numbers (SplitMix64).
// Every sound seeds its own Rng with a fixed number, so a sound's bytes depend only on
// its recipe, never on the order in which sounds are made or on the process.
// Threads: a plain value.
#pragma once

#include <cstdint>

namespace assetgen {

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}

  uint64_t NextBits() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 <= value < 1, 53 random bits.
  double Uniform() { return static_cast<double>(NextBits() >> 11) * (1.0 / 9007199254740992.0); }
  // -1 <= value < 1.
  double Bipolar() { return 2.0 * Uniform() - 1.0; }
  double Range(double low, double high) { return low + (high - low) * Uniform(); }
  // 0 .. count - 1, count >= 1.
  int Below(int count) { return static_cast<int>(Uniform() * count); }

 private:
  uint64_t state_;
};

}  // namespace assetgen
