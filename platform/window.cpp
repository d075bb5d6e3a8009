#include "platform/window.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/speech.h"
#include "platform/spoken_text.h"

namespace {

inline constexpr int32_t kWindowGrowStep = 16;

// Where a centred window of inner size width x height lands on the primary display:
// a window larger than the display lands at its top-left corner.
void Centre(int32_t width, int32_t height, int32_t& x, int32_t& y) {
  std::vector<DesktopRecord> desktops = CurrentWindowSystem().Desktops();
  if (desktops.empty()) return;
  const DesktopRecord& primary = desktops.front();
  x = primary.x + (primary.width - std::min(width, primary.width)) / 2;
  y = primary.y + (primary.height - std::min(height, primary.height)) / 2;
}

}  // namespace

WindowLayer::WindowLayer() : windows_(kWindowGrowStep, [this](int32_t number) { Close(number); }) {}

WindowLayer::~WindowLayer() {
  CloseAll();
}

int32_t WindowLayer::Open(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                          const std::string& title, int32_t flags) {
  int32_t assigned = 0;
  WindowObject* window = windows_.ObjectAllocate(number, assigned);  // closes an old one
  if (window == nullptr) return 0;
  if (width < 1 || height < 1) {
    windows_.ObjectFree(assigned);
    return 0;
  }
  WindowRequest request;
  request.x = x;
  request.y = y;
  if ((flags & (kWindowCentre | kWindowCentreOnParent)) != 0) {
    Centre(width, height, request.x, request.y);
  }
  request.width = width;
  request.height = height;
  request.title = title;
  request.visible = (flags & kWindowInvisible) == 0;
  request.activate = (flags & kWindowNoActivate) == 0;
  uint32_t handle = CurrentWindowSystem().OpenWindow(request);
  if (handle == 0) {
    windows_.ObjectFree(assigned);
    return 0;
  }
  window->handle = handle;
  return number == kNewObject ? assigned : static_cast<int32_t>(handle);
}

int32_t WindowLayer::SetColor(int32_t number, int32_t color) {
  WindowObject* window = windows_.ObjectGet(number);
  if (window == nullptr) return 0;
  if (window->color != color) {
    window->color = color;
    Repaint(number);
  }
  return 1;
}

int32_t WindowLayer::Handle(int32_t number) const {
  const WindowObject* window = windows_.ObjectGet(number);
  return window != nullptr ? static_cast<int32_t>(window->handle) : 0;
}

int32_t WindowLayer::NumberOf(uint32_t handle) const {
  if (handle == 0) return -1;
  for (int32_t number : windows_.LiveNumbers()) {
    if (windows_.ObjectGet(number)->handle == handle) return number;
  }
  return -1;
}

void WindowLayer::SetScreenArea(int32_t number, bool hasScreen, int32_t x, int32_t y, int32_t width,
                                int32_t height) {
  WindowObject* window = windows_.ObjectGet(number);
  if (window == nullptr) return;
  window->hasScreen = hasScreen;
  window->screenX = x;
  window->screenY = y;
  window->screenWidth = width;
  window->screenHeight = height;
  Repaint(number);
}

void WindowLayer::Repaint(int32_t number) {
  const WindowObject* window = windows_.ObjectGet(number);
  PaintRequest request;
  request.background = window->color;
  request.hasScreen = window->hasScreen;
  request.screen = {window->screenX, window->screenY, window->screenWidth, window->screenHeight};
  CurrentWindowSystem().Paint(window->handle, request);
}

void WindowLayer::Close(int32_t number) {
  WindowObject* window = windows_.ObjectGet(number);
  if (window == nullptr) return;
  if (closeListener_) closeListener_(number);
  CurrentWindowSystem().CloseWindow(window->handle);
  // Its untaken events would name a number that is about to mean another window.
  std::erase_if(queue_, [number](const RuntimeEvent& event) { return event.window == number; });
  windows_.ObjectFree(number);
}

