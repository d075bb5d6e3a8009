#include "platform/window_system.h"

#include "runtime/clock_seam.h"
#include "runtime/seam.h"

namespace {

// What a host installs; until then, the null window system below.
class NoDisplay;
Seam<WindowSystem, NoDisplay> systemSeam;

class NoDisplay final : public WindowSystem {
 public:
  bool Start() override { return false; }
  void Stop() override {}
  int32_t DisplayModeCount() override { return 0; }
  std::vector<DesktopRecord> Desktops() override { return {}; }
  uint32_t OpenWindow(const WindowRequest&) override { return 0; }
  void CloseWindow(uint32_t) override {}
  bool InnerSize(uint32_t, int32_t&, int32_t&) override { return false; }
  void Paint(uint32_t, const PaintRequest&) override {}
  bool NextEvent(int32_t timeoutMs, NativeEvent&) override {
    // Nothing will ever arrive: a bounded wait still takes its time, so that a loop
    // pacing itself on the pump does not spin; an endless wait returns at once.
    if (timeoutMs > 0) CurrentClock().SleepMs(static_cast<uint32_t>(timeoutMs));
    return false;
  }
  bool ShowMessageBox(uint32_t, const std::string&, const std::string&) override { return false; }
};

}  // namespace

WindowSystem& CurrentWindowSystem() {
  return systemSeam.Current();
}
void InstallWindowSystem(WindowSystem* system) {
  systemSeam.Install(system);
}
