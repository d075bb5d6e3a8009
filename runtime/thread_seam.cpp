#include "runtime/thread_seam.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace {

class DetachedThreadStarter final : public ThreadStarter {
 public:
  bool Start(std::function<void()> body) override {
    try {
      std::thread(std::move(body)).detach();
      return true;
    } catch (const std::system_error&) {
      return false;
    }
  }
};

std::atomic<ThreadStarter*> installedStarter{nullptr};

}  // namespace

ThreadStarter& SystemThreadStarter() {
  static DetachedThreadStarter starter;
  return starter;
}

ThreadStarter& CurrentThreadStarter() {
  ThreadStarter* starter = installedStarter.load(std::memory_order_acquire);
  return starter != nullptr ? *starter : SystemThreadStarter();
}

void InstallThreadStarter(ThreadStarter* starter) {
  installedStarter.store(starter, std::memory_order_release);
}
