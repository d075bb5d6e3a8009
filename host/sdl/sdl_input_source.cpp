#include "host/sdl/sdl_input_source.h"

#include <SDL2/SDL.h>

#include "host/sdl/scancode_map.h"
#include "host/sdl/sdl_video.h"

bool SdlInputSource::OpenKeyboard() { return StartSdlVideo(); }

void SdlInputSource::CloseKeyboard() { StopSdlVideo(); }

bool SdlInputSource::HasFocus() {
  return SdlVideoRunning() && SDL_GetKeyboardFocus() != nullptr;
}

bool SdlInputSource::ReadKeys(KeySnapshot& keys) {
  if (!SdlVideoRunning()) return false;
  SDL_PumpEvents();
  // SDL forgets every held key when its windows lose the keyboard focus, and keeps
  // the state only for its own windows: no focus, nothing to read.
  if (SDL_GetKeyboardFocus() == nullptr) return false;
  int count = 0;
  const uint8_t* state = SDL_GetKeyboardState(&count);
  keys = {};
  for (int scancode = 0; scancode < count; ++scancode) {
    if (state[scancode] == 0) continue;
    int32_t code = KeyCodeOf(static_cast<SDL_Scancode>(scancode));
    if (code != 0) keys[static_cast<size_t>(code)] = 0x80;
  }
  return true;
}

// X11 and Wayland always have a pointer once a display is connected.
bool SdlInputSource::OpenMouse() { return StartSdlVideo(); }

void SdlInputSource::CloseMouse() {
  CaptureMouse(false);
  StopSdlVideo();
}

void SdlInputSource::CaptureMouse(bool captured) {
  SdlShared& shared = TheSdlShared();
  if (shared.mouseCaptured.load(std::memory_order_relaxed) == captured) return;
  shared.mouse.Clear();  // nothing from before the capture counts, nothing after the release
  shared.mouseCaptured.store(captured, std::memory_order_relaxed);
  if (SdlVideoRunning()) SDL_SetRelativeMouseMode(captured ? SDL_TRUE : SDL_FALSE);
}

MouseReadResult SdlInputSource::ReadMouse(std::array<MouseEvent, kMouseBufferEvents>& events,
                                          int32_t& count) {
  count = 0;
  SdlShared& shared = TheSdlShared();
  if (!SdlVideoRunning() || !shared.mouseCaptured.load(std::memory_order_relaxed)) {
    return MouseReadResult::kFailed;
  }
  SDL_PumpEvents();
  return shared.mouse.Take(events, count);
}
