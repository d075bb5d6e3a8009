// Sound numbers, handles and the operations' answers.
#include <gtest/gtest.h>

#include "audio/engine_mixer.h"
#include "audio/mixer.h"
#include "runtime/object_table.h"
#include "sound_test_support.h"

namespace {

constexpr int32_t kRate = 48000;

class SoundObjects : public OfflineEngineTest {
 protected:
  // A sound whose every sample is `value`, so what is heard tells which sound plays.
  int32_t Load(int32_t number, double value = 0.5, int64_t frames = 4800) {
    return SoundLoadDecoded(number, Constant(value, kRate, frames));
  }
  // The left channel once a wave stopped just before has faded out (one gain ramp).
  float HeardLeft() { return Listen(10)[2 * static_cast<size_t>(GainRampFrames(kRate))]; }
};

TEST_F(SoundObjects, FailedLoadGivesZeroWhichIsNoSuchSoundEverywhere) {
  DecodedSound broken = Constant(0.5, kRate, 10);
  broken.samples.pop_back();  // one sample short of its frame count
  EXPECT_EQ(SoundLoadDecoded(-1, broken), 0);
  EXPECT_EQ(SoundLoadDecoded(-1, Constant(0.5, 4000, 10)), 0);  // rate below 8 kHz
  EXPECT_EQ(SoundLoadDecoded(-1, Constant(0.5, kRate, 10, 3)), 0);
  EXPECT_EQ(SoundLoadDecoded(-1, Constant(0.5, kRate, 0)), 0);

  EXPECT_EQ(SoundPlay(0, 1, 100), 0);
  EXPECT_EQ(SoundSetVolume(0, 50), 0);
  EXPECT_EQ(SoundSetPan(0, 50), 0);
  EXPECT_EQ(SoundIsPlaying(0), 3);  // never 0: a wait for the end would never end
  EXPECT_EQ(SoundFromNumber(0), 0);
  SoundStop(0);
  SoundFree(0);
}

TEST_F(SoundObjects, DynamicHandlesAreDistinctAndFreedOnesAreNoSuchSound) {
  int32_t first = Load(-1);
  int32_t second = Load(-1);
  EXPECT_GE(first, kFirstDynamicNumber);
  EXPECT_NE(first, second);
  EXPECT_EQ(SoundFromNumber(first), 1);
  ASSERT_EQ(SoundPlay(first, 1, 100), 1);

  SoundFree(first);
  EXPECT_EQ(SoundFromNumber(first), 0);
  EXPECT_EQ(SoundIsPlaying(first), 3);
  EXPECT_EQ(SoundPlay(first, 1, 100), 0);
  EXPECT_EQ(SoundSetVolume(first, 10), 0);
  EXPECT_EQ(HeardLeft(), 0.0f);  // freeing silenced it
  EXPECT_EQ(SoundFromNumber(second), 1);
  EXPECT_NE(Load(-1), first);  // never handed out again
}

TEST_F(SoundObjects, StaticNumbersLoadReloadAndGrowTheTable) {
  EXPECT_EQ(Load(5, 0.25), 1);
  EXPECT_EQ(SoundFromNumber(5), 1);
  EXPECT_EQ(SoundFromNumber(6), 0);
  ASSERT_EQ(SoundPlay(5, 1, 100), 1);
  EXPECT_EQ(HeardLeft(), 0.25f);

  // A reload releases the playing sound first: the slot holds the new, silent one.
  EXPECT_EQ(Load(5, 0.75), 1);
  EXPECT_EQ(SoundIsPlaying(5), 0);
  EXPECT_EQ(HeardLeft(), 0.0f);
  ASSERT_EQ(SoundPlay(5, 1, 100), 1);
  EXPECT_EQ(HeardLeft(), 0.75f);

  // A failed reload keeps what the slot held.
  EXPECT_EQ(SoundLoadDecoded(5, DecodedSound{}), 0);
  EXPECT_EQ(SoundIsPlaying(5), 1);

  EXPECT_EQ(Load(200), 1);  // beyond the first 64 slots
  EXPECT_EQ(SoundFromNumber(200), 1);
  EXPECT_EQ(SoundFromNumber(199), 0);
  SoundFree(200);
  EXPECT_EQ(SoundFromNumber(200), 0);
  EXPECT_EQ(Load(200), 1);  // a freed static slot loads again

  EXPECT_EQ(Load(-2), 0);
  EXPECT_EQ(Load(kStaticSoundLimit), 0);
  EXPECT_EQ(Load(kFirstDynamicNumber), 0);
}

TEST_F(SoundObjects, PlayRestartsFromTheFirstSample) {
  // Each sample is its own index / 1000, so the first frame heard tells the position.
  int32_t ramp = SoundLoadDecoded(
      -1, MakeSound(kRate, 1, 1000, [](int64_t i, int32_t) { return i / 1000.0; }));
  ASSERT_EQ(SoundPlay(ramp, 0, 100), 1);
  std::vector<float> heard = Listen(5);
  EXPECT_EQ(heard[0], 0.0f);
  EXPECT_FLOAT_EQ(heard[2 * 239], 0.239f);
  ASSERT_EQ(SoundPlay(ramp, 0, -1), 1);  // while playing: the old wave fades out meanwhile
  heard = Listen(10);
  const int32_t faded = GainRampFrames(kRate);
  EXPECT_FLOAT_EQ(heard[2 * faded], faded / 1000.0f);
  EXPECT_FLOAT_EQ(heard[2 * 347], 0.347f);
}

TEST_F(SoundObjects, VolumeMinusOneKeepsTheLevelAndLevelsClamp) {
  int32_t sound = Load(-1);
  SoundLevels levels;
  ASSERT_EQ(SoundGetLevels(sound, levels), 1);
  EXPECT_EQ(levels.levelCb, 0);  // a new sound is at full volume, centred
  EXPECT_EQ(levels.panCb, 0);

  ASSERT_EQ(SoundSetVolume(sound, 30), 1);
  ASSERT_EQ(SoundPlay(sound, 1, -1), 1);
  SoundGetLevels(sound, levels);
  EXPECT_EQ(levels.levelCb, -1046);

  SoundPlay(sound, 1, 150);
  SoundGetLevels(sound, levels);
  EXPECT_EQ(levels.levelCb, 0);
  SoundSetVolume(sound, -5);
  SoundGetLevels(sound, levels);
  EXPECT_EQ(levels.levelCb, -10000);

  EXPECT_EQ(SoundSetPan(sound, -300), 1);
  SoundGetLevels(sound, levels);
  EXPECT_EQ(levels.panCb, -10000);
  SoundSetPan(sound, 50);
  SoundGetLevels(sound, levels);
  EXPECT_EQ(levels.panCb, 603);
  EXPECT_EQ(SoundGetLevels(12345, levels), 0);
}

TEST_F(SoundObjects, StopAllStopsEverySoundAndKeepsThemLoaded) {
  int32_t a = Load(-1, 0.3);  // together within full scale
  int32_t b = Load(-1, 0.3);
  ASSERT_EQ(Load(3, 0.3), 1);
  SoundPlay(a, 1, 100);
  SoundPlay(b, 0, 100);
  SoundPlay(3, 1, 100);
  HeardLeft();
  SoundStop(-1);
  for (int32_t sound : {a, b, 3}) {
    EXPECT_EQ(SoundIsPlaying(sound), 0) << sound;
    EXPECT_EQ(SoundFromNumber(sound), 1) << sound;
  }
  EXPECT_EQ(HeardLeft(), 0.0f);
  SoundPlay(b, 0, -1);
  EXPECT_EQ(HeardLeft(), 0.3f);
  SoundStop(b);
  EXPECT_EQ(SoundIsPlaying(b), 0);
}

TEST_F(SoundObjects, InitTwiceGivesTheSameValueAndShutdownEmptiesTheTable) {
  int32_t sound = Load(-1);
  EXPECT_EQ(SoundInit(), 1);
  EXPECT_EQ(SoundFromNumber(sound), 1);
  SoundShutdown();
  EXPECT_EQ(SoundFromNumber(sound), 0);
  EXPECT_EQ(SoundIsPlaying(sound), 3);
  EXPECT_EQ(Load(-1), 0);  // a late load after shutdown fails
  SoundShutdown();         // twice is harmless
  ASSERT_EQ(SoundInit(), 1);
  EXPECT_EQ(SoundFromNumber(sound), 0);  // a fresh engine knows nothing of the old one
}

// The mixer's lists are sized once: a play beyond them is refused like a device's, and
// the room comes back once a stopped voice has faded out and been handed back.
TEST_F(SoundObjects, PlaysBeyondTheMixersCapacityAreRefusedUntilAVoiceComesBack) {
  std::vector<int32_t> sounds;
  for (int32_t i = 0; i <= kMixerVoiceCapacity; ++i) sounds.push_back(Load(-1, 1e-5, 10));
  for (int32_t i = 0; i < kMixerVoiceCapacity; ++i) ASSERT_EQ(SoundPlay(sounds[i], 1, 100), 1);
  const int32_t last = sounds.back();
  EXPECT_EQ(SoundPlay(last, 1, 100), 0);
  EXPECT_EQ(SoundIsPlaying(last), 0);
  EXPECT_EQ(SoundPlay(sounds[0], 1, 100), 1);  // a restart needs no more room
  SoundStop(sounds[1]);
  EXPECT_EQ(SoundPlay(last, 1, 100), 0);  // still fading out, still held
  Listen(10);
  EXPECT_EQ(SoundPlay(last, 1, 100), 1);
  EXPECT_EQ(SoundIsPlaying(last), 1);
}

class RefusingOutput final : public AudioOutput {
 public:
  bool Open(AudioSource&) override { return false; }
  void Close() override {}
};

TEST(SoundInitFailure, NoOutputOrARefusingOneFailsAndLoadsFail) {
  InstallAudioOutput(nullptr);
  EXPECT_EQ(SoundInit(), 0);
  RefusingOutput refusing;
  InstallAudioOutput(&refusing);
  EXPECT_EQ(SoundInit(), 0);
  EXPECT_EQ(SoundLoadDecoded(-1, Constant(0.5, kRate, 10)), 0);
  EXPECT_EQ(SoundIsPlaying(1), 3);
  InstallAudioOutput(nullptr);
}

}  // namespace
