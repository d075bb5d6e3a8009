// The boxes' speech on the real host, heard by a real speech server of the test's own,
// with the boxes shown on a private X display and dismissed from outside as a player
// would. Without a server the boxes appear as before and the game goes on.
#include <SDL2/SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "faulty_speech_server.h"
#include "host/sdl/sdl_host.h"
#include "host/sdl/speechd_speech.h"
#include "input/keyboard.h"
#include "platform/speech.h"
#include "platform/window.h"
#include "runtime/number_text.h"
#include "scoped_environment.h"
#include "speech_server.h"
#include "xvfb_display.h"

// The session bus library keeps one buffer past its own shutdown, and the speech
// client library one error text after a failed connection; neither is ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\nleak:libspeechd.so\n";
}

namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;
using ::testing::Not;

XvfbDisplay* xvfb = nullptr;

class XvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { xvfb = new XvfbDisplay(800, 600); }
  void TearDown() override {
    delete xvfb;
    xvfb = nullptr;
  }
};
[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

// What the client library sends for one text at the interrupting priority, after the
// client's own earlier speech is cancelled.
std::vector<std::string> Spoken(const std::string& text) {
  return {"CANCEL SELF", "SET SELF PRIORITY IMPORTANT", "speak", text, "."};
}

// The SDL host on the private display, with a speech of the test's own in place of the
// host's (one per process, never destroyed).
class SpokenBoxes : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(xvfb != nullptr && !xvfb->display().empty()) << (xvfb ? xvfb->error() : "");
    ASSERT_TRUE(server.error().empty()) << server.error();
    InstallSdlHost();
    InstallSpeech(&speech);
    ASSERT_NE(KeyboardInit(), 0) << "the video system starts on the display";
  }
  void TearDown() override {
    speech.Close();
    KeyboardShutdown();
    WindowsEnd();
    UninstallSdlHost();
  }

  // Shows a "Coords" box with `text`, dismissed from outside; true when it appeared,
  // returned OK and wrote nothing to standard error.
  bool ShowCoordinatesBox(const std::string& text) {
    pid_t player = DismissBoxFromOutside("Coords");
    testing::internal::CaptureStderr();
    bool ok = ErrorBox("Coords", text) == 1;
    std::string written = testing::internal::GetCapturedStderr();
    EXPECT_EQ(written, "") << "a real box, and no complaint about speech";
    return ExitedCleanly(player) && ok && written.empty();
  }

  PrivateSpeechServer server;
  SpeechdSpeech speech;
};

TEST_F(SpokenBoxes, TheCoordinatesAreHeardRoundedAtTheInterruptingPriorityNewestFirst) {
  ASSERT_TRUE(server.Start()) << server.error();
  std::string first = FloatToString(75.0f) + "," + FloatToString(12.500001f);
  std::string second = FloatToString(-0.99f) + "," + FloatToString(149.96f);
  ASSERT_EQ(first, "75,12.5000009537");  // the box's exact text, as the game makes it
  ASSERT_TRUE(ShowCoordinatesBox(first));
  // Heard before the next press: a text still waiting for the connection would simply
  // be replaced by the newer one.
  ASSERT_TRUE(server.WaitFor("75, 12.5", 10s));
  ASSERT_TRUE(ShowCoordinatesBox(second));
  ASSERT_TRUE(server.WaitFor("-0.99, 149.96", 10s));
  std::vector<std::string> received = server.Received();
  ASSERT_FALSE(received.empty());
  EXPECT_THAT(received.front(), ::testing::EndsWith(":quelmire:main\""));
  std::vector<std::string> expected = {received.front()};
  for (const char* text : {"75, 12.5", "-0.99, 149.96"}) {
    for (const std::string& line : Spoken(text)) expected.push_back(line);
  }
  EXPECT_EQ(received, expected);
}

TEST_F(SpokenBoxes, TheHostsOwnSpeechReachesTheServerAtTheFirstBox) {
  ASSERT_TRUE(server.Start()) << server.error();
  InstallSdlHost();  // puts the host's own speech back in place of the test's
  ASSERT_TRUE(ShowCoordinatesBox(FloatToString(0.0f) + "," + FloatToString(0.0f)));
  EXPECT_TRUE(server.WaitFor("0, 0", 10s)) << "connected lazily, once, by the host's speech";
}

