// game/relaxed.h - a 32-bit game field that one thread writes and the other reads.
// Every load and store is a relaxed atomic: each read sees some whole value the writer
// stored, with no ordering promise beyond that, which is all the game asks of its
// shared fields (a reader may see an x of one step with the y of the next).
// Threads: one writer, any readers.
#pragma once

#include <atomic>

template <typename T>
class Relaxed {
  static_assert(sizeof(T) == 4, "shared game fields are single 32-bit values");

 public:
  constexpr Relaxed() = default;
  constexpr Relaxed(T value) : value_(value) {}  // NOLINT: reads like a plain field
  Relaxed(const Relaxed&) = delete;
  Relaxed& operator=(const Relaxed&) = delete;

  operator T() const { return value_.load(std::memory_order_relaxed); }  // NOLINT
  Relaxed& operator=(T value) {
    value_.store(value, std::memory_order_relaxed);
    return *this;
  }
  // Read, change and write back: only the field's one writer does this.
  Relaxed& operator+=(T step) { return *this = static_cast<T>(*this + step); }

 private:
  std::atomic<T> value_{};
};
