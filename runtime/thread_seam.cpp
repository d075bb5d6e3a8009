#include "runtime/thread_seam.h"

#include <system_error>
#include <thread>

#include "runtime/seam.h"

namespace {

// What a host installs; until then, detached threads (below).
class DetachedThreadStarter;
Seam<ThreadStarter, DetachedThreadStarter> starterSeam;

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

}  // namespace

ThreadStarter& CurrentThreadStarter() {
  return starterSeam.Current();
}
void InstallThreadStarter(ThreadStarter* starter) {
  starterSeam.Install(starter);
}
