#include "input/input_source.h"

#include "runtime/seam.h"

namespace {

// What a host installs; until then, the null input source below.
class NoInput;
Seam<InputSource, NoInput> sourceSeam;

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

}  // namespace

InputSource& CurrentInputSource() {
  return sourceSeam.Current();
}
void InstallInputSource(InputSource* source) {
  sourceSeam.Install(source);
}
