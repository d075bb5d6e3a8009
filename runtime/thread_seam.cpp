#include "runtime/thread_seam.h"

#include <system_error>
#include <thread>

#include "runtime/seam.h"

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

Seam<ThreadStarter> installedStarter;

}  // namespace

ThreadStarter& SystemThreadStarter() {
  // Never destroyed, like the clock: threads may start while the process exits.
  static auto* starter = new DetachedThreadStarter;
  return *starter;
}

ThreadStarter& CurrentThreadStarter() {
  return installedStarter.Or(SystemThreadStarter());
}

void InstallThreadStarter(ThreadStarter* starter) {
  installedStarter.Install(starter);
}
