// Every way out while the stalker thread is present and in the middle of a movement
// burst: Escape, the outro and death, on the headless host (threads one at a time, in a
// fixed order) and with real threads on a fast clock. Each must end the stalker thread
// before the sound engine and the cue ring go, and leave with code 0.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_output.h"
#include "audio/sound.h"
#include "game/game.h"
#include "game/state.h"
#include "host/audio/offline_audio_output.h"
#include "host/headless/scripted_input.h"
#include "host/host.h"
#include "input/input.h"
#include "platform/platform.h"
#include "runtime/clock_seam.h"
#include "runtime/runtime.h"
#include "tests/game/game_test_support.h"
#include "tests/input/fake_input_source.h"
#include "tests/platform/fake_window_system.h"

namespace {

// ---- headless host ------------------------------------------------------------------

// Follows the stalker from the host's time listener: a step is a move of a stalker that
// was already present; a burst begins with a step more than 16 ms after the last one.
struct StalkerWatch {
  float x = 0, y = 0;
  int32_t active = 0;
  uint64_t lastStepMs = 0;
  int32_t burstSteps = 0;
  int32_t bursts = 0;

  // True at the first step of a burst.
  bool Observe(uint64_t nowMs) {
    const Stalker& s = Game().stalker;
    bool moved = s.x != x || s.y != y;
    bool step = moved && active == 1 && s.active == 1;
    x = s.x;
    y = s.y;
    active = s.active;
    if (!step) return false;
    bool first = nowMs - lastStepMs > 16 || bursts == 0;
    lastStepMs = nowMs;
    burstSteps = first ? 1 : burstSteps + 1;
    if (first) ++bursts;
    return first;
  }
};

class HeadlessExitTest : public testing::Test {
 protected:
  // The player at (75, 75), seven pages taken: the stalker at its most aggressive.
  void Prepare(int32_t seed) { PrepareBoldStalker(seed, 75, 75); }

  // At the first step of the first burst, `act` runs once (on whichever thread holds the
  // baton, while every other waits). After 20 virtual minutes Escape ends a run that
  // went nowhere.
  void OnFirstBurst(std::function<void(uint64_t)> act) {
    game_.host().AddTimeListener([this, act](uint64_t, uint64_t toMs) {
      if (watch_.Observe(toMs) && !acted_) {
        acted_ = true;
        burstMs_ = toMs;
        act(toMs);
      }
      if (toMs == 20 * 60 * 1000) Press(kKeyEscape, true, toMs);
    });
  }

  void Press(int32_t key, bool down, uint64_t ms) {
    ScriptEvent event;
    event.timeMs = ms;
    event.kind = down ? ScriptEvent::Kind::kKeyDown : ScriptEvent::Kind::kKeyUp;
    event.value = key;
    game_.host().input().Apply(event);
  }

  int32_t RunMainLoop() {
    try {
      MainLoop();
    } catch (const ProcessExited& exited) {
      return exited.code;
    }
    return -1;
  }

  std::string LastLine() const {
    std::vector<std::string> lines = log_.Lines();
    return lines.empty() ? "" : lines.back();
  }

