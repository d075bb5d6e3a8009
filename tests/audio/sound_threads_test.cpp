// Two game threads and the mixer on the same handles at once: no crash, no race, and a
// freed handle is simply no such sound.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sound_test_support.h"

namespace {

constexpr int32_t kHandles = 8;

TEST(SoundThreads, LoadPlayFreeAgainstVolumePanStopQueryWithTheMixerPulling) {
  OfflineAudioOutput output(48000);
  output.KeepInMemory(false);
  InstallAudioOutput(&output);
  ASSERT_EQ(SoundInit(), 1);

  std::atomic<int32_t> handles[kHandles];
  for (auto& handle : handles) handle.store(0, std::memory_order_relaxed);
  std::atomic<bool> done{false};

  std::thread loader([&] {
    for (int round = 0; round < 300; ++round) {
      auto& slot = handles[round % kHandles];
      int32_t old = slot.exchange(0, std::memory_order_relaxed);
      SoundFree(old);
      int32_t sound = SoundLoadDecoded(-1, Sine(200.0 + round, 22050, 2000 + round, 1 + round % 2));
      EXPECT_NE(sound, 0);
      SoundPlay(sound, round % 3 == 0 ? 0 : 1, round % 101);
      slot.store(sound, std::memory_order_relaxed);
      SoundLoadDecoded(round % 4, Constant(0.1, 48000, 100));  // static reloads too
      SoundPlay(round % 4, 1, -1);
    }
    done.store(true, std::memory_order_relaxed);
  });
  std::thread mixer([&] {
    while (!done.load(std::memory_order_relaxed)) output.RenderFrames(512);
  });
  int32_t answers = 0;
  while (!done.load(std::memory_order_relaxed)) {
    for (auto& slot : handles) {
      int32_t sound = slot.load(std::memory_order_relaxed);
      SoundSetVolume(sound, answers % 101);
      SoundSetPan(sound, answers % 201 - 100);
      int32_t playing = SoundIsPlaying(sound);
      EXPECT_TRUE(playing == 0 || playing == 1 || playing == 3);
      if (answers % 7 == 0) SoundStop(sound);
      if (answers % 13 == 0) SoundPlay(sound, 1, -1);
      if (answers % 97 == 0) SoundStop(-1);
      ++answers;
    }
  }
  loader.join();
  mixer.join();
  EXPECT_GT(answers, 0);
  EXPECT_GT(output.framesRendered(), 0);

  // Whatever the interleaving, freed handles are gone and the live ones still answer.
  for (auto& slot : handles) {
    int32_t sound = slot.load(std::memory_order_relaxed);
    EXPECT_EQ(SoundFromNumber(sound), 1);
    SoundFree(sound);
    EXPECT_EQ(SoundIsPlaying(sound), 3);
  }
  SoundShutdown();
  InstallAudioOutput(nullptr);
}

}  // namespace
