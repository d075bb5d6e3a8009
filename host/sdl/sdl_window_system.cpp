#include "host/sdl/sdl_window_system.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <string_view>

#include "host/sdl/sdl_video.h"
#include "runtime/clock_seam.h"

namespace {

// The face of a window that was given no colour: a light grey.
inline constexpr int32_t kDefaultFace = 0x00F0F0F0;

uint32_t MapColour(const SDL_Surface* surface, int32_t colour) {
  auto channel = [colour](int shift) { return static_cast<uint8_t>((colour >> shift) & 0xFF); };
  return SDL_MapRGB(surface->format, channel(0), channel(8), channel(16));  // 0x00BBGGRR
}

bool TranslateWindowEvent(const SDL_WindowEvent& window, NativeEvent& event) {
  event.window = window.windowID;
  auto withSize = [&](NativeEventKind kind) {
    event.kind = kind;
    if (SDL_Window* native = SDL_GetWindowFromID(window.windowID)) {
      SDL_GetWindowSize(native, &event.width, &event.height);
    }
    return true;
  };
  switch (window.event) {
    case SDL_WINDOWEVENT_CLOSE:
      TheSdlShared().CloseTaken(window.windowID);
      event.kind = NativeEventKind::kCloseRequest;
      return true;
    case SDL_WINDOWEVENT_MOVED:
      event.kind = NativeEventKind::kMoved;
      return true;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      return withSize(NativeEventKind::kResized);
    case SDL_WINDOWEVENT_MINIMIZED:
      event.kind = NativeEventKind::kMinimized;
      return true;
    case SDL_WINDOWEVENT_MAXIMIZED:
      return withSize(NativeEventKind::kMaximized);
    case SDL_WINDOWEVENT_RESTORED:
      return withSize(NativeEventKind::kRestored);
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      event.kind = NativeEventKind::kActivated;
      return true;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      event.kind = NativeEventKind::kDeactivated;
      return true;
    case SDL_WINDOWEVENT_EXPOSED:
      event.kind = NativeEventKind::kExposed;
      return true;
    default:
      return false;
  }
}

bool Translate(const SDL_Event& sdl, NativeEvent& event) {
  event = NativeEvent{};
  if (sdl.type == SDL_WINDOWEVENT) return TranslateWindowEvent(sdl.window, event);
  if (sdl.type == SDL_MOUSEBUTTONUP || sdl.type == SDL_MOUSEBUTTONDOWN) {
    event.window = sdl.button.windowID;
    bool down = sdl.type == SDL_MOUSEBUTTONDOWN;
    if (down && sdl.button.button == SDL_BUTTON_LEFT && sdl.button.clicks == 2) {
      event.kind = NativeEventKind::kLeftDoubleClick;
    } else if (!down && sdl.button.button == SDL_BUTTON_LEFT) {
      event.kind = NativeEventKind::kLeftButtonUp;
    } else if (!down && sdl.button.button == SDL_BUTTON_RIGHT) {
      event.kind = NativeEventKind::kRightButtonUp;
    } else {
      return false;
    }
    return true;
  }
  return false;
}

// True when the video system runs on a window system a box can appear on. Video that
// never started is tried once more here, so a box before start-up still finds the
// display; the offscreen, dummy and console drivers have no window system. On Windows
// the box is the system's own message box.
bool WindowSystemConnected() {
  if (!SdlVideoRunning() && !StartSdlVideo()) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) return false;
  std::string_view name(driver);
  return name == "x11" || name == "wayland" || name == "windows";
}

}  // namespace

bool SdlWindowSystem::Start() {
  return StartSdlVideo();
}

void SdlWindowSystem::Stop() {
  StopSdlVideo();
  if (!SdlVideoRunning()) looks_.clear();  // SDL destroyed every window with the video system
}

int32_t SdlWindowSystem::DisplayModeCount() {
  if (!SdlVideoRunning() || SDL_GetNumVideoDisplays() < 1) return 0;
  int modes = SDL_GetNumDisplayModes(0);
  return modes > 0 ? modes : 0;
}

std::vector<DesktopRecord> SdlWindowSystem::Desktops() {
  std::vector<DesktopRecord> desktops;
  if (!SdlVideoRunning()) return desktops;
  int displays = SDL_GetNumVideoDisplays();  // SDL lists the primary display first
  for (int i = 0; i < displays; ++i) {
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(i, &bounds) != 0 || bounds.w < 1 || bounds.h < 1) continue;
    DesktopRecord record{bounds.x, bounds.y, bounds.w, bounds.h, 0, 0, ""};
    SDL_DisplayMode mode;
    if (SDL_GetCurrentDisplayMode(i, &mode) == 0) {
      record.refreshHz = mode.refresh_rate;
      record.depthBits = static_cast<int32_t>(SDL_BITSPERPIXEL(mode.format));
    }
    if (const char* name = SDL_GetDisplayName(i)) record.name = name;
    desktops.push_back(std::move(record));
  }
  return desktops;
}

