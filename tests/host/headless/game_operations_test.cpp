// The game's own operations (keyboard, mouse, window, desktop, boxes) running on the
// headless host, paced like the game's main loop: a tick whenever more than 16 ms have
// passed, one event pumped with a 1 ms wait on every pass. Its own binary: the layers
// keep process-wide state that starts once.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/headless/headless_host.h"
#include "host/headless/recorded_window.h"
#include "input/input.h"
#include "platform/platform.h"
#include "platform/window.h"

namespace {

struct TickSeen {
  int32_t examined;    // KeyboardExamine
  int32_t wDown;       // KeyDown(W)
  int32_t spaceUp;     // KeyReleased(Space)
  int32_t mouseRead;   // MouseExamine
  int32_t dx;          // MouseDeltaX
  int32_t leftButton;  // MouseButton(1)
};

TEST(HeadlessGameOperations, TicksAnswerFromTheScriptAsOnTheRealHost) {
  HeadlessHost host;
  std::vector<ScriptError> errors = host.LoadInputScript(
      "20 key down W\n"
      "30 key down Space\n"
      "40 mouse move 12\n"
      "40 mouse down left\n"
      "45 mouse move -2 4\n"
      "60 focus lost\n"
      "62 key up Space       # released while another window is in front\n"
      "70 mouse move 50      # goes to the other window\n"
      "80 focus back\n"
      "90 mouse up left\n"
      "100 key up W\n"
      "120 close\n");
  ASSERT_TRUE(errors.empty());
  host.Install();

  ASSERT_NE(KeyboardInit(), 0);
  ASSERT_NE(ScreenInit(), 0);
  ASSERT_EQ(MouseInit(), 1);
  ASSERT_EQ(DesktopExamine(), 1);
  int32_t width = DesktopWidth(0), height = DesktopHeight(0);
  EXPECT_EQ(width, 1920);
  EXPECT_EQ(height, 1080);
  ASSERT_NE(WindowOpen(0, 0, 0, width, height, "Vorlent: The Quelmire", 0xC80001), 0);
  WindowSetColor(0, 0);
  ASSERT_EQ(ScreenOpenWindowed(WindowHandle(0), 0, 0, width, height, 1, 0, 0), 1);

  std::map<int32_t, TickSeen> ticks;                // by virtual ms
  std::vector<std::pair<int32_t, int32_t>> events;  // (ms, code)
  int32_t start = ElapsedMs(), last = start;
  while (ElapsedMsSince(start, ElapsedMs()) < 130) {
    int32_t now = ElapsedMs();
    if (ElapsedMsSince(last, now) > 16) {
      last = now;
      TickSeen seen{};
      seen.examined = KeyboardExamine();
      seen.mouseRead = MouseExamine();
      seen.wDown = KeyDown(kKeyW);
      seen.spaceUp = KeyReleased(kKeySpace);
      seen.dx = MouseDeltaX();
      seen.leftButton = MouseButton(1);
      ticks[ElapsedMsSince(start, now)] = seen;
    }
    if (int32_t code = WindowPollEvent(1); code != 0) {
      events.emplace_back(ElapsedMsSince(start, ElapsedMs()), code);
    }
  }

  ASSERT_EQ(ticks.size(), 7u);  // 17, 34, 51, 68, 85, 102, 119
  EXPECT_EQ(ticks[17].wDown, 0);
  EXPECT_EQ(ticks[34].wDown, 128);
  EXPECT_EQ(ticks[68].examined, 0);  // the window is not in front
  EXPECT_EQ(ticks[68].wDown, 0);
  EXPECT_EQ(ticks[85].wDown, 128);
  EXPECT_EQ(ticks[102].wDown, 0);

  // Space: seen down at 34 and 51; up while away; reported once on the return.
  EXPECT_EQ(ticks[68].spaceUp, 0);
  EXPECT_EQ(ticks[85].spaceUp, 1);
  EXPECT_EQ(ticks[102].spaceUp, 0);

  EXPECT_EQ(ticks[51].mouseRead, 1);
  EXPECT_EQ(ticks[51].dx, 10);
  EXPECT_EQ(ticks[51].leftButton, 1);
  EXPECT_EQ(ticks[68].mouseRead, 0);
  EXPECT_EQ(ticks[85].dx, 0);  // the move at 70 went elsewhere
  EXPECT_EQ(ticks[85].leftButton, 1);
  EXPECT_EQ(ticks[102].leftButton, 0);

  std::vector<std::pair<int32_t, int32_t>> expected{{0, kEventActivated},
                                                    {60, kEventDeactivated},
                                                    {80, kEventActivated},
                                                    {120, kEventCloseRequest}};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(WindowHandle(0), 1);  // a close request leaves the window open

  EXPECT_EQ(ErrorBox("Coords", "X: 75 Y: 75"), 1);
  std::vector<std::string> lines = host.trace().Lines();
  EXPECT_EQ(lines.back(),
            "{\"ms\":130,\"event\":\"box\",\"caption\":\"Coords\",\"text\":\"X: 75 Y: 75\"}");
  const RecordedWindow& window = host.windows().Windows().at(0);
  EXPECT_EQ(window.request.title, "Vorlent: The Quelmire");
  EXPECT_EQ(window.paint.background, 0);
  EXPECT_TRUE(window.paint.hasScreen);
  EXPECT_EQ(window.paint.screen.width, 1920);

  MouseShutdown();
  KeyboardShutdown();
  ScreenEnd();
  WindowsEnd();
  host.Uninstall();
}

}  // namespace
