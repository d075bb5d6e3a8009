// An audio output with a thread of its own that pulls the engine the way a device thread
// does, buffer after buffer (without a device's pauses, so that it is nearly always inside
// a pull), and marks itself while it is inside one.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "audio/audio_output.h"

// True on the output's thread while the engine renders a buffer.
inline thread_local bool insideEnginePull = false;

class ThreadOutput final : public AudioOutput {
 public:
  static constexpr int32_t kRate = 48000;
  static constexpr int32_t kFrames = 512;

  ~ThreadOutput() override { Close(); }

  // The thread is detached, and Close waits for its last word instead of joining it: a
  // process that exits while Close waits (the engine tests end that way) would otherwise
  // hold a thread that has finished but was never joined, which the thread sanitizer
  // reports as a leak.
  bool Open(AudioSource& source) override {
    stopping_.store(false, std::memory_order_relaxed);
    finished_.store(false, std::memory_order_relaxed);
    std::thread([this, &source] {
      {
        std::vector<float> buffer(2 * kFrames);  // allocated outside the pulls
        while (!stopping_.load(std::memory_order_relaxed)) {
          insideEnginePull = true;
          source.Render(buffer.data(), kFrames, kRate);
          insideEnginePull = false;
          pulls_.fetch_add(1, std::memory_order_relaxed);
          std::this_thread::yield();
        }
      }
      finished_.store(true, std::memory_order_release);  // the last touch of this output
    }).detach();
    return true;
  }

  void Close() override {  // at once when never opened, or closed already
    stopping_.store(true, std::memory_order_relaxed);
    while (!finished_.load(std::memory_order_acquire)) std::this_thread::yield();
  }

  int64_t pulls() const { return pulls_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> stopping_{false};
  std::atomic<bool> finished_{true};  // no thread, or its last word said
  std::atomic<int64_t> pulls_{0};
};