// A start-up error usually ends the program right after its box: what was handed over
// is still delivered when the speech closes. The sound-device error is never spoken.
TEST_F(SpokenBoxes, StartUpErrorsAreHeardBeforeTheEndButNotTheSoundDeviceError) {
  ASSERT_TRUE(server.Start()) << server.error();
  for (const char* error : {"Error initializing Sound Library", "Error initializing Sprites."}) {
    pid_t player = DismissBoxFromOutside("ERROR");
    EXPECT_EQ(ErrorBox("ERROR", error), 1);
    EXPECT_TRUE(ExitedCleanly(player)) << error << ": the box appeared";
  }
  SpeechEnd();  // the end sequence's step
  std::vector<std::string> received = server.Received();
  EXPECT_THAT(received, Contains("Error initializing Sprites."));
  EXPECT_THAT(received, Not(Contains("Error initializing Sound Library")));
}

// No server, and none can be started: every box still appears and returns OK at once,
// nothing is written, and a server that comes up later hears nothing (no new tries).
TEST_F(SpokenBoxes, WithoutAServerBoxesAppearSilentlyAndNothingIsTriedAgain) {
  ASSERT_TRUE(ShowCoordinatesBox("75,12.5000009537"));
  // The single connection attempt ended long before the box was dismissed: autospawn is
  // refused by the configuration within milliseconds.
  ASSERT_TRUE(server.Start()) << server.error();
  ASSERT_TRUE(ShowCoordinatesBox("-0.9900000095,149.9600067139"));
  ASSERT_TRUE(ShowCoordinatesBox("0,0"));
  speech.Close();
  EXPECT_THAT(server.Received(), ElementsAre()) << "no connection after the first failure";
}

// With no display the keyboard check fails and its box cannot be shown: the text goes
// to standard error, and the player hears it.
TEST(SpokenWithoutDisplay, AStartUpErrorIsHeardWhenNoBoxCanBeShown) {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    GTEST_SKIP() << "this process is already connected to a display";
  }
  ScopedEnvironment restore({"DISPLAY", "WAYLAND_DISPLAY"});
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  PrivateSpeechServer server;
  ASSERT_TRUE(server.Start()) << server.error();
  SpeechdSpeech speech;
  InstallSdlHost();
  InstallSpeech(&speech);
  EXPECT_EQ(KeyboardInit(), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ErrorBox("ERROR", "Error initializing Keyboard."), 1);
  EXPECT_THAT(testing::internal::GetCapturedStderr(),
              ::testing::HasSubstr("ERROR: Error initializing Keyboard.\n"));
  SpeechEnd();
  EXPECT_THAT(server.Received(), Contains("Error initializing Keyboard."));
  UninstallSdlHost();
}

// A server that misbehaves costs the game nothing: Say hands its text over and returns,
// Close ends within its grace whatever the server does, a server that hangs up never
// brings the program down with a broken pipe, and one connection is tried per run.
TEST(SpeechWithAFaultyServer, NeitherSayNorCloseWaitsOnIt) {
  const std::pair<SpeechServerFault, const char*> cases[] = {
      {SpeechServerFault::kNeverAnswers, "never answers"},
      {SpeechServerFault::kClosesAtOnce, "closes at once"},
      {SpeechServerFault::kStallsAfterGreeting, "stalls after the greeting"},
      {SpeechServerFault::kHangsUpMidSentence, "hangs up mid-sentence"},
  };
  // Far more than handing a text over takes, far less than a wait on the server would.
  constexpr auto kAtOnce = SpeechdSpeech::kCloseGrace;
  for (const auto& [fault, name] : cases) {
    SCOPED_TRACE(name);
    FaultySpeechServer server(fault);
    ASSERT_EQ(server.error(), "");
    SpeechdSpeech speech;
    auto start = std::chrono::steady_clock::now();
    speech.Say("75, 12.5");
    EXPECT_LT(std::chrono::steady_clock::now() - start, kAtOnce);
    std::this_thread::sleep_for(300ms);  // the worker meets the fault
    start = std::chrono::steady_clock::now();
    speech.Say("-0.99, 149.96");
    speech.Say("0, 0");
    EXPECT_LT(std::chrono::steady_clock::now() - start, kAtOnce);
    start = std::chrono::steady_clock::now();
    speech.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, SpeechdSpeech::kCloseGrace + 1s);
    EXPECT_EQ(server.connections(), 1);
  }
}

}  // namespace
