// The real program's window, screen, keyboard and event pump on a private X display.
#include <SDL2/SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "host/sdl/sdl_host.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "platform/desktop.h"
#include "platform/screen.h"
#include "platform/timing.h"
#include "platform/window.h"
#include "child_process.h"
#include "scoped_environment.h"
#include "speech_server.h"
#include "x_client.h"
#include "xvfb_display.h"

// The session bus library keeps one buffer past its own shutdown, and the speech
// client library one error text after a failed connection; neither is ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\nleak:libspeechd.so\n";
}

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr char kTitle[] = "Vorlent: The Quelmire";

XvfbDisplay* xvfb = nullptr;
PrivateSpeechServer* speechServer = nullptr;

// The boxes here are spoken too: to a private speech server that is never started, so
// that no test reaches (or autospawns) the machine's own and speaks aloud.
class XvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    speechServer = new PrivateSpeechServer;
    xvfb = new XvfbDisplay(kScreenWidth, kScreenHeight);
  }
  void TearDown() override {
    delete xvfb;
    xvfb = nullptr;
    delete speechServer;
    speechServer = nullptr;
  }
};
[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

// Runs the game's per-pass work (one event, one keyboard sample) until `done` holds or
// about `limitMs` have passed.
bool PumpUntil(const std::function<bool()>& done, int32_t limitMs = 3000) {
  int32_t start = ElapsedMs();
  while (ElapsedMsSince(start, ElapsedMs()) < limitMs) {
    WindowPollEvent(1);
    KeyboardExamine();
    if (done()) return true;
  }
  return false;
}

bool Xdotool(const std::string& arguments) {
  return std::system(("xdotool " + arguments).c_str()) == 0;
}

// The game's start-up steps for its window, then a client of our own looking at the
// result through the X server.
class GameWindow : public ::testing::Test {
 protected:
  std::unique_ptr<XClient> x;
  unsigned long xWindow = 0;

  void SetUp() override {
    ASSERT_TRUE(xvfb != nullptr && !xvfb->display().empty()) << (xvfb ? xvfb->error() : "");
    InstallSdlHost();
    ASSERT_NE(KeyboardInit(), 0);
    ASSERT_NE(ScreenInit(), 0);
    ASSERT_EQ(MouseInit(), 1);
    ASSERT_EQ(DesktopExamine(), 1);
    int32_t width = DesktopWidth(0), height = DesktopHeight(0);
    ASSERT_EQ(width, kScreenWidth);
    ASSERT_EQ(height, kScreenHeight);
    ASSERT_NE(WindowOpen(0, 0, 0, width, height, kTitle, 0xC80001), 0);
    x = std::make_unique<XClient>(xvfb->display());
    ASSERT_TRUE(x->connected());
    xWindow = x->WindowOf(static_cast<uint32_t>(WindowHandle(0)));
    ASSERT_NE(xWindow, 0u);
  }

  void TearDown() override {
    x.reset();
    KeyboardShutdown();
    MouseShutdown();
    ScreenEnd();
    WindowsEnd();
    UninstallSdlHost();
  }

  void OpenBlackScreen() {
    WindowSetColor(0, 0);
    ASSERT_EQ(ScreenOpenWindowed(WindowHandle(0), 0, 0, DesktopWidth(0), DesktopHeight(0), 1, 0, 0),
              1);
    for (int i = 0; i < 20; ++i) WindowPollEvent(1);
  }

  long NonBlackPixels() { return x->NonBlackPixels(xWindow, kScreenWidth, kScreenHeight); }
  bool Viewable() { return x->Viewable(xWindow); }
  void RequestClose() { x->RequestClose(xWindow); }
};

TEST_F(GameWindow, IsTitledDesktopSizedAtTheCornerAndBlack) {
  EXPECT_EQ(x->Title(xWindow), kTitle);
  int width = 0, height = 0, rootX = -1, rootY = -1;
  ASSERT_TRUE(x->Geometry(xWindow, width, height, rootX, rootY));
  EXPECT_EQ(width, kScreenWidth);
  EXPECT_EQ(height, kScreenHeight);
  EXPECT_EQ(rootX, 0);
  EXPECT_EQ(rootY, 0);

  EXPECT_GT(NonBlackPixels(), 0) << "no colour yet: the window shows its plain face";
  OpenBlackScreen();
  EXPECT_EQ(NonBlackPixels(), 0);
}

TEST_F(GameWindow, AKeyIsSeenHeldAndThenReleasedOnce) {
  OpenBlackScreen();
  ASSERT_TRUE(PumpUntil([] { return KeyboardExamine() == 1; }))
      << "the window has no keyboard focus";
  ASSERT_TRUE(Xdotool("keydown c"));
  ASSERT_TRUE(PumpUntil([] { return KeyDown(kKeyC) == 128; }));
  EXPECT_EQ(KeyDown(kAnyKey), 1);
  EXPECT_EQ(KeyReleased(kKeyC), 0);  // seen down
  ASSERT_TRUE(Xdotool("keyup c"));
  ASSERT_TRUE(PumpUntil([] { return KeyDown(kKeyC) == 0; }));
  EXPECT_EQ(KeyReleased(kKeyC), 1);
  EXPECT_EQ(KeyReleased(kKeyC), 0);

  ASSERT_TRUE(Xdotool("keydown Left"));
  EXPECT_TRUE(PumpUntil([] { return KeyDown(kKeyLeft) == 128; }))
      << "arrow keys are extended codes";
  ASSERT_TRUE(Xdotool("keyup Left"));
  EXPECT_TRUE(PumpUntil([] { return KeyDown(kAnyKey) == 0; }));
}

TEST_F(GameWindow, ACloseRequestIsReportedOnceAndTheWindowStays) {
  OpenBlackScreen();
  int32_t handle = WindowHandle(0);
  RequestClose();
  RequestClose();  // asked twice before the game looks
  // Let SDL read both requests off the X connection before the game takes any: on a
  // busy machine the second could otherwise arrive after the first was taken, and
  // then it rightly counts as a new request.
  for (int pump = 0; pump < 30; ++pump) {
    SDL_PumpEvents();
    SDL_Delay(10);
  }
  int closes = 0;
  int32_t start = ElapsedMs();
  int32_t firstClose = -1;
  while (ElapsedMsSince(start, ElapsedMs()) < 5000 &&
         (firstClose < 0 || ElapsedMsSince(firstClose, ElapsedMs()) < 500)) {
    if (WindowPollEvent(1) != kEventCloseRequest) continue;
    ++closes;
    if (firstClose < 0) firstClose = ElapsedMs();
  }
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(Viewable());
  EXPECT_EQ(WindowHandle(0), handle);

  RequestClose();  // once taken, a new request is reported again
  closes = 0;
  start = ElapsedMs();
  while (closes == 0 && ElapsedMsSince(start, ElapsedMs()) < 3000) {
    if (WindowPollEvent(1) == kEventCloseRequest) ++closes;
  }
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(Viewable());
}

TEST_F(GameWindow, FocusLostStopsTheKeysAndFreesThePointer) {
  OpenBlackScreen();
  ASSERT_TRUE(PumpUntil([] { return KeyboardExamine() == 1 && MouseExamine() == 1; }));
  EXPECT_EQ(SDL_GetRelativeMouseMode(), SDL_TRUE) << "hidden and confined while in front";
  x->Focus(0);
  ASSERT_TRUE(PumpUntil([] { return KeyboardExamine() == 0; }));
  EXPECT_EQ(MouseExamine(), 0);
  EXPECT_EQ(SDL_GetRelativeMouseMode(), SDL_FALSE);
  x->Focus(xWindow);
  EXPECT_TRUE(PumpUntil([] { return KeyboardExamine() == 1; }));
}

TEST_F(GameWindow, PointerMovementAndClicksReachTheMouse) {
  OpenBlackScreen();
  ASSERT_TRUE(PumpUntil([] { return MouseExamine() == 1; }));
  ASSERT_TRUE(Xdotool("mousemove_relative -- 40 0"));
  int32_t moved = 0;
  EXPECT_TRUE(PumpUntil([&moved] {
    if (MouseExamine() == 1) moved += MouseDeltaX();
    return moved >= 40;
  })) << moved;
  ASSERT_TRUE(Xdotool("mousedown 1"));
  EXPECT_TRUE(PumpUntil([] { return MouseExamine() == 1 && MouseButton(1) == 1; }));
  ASSERT_TRUE(Xdotool("mouseup 1"));
  EXPECT_TRUE(PumpUntil([] { return MouseExamine() == 1 && MouseButton(1) == 0; }));
}

TEST_F(GameWindow, AnErrorBoxWaitsForOkAndGivesThePointerBack) {
  OpenBlackScreen();
  ASSERT_TRUE(PumpUntil([] { return MouseExamine() == 1; }));
  ASSERT_EQ(SDL_GetRelativeMouseMode(), SDL_TRUE);
  pid_t player = DismissBoxFromOutside("Coords");
  ASSERT_GT(player, 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ErrorBox("Coords", "x 75, y 75"), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a real box, not the fallback";
  EXPECT_TRUE(ExitedCleanly(player)) << "the box never appeared";
  EXPECT_EQ(SDL_GetRelativeMouseMode(), SDL_TRUE) << "captured again after the box";
  EXPECT_TRUE(Viewable());
}

// Helper programs SDL may hand a box to. This one fails the way the real zenity does
// where it cannot open a display: a warning, exit status 1.
constexpr char kZenityWithoutDisplay[] =
    "echo \"(zenity:$$): Gtk-WARNING **: cannot open display: $DISPLAY\" >&2\nexit 1";
// This one shows the box and the player presses OK; it writes down what it was asked.
constexpr char kZenityPressingOk[] = "printf '%s\\n' \"$@\" > \"${0%/*}/asked\"\nexit 0";

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// With no display at all, whatever helper programs the machine has (none, or a zenity
// that fails yet lets SDL report success), the text goes to standard error, alone.
class NoDisplay : public ::testing::TestWithParam<const char*> {};

TEST_P(NoDisplay, StartUpChecksFailAndBoxesGoToStandardError) {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    GTEST_SKIP() << "this process is already connected to a display";
  }
  ScopedEnvironment restore({"DISPLAY", "WAYLAND_DISPLAY", "PATH"});
  ProgramFolder helpers;
  ASSERT_FALSE(helpers.path().empty());
  if (GetParam() != nullptr) {
    ASSERT_TRUE(helpers.AddScript("zenity", GetParam()));
  }
  setenv("PATH", helpers.path().c_str(), 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  InstallSdlHost();
  EXPECT_EQ(KeyboardInit(), 0);
  EXPECT_EQ(ScreenInit(), 0);
  EXPECT_EQ(DesktopExamine(), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ErrorBox("ERROR", "Error initializing Keyboard."), 1);
  // The Wayland client library may add its own complaint about the session; ours and
  // the helper's would be wrong: there was nothing to show a box on.
  std::string written = testing::internal::GetCapturedStderr();
  EXPECT_THAT(written, HasSubstr("ERROR: Error initializing Keyboard.\n"));
  EXPECT_THAT(written, Not(HasSubstr("zenity")));
  EXPECT_THAT(written, Not(HasSubstr("No message box")));
  UninstallSdlHost();
}

INSTANTIATE_TEST_SUITE_P(Helpers, NoDisplay, ::testing::Values(nullptr, kZenityWithoutDisplay),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return info.param == nullptr ? "NoZenity" : "ZenityFails";
                         });

// A display whose X server has only its built-in fonts, as a desktop without X core
// fonts: SDL's own X11 box cannot draw its text there.
TEST(FontlessDisplay, AFailedBoxSaysWhyAndAHelperProgramMayStillShowIt) {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    GTEST_SKIP() << "this process is already connected to a display";
  }
  ScopedEnvironment restore({"DISPLAY", "WAYLAND_DISPLAY", "PATH"});
  // Never stopped: SDL's video stays connected to it until the process ends.
  static XvfbDisplay* fontless = new XvfbDisplay(640, 480, {"-fp", "built-ins"});
  ASSERT_FALSE(fontless->display().empty()) << fontless->error();
  setenv("DISPLAY", fontless->display().c_str(), 1);
  ProgramFolder helpers;
  ASSERT_FALSE(helpers.path().empty());
  setenv("PATH", helpers.path().c_str(), 1);
  InstallSdlHost();
  ASSERT_NE(KeyboardInit(), 0) << "the display is there";

  testing::internal::CaptureStderr();
  EXPECT_EQ(ErrorBox("ERROR", "Error initializing Sound Library"), 1);
  std::string written = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(written.starts_with("No message box could be shown on the x11 display: ")) << written;
  EXPECT_TRUE(written.ends_with("\nERROR: Error initializing Sound Library\n")) << written;
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 2) << written;

  ASSERT_TRUE(helpers.AddScript("zenity", kZenityPressingOk));
  testing::internal::CaptureStderr();
  EXPECT_EQ(ErrorBox("ERROR", "Error initializing Sound Library"), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the helper's box was shown";
  EXPECT_NE(ReadFile(helpers.path() + "/asked").find("Error initializing Sound Library"),
            std::string::npos);
  KeyboardShutdown();
  UninstallSdlHost();
}

}  // namespace
