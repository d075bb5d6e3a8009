// SoundLoad with real files on disk, heard through the offline device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"
#include "sound_test_support.h"
#include "tools/assetgen/vorbis_writer.h"
#include "wav_builder.h"

namespace {

class SoundLoadFromFiles : public OfflineEngineTest {
 protected:
  void SetUp() override {
    OfflineEngineTest::SetUp();
    folder = std::filesystem::temp_directory_path() /
             ("quelmire-sound-load-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    std::filesystem::remove_all(folder);
    OfflineEngineTest::TearDown();
  }

  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = (folder / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::filesystem::path folder;
};

// 16-bit mono PCM of a sine, as a sound tool would write it.
Bytes SineWav16(double hz, uint32_t rate, int32_t frames, double amplitude) {
  Bytes pcm;
  for (int32_t i = 0; i < frames; ++i) {
    const double value = amplitude * std::sin(kTwoPi * hz * i / rate);
    PutU16(pcm, static_cast<uint16_t>(static_cast<int16_t>(std::lround(value * 32767.0))));
  }
  return SimpleWav(FormatBlock({1, 1, rate, 16}), pcm);
}

TEST_F(SoundLoadFromFiles, A16BitWavFileLoadsPlaysAndEndsOnTime) {
  const std::string path = Write("tone.wav", SineWav16(441.0, 22050, 22050 / 10, 0.5));
  int32_t sound = SoundLoad(-1, path);
  ASSERT_NE(sound, 0);
  ASSERT_EQ(SoundPlay(sound, 0, 100), 1);
  std::vector<float> left = Channel(Listen(90), 0);
  EXPECT_NEAR(Rms(left), 0.5 / std::sqrt(2.0), 0.01);
  EXPECT_EQ(SoundIsPlaying(sound), 1);
  Listen(15);
  EXPECT_EQ(SoundIsPlaying(sound), 0);  // 100 ms of sound, 105 ms heard

  EXPECT_EQ(SoundLoad(7, path), 1);  // a static number takes a file as well
  EXPECT_EQ(SoundFromNumber(7), 1);
}

TEST_F(SoundLoadFromFiles, MissingOrUnreadableFilesLoadAsZeroAndKeepTheSlot) {
  EXPECT_EQ(SoundLoad(-1, (folder / "missing.wav").string()), 0);
  EXPECT_EQ(SoundIsPlaying(0), 3);
  const std::string good = Write("good.wav", SineWav16(441.0, 44100, 441, 0.5));
  const std::string junk = Write("junk.wav", Bytes{'R', 'I', 'F', 'F', 1, 2, 3});
  ASSERT_EQ(SoundLoad(4, good), 1);
  EXPECT_EQ(SoundLoad(4, junk), 0);
  EXPECT_EQ(SoundFromNumber(4), 1);  // the failed reload kept the old sound
  EXPECT_EQ(SoundLoad(-1, junk), 0);
}

TEST_F(SoundLoadFromFiles, OfflineRecordingLoadsBackAndPlaysIdentically) {
  int32_t tone = SoundLoadDecoded(-1, Sine(300.0, 48000, 4800, 2, 0.4));
  SoundSetPan(tone, 30);
  SoundPlay(tone, 0, 80);
  output.ClearSamples();
  output.Advance(100);
  const std::vector<float> first = output.Samples();
  const std::string path = (folder / "recording.wav").string();
  ASSERT_TRUE(output.WriteWav(path));

  int32_t recording = SoundLoad(-1, path);
  ASSERT_NE(recording, 0);
  SoundPlay(recording, 0, 100);
  EXPECT_EQ(Listen(100), first);  // a float WAV at the device rate plays back bit for bit
}

// A stream's samples are read on a thread of their own after SoundLoad returns: played at
// once, freed unplayed, or left to the engine's end, it must sound (and end) exactly like
// the same file decoded whole before it was loaded.
TEST_F(SoundLoadFromFiles, AnOggStreamReadAfterItsLoadPlaysExactlyAsOneDecodedFirst) {
  SoundUseOggDecoder();
  struct Row {
    int channels;
    long rate;
    int64_t frames;
  };
  for (const Row row : {Row{2, 44100, 22050}, Row{1, 22050, 13000}}) {
    SCOPED_TRACE(row.channels);
    std::vector<float> samples;
    const double step = 2 * std::numbers::pi / static_cast<double>(row.rate);
    for (int64_t i = 0; i < row.frames; ++i) {
      for (int c = 0; c < row.channels; ++c) {
        samples.push_back(static_cast<float>(0.4 * std::sin(step * (330 + 110 * c) * i)));
      }
    }
    const std::string path =
        Write("stream.wav", assetgen::EncodeVorbis(samples, row.channels, row.rate, 0.4f, 1));
    const int32_t streamed = SoundLoad(-1, path);
    ASSERT_NE(streamed, 0);
    EXPECT_EQ(SoundIsPlaying(streamed), 0);
    SoundFileResult whole = LoadSoundFile(path);
    ASSERT_TRUE(whole.loaded) << whole.refusal;
    const int32_t decoded = SoundLoadDecoded(-1, std::move(whole.sound));

    ASSERT_EQ(SoundPlay(streamed, 0, 100), 1);
    const std::vector<float> heard = Listen(700);
    EXPECT_EQ(SoundIsPlaying(streamed), 0);
    ASSERT_EQ(SoundPlay(decoded, 0, 100), 1);
    EXPECT_EQ(Listen(700), heard);
    EXPECT_GT(Rms(Channel(heard, 0)), 0.1);

    SoundFree(SoundLoad(-1, path));     // freed while its samples may still be read
    EXPECT_NE(SoundLoad(-1, path), 0);  // left for the engine's end
  }
  EXPECT_EQ(SoundLoad(-1, Write("junk.ogg", Bytes{'O', 'g', 'g', 'S', 0, 2, 3})), 0);
}

}  // namespace
