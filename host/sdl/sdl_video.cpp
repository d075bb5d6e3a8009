#include "host/sdl/sdl_video.h"

#include <SDL2/SDL.h>

namespace {

// Mouse buttons as the game numbers them: 1 left, 2 right, 3 middle; others follow.
int32_t GameButton(uint8_t sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT:
      return 1;
    case SDL_BUTTON_RIGHT:
      return 2;
    case SDL_BUTTON_MIDDLE:
      return 3;
    default:
      return sdlButton;
  }
}

bool KeepWindowEvent(SdlShared& shared, const SDL_WindowEvent& event) {
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE: {
      std::scoped_lock lock(shared.closeLock);
      return shared.closePending.insert(event.windowID).second;
    }
    case SDL_WINDOWEVENT_MOVED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_EXPOSED:
      return true;
    default:
      return false;
  }
}

// Returns 1 to queue the event, 0 to drop it.
int Filter(void* userdata, SDL_Event* event) {
  auto& shared = *static_cast<SdlShared*>(userdata);
  bool captured = shared.mouseCaptured.load(std::memory_order_relaxed);
  switch (event->type) {
    case SDL_WINDOWEVENT:
      return KeepWindowEvent(shared, event->window) ? 1 : 0;
    case SDL_MOUSEMOTION:
      if (captured && event->motion.which != SDL_TOUCH_MOUSEID) {
        shared.mouse.PushMovement(event->motion.xrel, event->motion.yrel);
      }
      return 0;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const SDL_MouseButtonEvent& button = event->button;
      bool down = event->type == SDL_MOUSEBUTTONDOWN;
      if (captured && button.which != SDL_TOUCH_MOUSEID) {
        shared.mouse.Push({MouseEvent::Kind::kButton, down ? 1 : 0, GameButton(button.button)});
      }
      bool leftUp = !down && button.button == SDL_BUTTON_LEFT;
      bool rightUp = !down && button.button == SDL_BUTTON_RIGHT;
      bool leftDouble = down && button.button == SDL_BUTTON_LEFT && button.clicks == 2;
      return leftUp || rightUp || leftDouble ? 1 : 0;
    }
    case SDL_MOUSEWHEEL:
      if (captured && event->wheel.which != SDL_TOUCH_MOUSEID) {
        shared.mouse.Push({MouseEvent::Kind::kWheel, event->wheel.y, 0});
      }
      return 0;
    default:
      return 0;
  }
}

}  // namespace

SdlShared& TheSdlShared() {
  static SdlShared* shared = new SdlShared;  // never destroyed: the filter may outlive statics
  return *shared;
}

bool StartSdlVideo() {
  // Ctrl+C and SIGTERM end the program as usual rather than becoming a quit event
  // that nobody reads; closing the last window is a request, never a quit.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // The windows only ever show solid colour: paint them in plain memory handed to the
  // window system, without bringing up a 3D driver and its threads for it.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Only drivers that reach a real display: SDL would otherwise fall back to its
  // offscreen driver and "succeed" with no screen and no keyboard at all. Setting
  // SDL_VIDEODRIVER in the environment still chooses any driver on purpose. A build has
  // only the drivers of its system: Windows' own on Windows, the rest on Linux.
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "windows,x11,wayland,KMSDRM", SDL_HINT_DEFAULT);
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return true;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  SDL_SetEventFilter(&Filter, &TheSdlShared());
  SDL_StopTextInput();  // keys are read as state; no text entry, no input method
  return true;
}

void StopSdlVideo() {
  // SDL's video system, once up, stays up until the process ends (which the game's end
  // sequence does right after its end steps): taking it down unloads the X libraries
  // and closes the bus connection, and both leak in their own teardown.
}

bool SdlVideoRunning() {
  return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}
