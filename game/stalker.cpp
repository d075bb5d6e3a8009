// The stalker: a thread of its own that shows up at random, walks toward the player in
// bursts and drives two layers of static by its distance.
//
// Each pass of a present stalker could also keep a "gaze" meter that may hold a burst
// back; since each of its 0.3 steps is rounded away it never does, so it is left out.
#include <atomic>
#include <cmath>
#include <type_traits>

#include "audio/sound.h"
#include "game/game.h"
#include "game/game_math.h"
#include "game/stalker.h"
#include "game/state.h"
#include "platform/platform.h"
#include "runtime/runtime.h"

namespace {

// Set by the end sequence; the thread leaves at its next wait.
std::atomic<bool> stopRequested{false};

// The longest the end sequence waits for the thread to leave (see StopStalker): a
// quarter of the second in which every way out of the game must end.
constexpr int32_t kStopWaitMs = 250;

struct Aggressiveness {
  int32_t appearChance;
  float speed;
  int32_t moveChance;
};

// By pages taken, 0..7; from 8 on the last values stay.
constexpr Aggressiveness kAggressiveness[8] = {
    {10000, 0.5f, 1000}, {5000, 0.5f, 768}, {2048, 0.5f, 512}, {1024, 0.5f, 384},
    {768, 0.8f, 256},    {512, 1.0f, 128},  {256, 1.0f, 110},  {128, 1.0f, 100},
};

// What the static layers last got from this thread: a volume, or -1 for stopped.
struct StaticState {
  int32_t outer = -1, inner = -1;
};
// Plain data only in thread_local storage: no destructor runs at thread end.
static_assert(std::is_trivially_destructible_v<StaticState>);
thread_local StaticState staticState;

// Waits `ms`; true while the thread should go on, false once it is asked to stop.
bool WaitAndGoOn(int32_t ms) {
  DelayMs(ms);
  return !stopRequested.load(std::memory_order_relaxed);
}

int32_t DistanceToPlayer() {
  GameGlobals& g = Game();
  return Distance(g.stalker.x, g.stalker.y, g.player.x, g.player.y);
}

void SetAggressiveness() {
  GameGlobals& g = Game();
  int32_t pages = g.pagesCollected;
  if (pages < 0 || pages > 7) return;
  const Aggressiveness& row = kAggressiveness[pages];
  g.stalker.appearChance = row.appearChance;
  g.stalker.speed = row.speed;
  g.stalker.moveChance = row.moveChance;
}

void Appear() {
  GameGlobals& g = Game();
  Stalker& s = g.stalker;
  s.active = 1;
  s.x = static_cast<float>(RandomNext(g.fieldWidth - 20)) + 10.0f;
  s.y = static_cast<float>(RandomNext(g.fieldHeight - 20)) + 10.0f;
  SoundPlay(g.stalkerSound, kLooped, 100);
  int32_t d = Distance(g.player.x, g.player.y, s.x, s.y);
  Events().StalkerAppeared(s.x, s.y, d);
  if (d < 40) PlayCue("vorlent/appearClose", kCentred, g.player.x, g.player.y, kOnce);
}

// Sets a layer's volume and starts it looped unless it plays already.
void RaiseLayer(int32_t layer, int32_t volume, int32_t& state) {
  SoundSetVolume(layer, volume);
  if (SoundIsPlaying(layer) == 0) SoundPlay(layer, kLooped, kKeepVolume);
  state = volume;
}

struct StaticRow {
  int32_t below;  // the row holds at a distance below this
  int32_t volume;
};
constexpr StaticRow kOuterRows[] = {{100, 20}, {90, 30}, {80, 50}, {70, 70}, {60, 90}, {40, 100}};
constexpr StaticRow kInnerRows[] = {{60, 20}, {50, 30}, {40, 50}, {30, 70}, {20, 90}, {10, 100}};

// Every row is its own test with a fresh distance, so the last holding row wins; past
// `stopAbove` the layer stops, and at exactly that distance it is left as it is.
template <size_t N>
void SetLayer(int32_t layer, const StaticRow (&rows)[N], int32_t stopAbove, int32_t& state) {
  for (const StaticRow& row : rows) {
    if (DistanceToPlayer() < row.below) RaiseLayer(layer, row.volume, state);
  }
  if (DistanceToPlayer() > stopAbove) {
    SoundStop(layer);
    state = -1;
  }
}

void SetStaticLayers() {
  GameGlobals& g = Game();
  StaticState before = staticState;
  SetLayer(g.staticOuter, kOuterRows, 100, staticState.outer);
  SetLayer(g.staticInner, kInnerRows, 60, staticState.inner);
  if (before.outer != staticState.outer || before.inner != staticState.inner) {
    Events().StaticChanged(DistanceToPlayer(), staticState.outer, staticState.inner);
  }
}

void MaybeVanish() {
  GameGlobals& g = Game();
  if (DistanceToPlayer() <= 40) return;
  if (RandomNext(100) != 50) return;
  g.stalker.active = 0;
  SoundStop(g.stalkerSound);
  Events().StalkerVanished(g.stalker.x, g.stalker.y);
}

// One step of a burst toward the player; a step that would leave the field is skipped.
void Step() {
  GameGlobals& g = Game();
  Stalker& s = g.stalker;
  s.heading = HeadingToward(g.player.x, g.player.y, s.x, s.y);
  double angle = Radians(s.heading);
  Position next;
  next.y = Single(s.y + static_cast<double>(s.speed) * std::cos(angle));
  next.x = Single(s.x + static_cast<double>(s.speed) * std::sin(angle));
  if (WithinMoveBounds(next.x, next.y)) {
    s.x = next.x;
    s.y = next.y;
  }
}

}  // namespace

