// The loader on several threads at once, as the game's main and stalker threads use
// it: registration racing with loads, and each thread's file buffer kept apart.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"
#include "sound_files.h"

namespace {

TEST(LoadingThreads, ConcurrentLoadsOfWavAndOggGiveTheSameSoundsAsOneThread) {
  SKIP_WITHOUT_SOUND_TOOLS();
  TempFolder folder;
  std::string wav = folder / "tone.wav", ogg = folder / "tone.ogg";
  ASSERT_TRUE(MakeTone(wav, "-b 16 -e signed", 2, 22050, 0.2));
  ASSERT_TRUE(MakeOgg(wav, ogg));
  SoundUseOggDecoder();
  const std::vector<float> wavSamples = LoadSoundFile(wav).sound.samples;
  const std::vector<float> oggSamples = LoadSoundFile(ogg).sound.samples;
  ASSERT_FALSE(wavSamples.empty());
  ASSERT_FALSE(oggSamples.empty());

  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 6; ++i) {
        SoundUseOggDecoder();
        bool useOgg = (t + i) % 2 == 0;
        SoundFileResult result = LoadSoundFile(useOgg ? ogg : wav);
        mismatches[t] += result.sound.samples != (useOgg ? oggSamples : wavSamples);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
