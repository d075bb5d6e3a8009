// runtime/seam.h - how a layer holds what a host installs behind one of its seams (clock,
// thread start, window system, speech, input source, audio output; the game's observer
// and exit), and the default that answers while nothing is installed.
// Threads: installed at start-up or by a test, while nothing reads it; read by any
// thread. The atomic keeps that race-free by the language's rules.
#pragma once

#include <atomic>

// `Default` is what Current() answers while nothing is installed: made on first use and
// never destroyed, since a thread may still use it while the process ends. Left out, it
// is the interface itself (the game's observer, whose every notice does nothing); a seam
// with no default at all (the audio output, the game's exit) asks Installed().
template <typename Interface, typename Default = Interface>
class Seam {
 public:
  // The installed implementation, or nullptr while none is.
  Interface* Installed() const { return installed_.load(std::memory_order_acquire); }

  // The installed implementation, or the default while none is.
  Interface& Current() const {
    Interface* installed = Installed();
    return installed != nullptr ? *installed : Fallback();
  }

  // nullptr goes back to the default.
  void Install(Interface* implementation) {
    installed_.store(implementation, std::memory_order_release);
  }

 private:
  static Interface& Fallback() {
    static Interface* fallback = new Default;
    return *fallback;
  }

  std::atomic<Interface*> installed_{nullptr};
};