bool StalkerPass() {
  GameGlobals& g = Game();
  SetAggressiveness();
  if (g.stalker.active == 0 && RandomNext(g.stalker.appearChance) == 1) Appear();
  if (g.stalker.active == 1) {
    SetStaticLayers();
    MaybeVanish();
    if (RandomNext(g.stalker.moveChance) == 1) {
      for (int32_t step = 0; step < 5; ++step) {
        Step();
        if (!WaitAndGoOn(16)) return false;
      }
    }
  }
  return WaitAndGoOn(16);
}

int32_t RunStalker(int32_t /*value*/) {
  ThreadVars().isStalker = 1;
  while (!stopRequested.load(std::memory_order_relaxed) && StalkerPass()) {
  }
  return 0;
}

int32_t HeadingToward(float playerX, float playerY, float stalkerX, float stalkerY) {
  float a = Single(static_cast<double>(playerY) - stalkerY);
  float b = Single(static_cast<double>(stalkerX) - playerX);
  if (a == 0 && b == 0) return 0;
  if (b == 0) return a > 0 ? 0 : 180;
  float theta = Single(std::atan(static_cast<double>(a) / static_cast<double>(b)));
  if (b <= 0) theta = Single(static_cast<double>(theta) + kHalfTurn);
  float degrees = Single(static_cast<double>(theta) * kRadiansToDegrees);
  return RoundHalfEven(Single(static_cast<double>(degrees) - 90.0));
}

void StopStalker() {
  int32_t thread = Game().stalkerThread;
  if (thread == 0) return;
  stopRequested.store(true, std::memory_order_relaxed);
  // Its waits are 16 ms at most, and a cue it is loading comes from a local file in a few
  // milliseconds. A thread still busy after kStopWaitMs is inside a file read that stalled
  // (a disk spinning up, a network folder gone away): it is left running, since everything
  // it touches (the game state, the sound engine) lives until the process exit, and the
  // player's way out must not wait on a disk. It stays asked to stop.
  int32_t start = ElapsedMs();
  while (ThreadIsRunning(thread) != 0) {
    if (ElapsedMsSince(start, ElapsedMs()) >= kStopWaitMs) return;
    DelayMs(1);
  }
  // Ended: a later game in this process (a test's next run) may start a stalker again.
  Game().stalkerThread = 0;
  stopRequested.store(false, std::memory_order_relaxed);
}
