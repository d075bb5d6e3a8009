// runtime/seam.h - how a layer holds the implementation that a host installs behind
// one of its seams (clock, thread start, window system, input source, audio output).
// Threads: installed at start-up or by a test, while nothing reads it; read by any
// thread. The atomic keeps that race-free by the language's rules.
#pragma once

#include <atomic>

template <typename Interface>
class Seam {
 public:
  // The installed implementation, or `fallback` while none is.
  Interface& Or(Interface& fallback) const {
    Interface* installed = installed_.load(std::memory_order_acquire);
    return installed != nullptr ? *installed : fallback;
  }

  // nullptr goes back to the fallback.
  void Install(Interface* implementation) {
    installed_.store(implementation, std::memory_order_release);
  }

 private:
  std::atomic<Interface*> installed_{nullptr};
};
