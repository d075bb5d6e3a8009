// inject_keys: presses a key through XTest a number of times and stamps each press on
// CLOCK_MONOTONIC, the clock the recorder stamps its reads on.
//
//   inject_keys KEYSYM COUNT HOLD_MS GAP_MIN_MS GAP_MAX_MS STAMPS_OUT
//
// Each press: stamp, key down, XSync (the server has taken it), stamp again, hold HOLD_MS,
// key up, then wait a random time between GAP_MIN_MS and GAP_MAX_MS (so that presses do
// not lock to any period of the program under test). STAMPS_OUT gets one line per press,
// "before_ns after_ns": the key is measured from `before`, as a key's own stamp would be,
// and `after` shows how long the X server took to take it.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static int64_t MonotonicNs(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

static void SleepMs(long ms) {
  struct timespec span = {ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&span, &span) != 0) {
  }
}

int main(int argc, char** argv) {
  if (argc != 7) {
    fprintf(stderr, "usage: inject_keys KEYSYM COUNT HOLD_MS GAP_MIN_MS GAP_MAX_MS STAMPS_OUT\n");
    return 2;
  }
  const int count = atoi(argv[2]);
  const long holdMs = atol(argv[3]), gapMin = atol(argv[4]), gapMax = atol(argv[5]);
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "inject_keys: no X display\n");
    return 1;
  }
  int eventBase, errorBase, major, minor;
  if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
    fprintf(stderr, "inject_keys: the X server has no XTest\n");
    return 1;
  }
  const KeySym sym = XStringToKeysym(argv[1]);
  const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display, sym);
  if (code == 0) {
    fprintf(stderr, "inject_keys: no key for %s\n", argv[1]);
    return 1;
  }
  FILE* stamps = fopen(argv[6], "w");
  if (stamps == NULL) {
    fprintf(stderr, "inject_keys: cannot write %s\n", argv[6]);
    return 1;
  }
  srand((unsigned)MonotonicNs());
  for (int i = 0; i < count; ++i) {
    const int64_t before = MonotonicNs();
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XSync(display, False);
    fprintf(stamps, "%lld %lld\n", (long long)before, (long long)MonotonicNs());
    fflush(stamps);
    SleepMs(holdMs);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XSync(display, False);
    SleepMs(gapMin + (gapMax > gapMin ? rand() % (gapMax - gapMin + 1) : 0));
  }
  fclose(stamps);
  XCloseDisplay(display);
  return 0;
}
