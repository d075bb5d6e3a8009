// audio/voice_ring.h - a fixed-capacity queue of voice pointers from one producer to one
// consumer, without a lock: how voices travel between the game threads and the mixer.
// Threads: one thread at a time pushes and one at a time pops (several game threads may
// share a side when a lock keeps them in turn). Reserve runs before either side is in use.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

struct Voice;

class VoiceRing {
 public:
  // Room for at least `capacity` voices (rounded up to a power of two). Allocates: call
  // where allocation is allowed, while neither side is in use.
  void Reserve(uint32_t capacity) {
    uint32_t size = 1;
    while (size < capacity) size *= 2;
    slots_ = std::make_unique<Voice*[]>(size);
    mask_ = size - 1;
    head_.store(0, std::memory_order_relaxed);
    tail_.store(0, std::memory_order_relaxed);
  }

  // Producer: false, with nothing queued, when the ring is full.
  bool Push(Voice* voice) {
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) > mask_) return false;
    slots_[tail & mask_] = voice;
    tail_.store(tail + 1, std::memory_order_release);  // publishes the slot
    return true;
  }

  // Consumer: the oldest voice, or nullptr when the ring is empty.
  Voice* Pop() {
    const uint32_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return nullptr;
    Voice* voice = slots_[head & mask_];
    head_.store(head + 1, std::memory_order_release);  // the slot may be written again
    return voice;
  }

 private:
  std::unique_ptr<Voice*[]> slots_;
  uint32_t mask_ = 0;
  alignas(64) std::atomic<uint32_t> head_{0};  // next to pop; written by the consumer
  alignas(64) std::atomic<uint32_t> tail_{0};  // next to push; written by the producer
};
