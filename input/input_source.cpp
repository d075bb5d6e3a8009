#include "input/input_source.h"

#include "runtime/seam.h"

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

Seam<InputSource> installedSource;

}  // namespace

InputSource& NullInputSource() {
  static NoInput source;
  return source;
}

InputSource& CurrentInputSource() {
  return installedSource.Or(NullInputSource());
}

void InstallInputSource(InputSource* source) {
  installedSource.Install(source);
}
