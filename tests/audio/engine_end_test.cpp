// The process ends the way the game ends it: exit() from whichever thread decides, with
// the device thread in the middle of a pull and game threads still calling the engine,
// SoundShutdown never called or halfway through. Each end runs in a child process, which
// must leave with the status it asked for and nothing reported by a sanitizer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "host/audio/sdl_audio_output.h"
#include "sound_test_support.h"
#include "thread_output.h"

namespace {

#ifdef _WIN32
int setenv(const char* name, const char* value, int) {
  return _putenv_s(name, value);
}
#endif

constexpr int kStatus = 7;

// A running engine with voices playing and changing, on a device thread already pulling.
void StartBusyEngine(AudioOutput& output) {
  InstallAudioOutput(&output);
  if (SoundInit() == 0) std::_Exit(2);
  for (int32_t i = 0; i < 64; ++i) {
    const int32_t sound = SoundLoadDecoded(-1, Sine(100.0 + i, 44100, 4410 + i, 1 + i % 2));
    SoundSetPan(sound, i * 3 - 100);
    SoundPlay(sound, i % 4 == 0 ? 0 : 1, 50 + i % 50);
  }
}

// A game thread that never stops: loads, plays, re-mixes and frees cues.
void StartGameThread() {
  std::thread([] {
    for (int32_t round = 0;; ++round) {
      const int32_t cue = SoundLoadDecoded(-1, Sine(300.0, 22050, 500));
      SoundPlay(cue, 0, 100);
      SoundSetVolume(cue, round % 101);
      SoundSetPan(cue, round % 201 - 100);
      if (round % 3 != 0) SoundFree(cue);
    }
  }).detach();
}

void ExitFromAnotherThread() {
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  std::thread([] { std::exit(kStatus); }).join();
}

class EngineEnd : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(EngineEnd, ExitWhileTheDeviceThreadPullsAndAGameThreadLoadsIsClean) {
  EXPECT_EXIT(
      {
        auto* output = new ThreadOutput;  // the process ends under it: never destroyed
        StartBusyEngine(*output);
        StartGameThread();
        while (output->pulls() < 20) std::this_thread::yield();
        ExitFromAnotherThread();
      },
      ::testing::ExitedWithCode(kStatus), "");
}

TEST_F(EngineEnd, ExitWhileTheMainThreadShutsTheEngineDownAndStartsItAgainIsClean) {
  EXPECT_EXIT(
      {
        auto* output = new ThreadOutput;
        StartBusyEngine(*output);
        StartGameThread();
        std::thread([] {
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
          std::exit(kStatus);
        }).detach();
        for (;;) {
          SoundShutdown();
          StartBusyEngine(*output);
        }
      },
      ::testing::ExitedWithCode(kStatus), "");
}

TEST_F(EngineEnd, ExitWhileSdlsAudioThreadPullsIsClean) {
  EXPECT_EXIT(
      {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        auto* output = new SdlAudioOutput;
        StartBusyEngine(*output);
        StartGameThread();
        ExitFromAnotherThread();
      },
      ::testing::ExitedWithCode(kStatus), "");
}

}  // namespace