uint32_t SdlWindowSystem::OpenWindow(const WindowRequest& request) {
  if (!SdlVideoRunning()) return 0;
  uint32_t flags = request.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  SDL_Window* window = SDL_CreateWindow(request.title.c_str(), request.x, request.y, request.width,
                                        request.height, flags);
  if (window == nullptr) return 0;
  uint32_t id = SDL_GetWindowID(window);
  looks_[id] = PaintRequest{};
  Redraw(id);
  if (request.visible && request.activate) {
    // Without a window manager nobody else would give it the keyboard.
    SDL_RaiseWindow(window);
    SDL_SetWindowInputFocus(window);
  }
  return id;
}

void SdlWindowSystem::CloseWindow(uint32_t window) {
  if (SDL_Window* native = SDL_GetWindowFromID(window)) SDL_DestroyWindow(native);
  looks_.erase(window);
  TheSdlShared().CloseTaken(window);
}

bool SdlWindowSystem::InnerSize(uint32_t window, int32_t& width, int32_t& height) {
  SDL_Window* native = SDL_GetWindowFromID(window);
  if (native == nullptr) return false;
  SDL_GetWindowSize(native, &width, &height);
  return true;
}

void SdlWindowSystem::Paint(uint32_t window, const PaintRequest& request) {
  auto look = looks_.find(window);
  if (look == looks_.end()) return;
  look->second = request;
  Redraw(window);
}

// Fills the whole inner area with the background, then the screen area with black.
// The window surface follows the window's size, so a resize only needs a redraw.
void SdlWindowSystem::Redraw(uint32_t window) {
  auto look = looks_.find(window);
  SDL_Window* native = SDL_GetWindowFromID(window);
  if (look == looks_.end() || native == nullptr) return;
  SDL_Surface* surface = SDL_GetWindowSurface(native);
  if (surface == nullptr) return;
  const PaintRequest& request = look->second;
  int32_t background = request.background == -1 ? kDefaultFace : request.background;
  SDL_FillRect(surface, nullptr, MapColour(surface, background));
  if (request.hasScreen && request.screen.width > 0 && request.screen.height > 0) {
    SDL_Rect area{request.screen.x, request.screen.y, request.screen.width, request.screen.height};
    SDL_FillRect(surface, &area, MapColour(surface, 0));
  }
  SDL_UpdateWindowSurface(native);
}

bool SdlWindowSystem::NextEvent(int32_t timeoutMs, NativeEvent& event) {
  if (!SdlVideoRunning()) {
    if (timeoutMs > 0) CurrentClock().SleepMs(static_cast<uint32_t>(timeoutMs));
    return false;
  }
  SDL_Event sdl;
  int got = timeoutMs < 0    ? SDL_WaitEvent(&sdl)
            : timeoutMs == 0 ? SDL_PollEvent(&sdl)
                             : SDL_WaitEventTimeout(&sdl, timeoutMs);
  // The filter lets through only what translates; anything else is skipped, not waited on.
  for (; got != 0; got = SDL_PollEvent(&sdl)) {
    if (!Translate(sdl, event)) continue;
    if (event.kind == NativeEventKind::kResized || event.kind == NativeEventKind::kExposed ||
        event.kind == NativeEventKind::kMaximized || event.kind == NativeEventKind::kRestored) {
      Redraw(event.window);
    }
    return true;
  }
  return false;
}

bool SdlWindowSystem::ShowMessageBox(uint32_t owner, const std::string& caption,
                                     const std::string& text) {
  // Without a window system SDL hands the box to a helper program that cannot open a
  // display either, and may still report success: the text would reach nobody.
  if (!WindowSystemConnected()) return false;
  SDL_Window* parent = owner != 0 ? SDL_GetWindowFromID(owner) : nullptr;
  // The box needs a pointer the player can move; give it back afterwards.
  bool relative = SDL_GetRelativeMouseMode() == SDL_TRUE;
  if (relative) SDL_SetRelativeMouseMode(SDL_FALSE);
  SDL_MessageBoxButtonData ok{
      SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "OK"};
  SDL_MessageBoxData box{0, parent, caption.c_str(), text.c_str(), 1, &ok, nullptr};
  int pressed = 0;
  bool shown = SDL_ShowMessageBox(&box, &pressed) == 0;
  // A display is there, so the player would expect a box: say why there is none.
  if (!shown) {
    std::fprintf(stderr, "No message box could be shown on the %s display: %s\n",
                 SDL_GetCurrentVideoDriver(), SDL_GetError());
  }
  if (relative) SDL_SetRelativeMouseMode(SDL_TRUE);
  return shown;
}