  TestAssets assets_;
  EventLog log_;
  HeadlessGame game_;
  StalkerWatch watch_;
  bool acted_ = false;
  uint64_t burstMs_ = 0;
};

TEST_F(HeadlessExitTest, EscapeMidBurst) {
  Prepare(1);
  OnFirstBurst([this](uint64_t ms) { Press(kKeyEscape, true, ms); });
  EXPECT_EQ(RunMainLoop(), 0);
  ASSERT_TRUE(acted_);
  EXPECT_NE(LastLine().find("ending 1 code 0"), std::string::npos) << LastLine();
  // The end came within a tick of the burst's first step, before its fifth.
  EXPECT_LT(watch_.burstSteps, 5);
  EXPECT_EQ(game_.host().scheduler().ThreadCount(), 1u);  // the stalker has left
}

TEST_F(HeadlessExitTest, OutroMidBurst) {
  Prepare(2);
  Page& last = Game().pages[8];
  last.x = 75;
  last.y = 76;
  last.active = 1;
  OnFirstBurst([this](uint64_t ms) {
    Press(kKeySpace, true, ms);  // seen down by the next tick, released on the one after
  });
  game_.host().AddTimeListener([this](uint64_t, uint64_t toMs) {
    if (acted_ && toMs == burstMs_ + 20) Press(kKeySpace, false, toMs);
  });
  EXPECT_EQ(RunMainLoop(), 0);
  ASSERT_TRUE(acted_);
  EXPECT_NE(LastLine().find("ending 3 code 0"), std::string::npos) << LastLine();
  EXPECT_EQ(game_.host().scheduler().ThreadCount(), 1u);
}

// Stands still until the stalker comes: returns the game's report and the host's trace.
std::vector<std::string> RunUntilCaught(int32_t seed, int32_t& code) {
  TestAssets assets;
  EventLog log;
  HeadlessGame game;
  PrepareBoldStalker(seed, 40, 40);
  game.host().AddTimeListener([&](uint64_t, uint64_t toMs) {
    if (toMs != 20 * 60 * 1000) return;
    ScriptEvent escape;  // a run that went nowhere ends by Escape, and fails below
    escape.timeMs = toMs;
    escape.value = kKeyEscape;
    game.host().input().Apply(escape);
  });
  code = -1;
  try {
    MainLoop();
  } catch (const ProcessExited& exited) {
    code = exited.code;
  }
  std::vector<std::string> lines = log.Lines();
  for (const std::string& line : game.host().trace().Lines()) lines.push_back(line);
  return lines;
}

TEST(HeadlessCatch, TheStalkerAppearsClosesInAndKillsTheSameWayTwice) {
  int32_t code = -1;
  std::vector<std::string> first = RunUntilCaught(3, code);
  EXPECT_EQ(code, 0);
  int64_t deathMs = -1, endMs = -1;
  for (const std::string& line : first) {
    if (line.find(" death at ") != std::string::npos) deathMs = std::stoll(line);
    if (line.find(" ending 2 code 0") != std::string::npos) endMs = std::stoll(line);
  }
  ASSERT_GE(deathMs, 0);
  EXPECT_EQ(endMs - deathMs, 7000);  // the pause after the death cue
  bool appeared = false, deathCue = false;
  for (const std::string& line : first) {
    appeared = appeared || line.find("stalker appears") != std::string::npos;
    deathCue = deathCue || line.find("cue player/death") != std::string::npos;
  }
  EXPECT_TRUE(appeared);
  EXPECT_TRUE(deathCue);

  std::vector<std::string> second = RunUntilCaught(3, code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(first, second);
}

// ---- real threads ------------------------------------------------------------------

// Virtual milliseconds that pass as fast as the threads sleep. The main thread's sleeps
// also render the mix, so once-played sounds end; the stalker's sleeps notice when it
// is in a burst and then last 2 ms of real time, so that the main thread acts mid-burst.
class FastClock final : public Clock {
 public:
  explicit FastClock(OfflineAudioOutput& output)
      : output_(output), main_(std::this_thread::get_id()) {}

  uint32_t NowMs() override { return now_.load(); }

  void SleepMs(uint32_t ms) override {
    now_.fetch_add(ms);
    if (std::this_thread::get_id() == main_) {
      output_.Advance(ms);
      std::this_thread::sleep_for(std::chrono::microseconds(20));
      return;
    }
    stalkerSleeps_.fetch_add(1);
    const Stalker& s = Game().stalker;
    float x = s.x, y = s.y;
    bool moved = x != lastX_ || y != lastY_;
    lastX_ = x;
    lastY_ = y;
    midBurst_.store(moved && s.active == 1);
    std::this_thread::sleep_for(moved ? std::chrono::microseconds(2000)
                                      : std::chrono::microseconds(100));
  }

  bool MidBurst() const { return midBurst_.load(); }
  int64_t StalkerSleeps() const { return stalkerSleeps_.load(); }

 private:
  OfflineAudioOutput& output_;
  const std::thread::id main_;
  std::atomic<uint32_t> now_{0};
  std::atomic<bool> midBurst_{false};
  std::atomic<int64_t> stalkerSleeps_{0};
  float lastX_ = 0, lastY_ = 0;  // the stalker thread's own
};

enum class Way { kEscape, kOutro, kDeath };

// One game on real threads: the stalker runs on its own thread; at the first sign of a
// burst the main thread takes `way` out. Returns the exit code.
int32_t RunRealThreads(Way way, int32_t seed) {
  TestAssets assets;
  EventLog log;
  OfflineAudioOutput output(8000);
  FastClock clock(output);
  FakeInputSource input;
  FakeWindowSystem windows;
  HostServices host;
  host.clock = &clock;
  host.input = &input;
  host.windows = &windows;
  host.audio = &output;
  InstallHost(host);
  CatchProcessExit catchExit;

  ResetGame();
  OpenDevices();
  PrepareBoldStalker(seed, 75, 75);
  GameGlobals& g = Game();
  g.stalkerThread = ThreadCreate(RunStalker, 0);
  EXPECT_NE(g.stalkerThread, 0);

  int32_t code = -1;
  bool acted = false;
  try {
    for (int32_t tick = 0; tick < 200000; ++tick) {
      DelayMs(17);
      if (!acted && clock.MidBurst()) {
        acted = true;
        if (way == Way::kEscape) input.Press(kKeyEscape);
        if (way == Way::kOutro) g.pagesCollected = 8;
        if (way == Way::kDeath) {
          g.player.x = static_cast<float>(g.stalker.x);
          g.player.y = static_cast<float>(g.stalker.y);
        }
      }
      RunTick();
    }
  } catch (const ProcessExited& exited) {
    code = exited.code;
  }
  EXPECT_TRUE(acted);
  // The stalker thread has ended: it sleeps no more.
  int64_t sleeps = clock.StalkerSleeps();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(clock.StalkerSleeps(), sleeps);

  StopStalker();  // already done by the end sequence, unless the run never got there
  RuntimeEnd();   // a second time: nothing left to do
  UninstallHost();
  return code;
}

TEST(RealThreadsExit, EscapeMidBurst) {
  for (int32_t seed = 1; seed <= 3; ++seed) EXPECT_EQ(RunRealThreads(Way::kEscape, seed), 0);
}

TEST(RealThreadsExit, OutroMidBurst) {
  for (int32_t seed = 1; seed <= 3; ++seed) EXPECT_EQ(RunRealThreads(Way::kOutro, seed), 0);
}

TEST(RealThreadsExit, DeathMidBurst) {
  for (int32_t seed = 1; seed <= 3; ++seed) EXPECT_EQ(RunRealThreads(Way::kDeath, seed), 0);
}

// A stalker thread that cannot leave (inside a file read that stalled) does not hold the
// end sequence: the stop waits a bounded time and leaves it running; once the read
// returns, the thread ends and a later stop finds it gone.
std::atomic<bool> readStalled{true};

int32_t StalledRead(int32_t /*value*/) {
  while (readStalled.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return 0;
}

TEST(RealThreadsExit, AStalkerStuckInAReadIsLeftAfterABoundedWait) {
  ResetGame();
  readStalled = true;
  const int32_t thread = ThreadCreate(StalledRead, 0);
  ASSERT_NE(thread, 0);
  Game().stalkerThread = thread;
  auto start = std::chrono::steady_clock::now();
  StopStalker();
  // A wait without a bound would never end; this leaves room for a loaded machine.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(ThreadIsRunning(thread), thread) << "left running, not waited for";
  EXPECT_EQ(Game().stalkerThread, thread);
  readStalled = false;
  while (ThreadIsRunning(thread) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  StopStalker();
  EXPECT_EQ(Game().stalkerThread, 0);
}

}  // namespace
