// host/sdl/sdl_input_source.h - keys and mouse of the real program on SDL2: the
// keyboard state SDL keeps, mapped to the game's key codes, and relative mouse mode
// with the mouse events the event filter buffers (host/sdl/sdl_video.h).
// Threads: the main thread, as the seam requires.
#pragma once

#include "input/input_source.h"

class SdlInputSource final : public InputSource {
 public:
  bool OpenKeyboard() override;
  void CloseKeyboard() override;
  bool HasFocus() override;
  bool ReadKeys(KeySnapshot& keys) override;
  bool OpenMouse() override;
  void CloseMouse() override;
  void CaptureMouse(bool captured) override;
  MouseReadResult ReadMouse(std::array<MouseEvent, kMouseBufferEvents>& events,
                            int32_t& count) override;
};