void WindowLayer::CloseAll() {
  windows_.ObjectFreeAll();
}

// An event equal to the last one still waiting is not queued twice, so a window that
// is asked to close again and again before the game looks holds one close request.
void WindowLayer::Queue(int32_t code, int32_t window) {
  if (!queue_.empty() && queue_.back().code == code && queue_.back().window == window) return;
  queue_.push_back({code, window});
}

int32_t WindowLayer::PollEvent(int32_t timeoutMs) {
  if (queue_.empty()) {
    NativeEvent event;
    if (!CurrentWindowSystem().NextEvent(timeoutMs, event)) return 0;
    Dispatch(event);
    if (queue_.empty()) return 0;
  }
  int32_t code = queue_.front().code;
  queue_.pop_front();
  return code;
}

// The window procedure: turns one native notice into runtime events.
void WindowLayer::Dispatch(const NativeEvent& event) {
  int32_t number = NumberOf(event.window);
  if (number < 0) return;  // a window already closed
  WindowObject* window = windows_.ObjectGet(number);
  auto resized = [&] {
    Queue(kEventResized, number);
    if (resizeListener_) resizeListener_(number, event.width, event.height);
  };
  switch (event.kind) {
    case NativeEventKind::kCloseRequest:
      Queue(kEventCloseRequest, number);
      break;
    case NativeEventKind::kMoved:
      Queue(kEventMoved, number);
      break;
    case NativeEventKind::kMinimized:
      window->sizeState = true;
      Queue(kEventMinimized, number);
      break;
    case NativeEventKind::kMaximized:
      window->sizeState = true;
      Queue(kEventMaximized, number);
      resized();
      break;
    case NativeEventKind::kResized:
    case NativeEventKind::kRestored:
      if (window->sizeState) {
        window->sizeState = false;
        Queue(kEventRestored, number);
      }
      resized();
      break;
    case NativeEventKind::kActivated:
      Queue(kEventActivated, number);
      break;
    case NativeEventKind::kDeactivated:
      Queue(kEventDeactivated, number);
      break;
    case NativeEventKind::kExposed:
      Queue(kEventErased, number);
      break;
    case NativeEventKind::kLeftButtonUp:
      Queue(kEventLeftButtonUp, number);
      break;
    case NativeEventKind::kLeftDoubleClick:
      Queue(kEventLeftDoubleClick, number);
      break;
    case NativeEventKind::kRightButtonUp:
      Queue(kEventRightButtonUp, number);
      break;
  }
}

int32_t WindowLayer::ErrorBox(const std::string& caption, const std::string& text) {
  // A player who cannot see the box hears it, also when there is no display to show it
  // on (a start-up error), whatever the host; the box itself keeps its exact text.
  std::string spoken = SpokenBoxText(caption, text);
  if (!spoken.empty()) CurrentSpeech().Say(spoken);
  std::vector<int32_t> open = windows_.LiveNumbers();
  uint32_t owner = open.empty() ? 0 : windows_.ObjectGet(open.front())->handle;
  if (!CurrentWindowSystem().ShowMessageBox(owner, caption, text)) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
  }
  return 1;  // the box's only button
}

WindowLayer& Windows() {
  // Never destroyed: the host's window system may be gone by the time statics die.
  static WindowLayer* layer = new WindowLayer;
  return *layer;
}

int32_t WindowOpen(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                   const std::string& title, int32_t flags) {
  return Windows().Open(number, x, y, width, height, title, flags);
}
int32_t WindowSetColor(int32_t number, int32_t color) {
  return Windows().SetColor(number, color);
}
int32_t WindowHandle(int32_t number) {
  return Windows().Handle(number);
}
int32_t WindowPollEvent(int32_t timeoutMs) {
  return Windows().PollEvent(timeoutMs);
}
int32_t ErrorBox(const std::string& caption, const std::string& text) {
  return Windows().ErrorBox(caption, text);
}
void WindowsEnd() {
  Windows().CloseAll();
}
