#include "x_client.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {
Display* AsDisplay(void* display) { return static_cast<Display*>(display); }
}  // namespace

XClient::XClient(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}

XClient::~XClient() {
  if (display_ != nullptr) XCloseDisplay(AsDisplay(display_));
}

unsigned long XClient::WindowOf(uint32_t sdlWindowId) {
  SDL_Window* window = SDL_GetWindowFromID(sdlWindowId);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    return 0;
  }
  return info.info.x11.window;
}

std::string XClient::Title(unsigned long window) {
  Display* x = AsDisplay(display_);
  Atom type;
  int format;
  unsigned long items, after;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(x, window, XInternAtom(x, "_NET_WM_NAME", False), 0, 256, False,
                         XInternAtom(x, "UTF8_STRING", False), &type, &format, &items, &after,
                         &data) == Success &&
      data != nullptr) {
    title.assign(reinterpret_cast<char*>(data), items);
    XFree(data);
  }
  return title;
}

bool XClient::Geometry(unsigned long window, int& width, int& height, int& rootX, int& rootY) {
  Display* x = AsDisplay(display_);
  XWindowAttributes attributes;
  if (XGetWindowAttributes(x, window, &attributes) == 0) return false;
  width = attributes.width;
  height = attributes.height;
  Window child;
  return XTranslateCoordinates(x, window, DefaultRootWindow(x), 0, 0, &rootX, &rootY, &child) != 0;
}

bool XClient::Viewable(unsigned long window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(AsDisplay(display_), window, &attributes) != 0 &&
         attributes.map_state == IsViewable;
}

long XClient::NonBlackPixels(unsigned long window, int width, int height) {
  Display* x = AsDisplay(display_);
  XSync(x, False);
  XImage* image = XGetImage(x, window, 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (image == nullptr) return -1;
  long count = 0;
  for (int py = 0; py < height; ++py) {
    for (int px = 0; px < width; ++px) count += (XGetPixel(image, px, py) & 0xFFFFFF) != 0;
  }
  XDestroyImage(image);
  return count;
}

void XClient::RequestClose(unsigned long window) {
  Display* x = AsDisplay(display_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(x, window, False, NoEventMask, &event);
  XFlush(x);
}

void XClient::Focus(unsigned long window) {
  Display* x = AsDisplay(display_);
  XSetInputFocus(x, window != 0 ? window : DefaultRootWindow(x), RevertToPointerRoot, CurrentTime);
  XFlush(x);
}
