#include "input/input_source.h"

#include <atomic>

namespace {

class NoInput final : public InputSource {
 public:
  bool OpenKeyboard() override { return false; }
  void CloseKeyboard() override {}
  bool HasFocus() override { return false; }
  bool ReadKeys(KeySnapshot&) override { return false; }
  bool OpenMouse() override { return false; }
  void CloseMouse() override {}
  void CaptureMouse(bool) override {}
  MouseReadResult ReadMouse(std::array<MouseEvent, kMouseBufferEvents>&, int32_t& count) override {
    count = 0;
    return MouseReadResult::kFailed;
  }
};

// Written at start-up or by a test, read by the main thread: atomic keeps it race-free.
std::atomic<InputSource*> installedSource{nullptr};

}  // namespace

InputSource& NullInputSource() {
  static NoInput source;
  return source;
}

InputSource& CurrentInputSource() {
  InputSource* source = installedSource.load(std::memory_order_acquire);
  return source != nullptr ? *source : NullInputSource();
}

void InstallInputSource(InputSource* source) {
  installedSource.store(source, std::memory_order_release);
}
