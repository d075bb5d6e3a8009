// Loading Ogg Vorbis files made by oggenc, checked sample for sample against a plain
// ov_read loop over the same file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>

#include "audio/decoder_registry.h"
#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"
#include "sound_files.h"

namespace {

using ::testing::HasSubstr;

class OggLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_SOUND_TOOLS();
    ASSERT_FALSE(folder.path().empty());
    SoundUseOggDecoder();
  }

  // A tone encoded by oggenc; its path.
  std::string MakeOggTone(const std::string& name, int channels, int rate, double seconds,
                          const std::string& sound = "sine 440 sine 660") {
    std::string wav = folder / (name + ".source.wav");
    std::string ogg = folder / (name + ".ogg");
    EXPECT_TRUE(MakeTone(wav, "-b 16 -e signed", channels, rate, seconds, sound));
    EXPECT_TRUE(MakeOgg(wav, ogg));
    return ogg;
  }

  // Two tones at 22050 Hz, each encoded alone, then joined byte for byte into one chained
  // stream <name>.ogg: the paths of the first, the second and the chain.
  std::array<std::string, 3> MakeChainedTones(const std::string& name, int firstChannels,
                                              double firstSeconds, int secondChannels,
                                              double secondSeconds) {
    std::string first = MakeOggTone(name + "-first", firstChannels, 22050, firstSeconds);
    std::string second = MakeOggTone(name + "-second", secondChannels, 22050, secondSeconds);
    std::string chained = folder / (name + ".ogg");
    EXPECT_TRUE(RunShell("cat '" + first + "' '" + second + "' > '" + chained + "'"));
    return {first, second, chained};
  }

  TempFolder folder;
};

TEST_F(OggLoad, MonoAndStereoMatchAPlainOvReadLoop) {
  std::string mono = MakeOggTone("mono", 1, 22050, 0.7);
  std::string stereo = MakeOggTone("stereo", 2, 44100, 0.4);
  SoundFileResult monoResult = LoadSoundFile(mono);
  EXPECT_EQ(monoResult.sound.channels, 1);
  EXPECT_EQ(monoResult.sound.rate, 22050);
  ExpectSameAsOvRead(monoResult, DecodeWithOvRead(mono));
  ExpectSameAsOvRead(LoadSoundFile(stereo), DecodeWithOvRead(stereo));
}

TEST_F(OggLoad, ContentDecidesNotTheExtension) {
  std::string ogg = MakeOggTone("tone", 1, 22050, 0.2);
  fs::copy_file(ogg, folder / "ogg_named.wav");
  ExpectSameAsOvRead(LoadSoundFile(folder / "ogg_named.wav"), DecodeWithOvRead(ogg));

  std::string wav = folder / "wav_named.ogg";
  ASSERT_TRUE(MakeTone(wav, "-b 24 -e signed", 1, 32000, 0.1));
  SoundFileResult result = LoadSoundFile(wav);
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_EQ(result.sound.bitsPerSample, 24);  // read as WAV, not decoded to 16 bits
  EXPECT_EQ(result.sound.frames, 3200);
}

// A plain ov_read loop over a chained file starts at its second link, so each link is
// checked against its own file instead.
TEST_F(OggLoad, ChainedStreamDecodesEveryLinkInOrder) {
  const auto [first, second, chained] = MakeChainedTones("chained", 1, 0.3, 1, 0.5);
  ReferenceOgg both = DecodeWithOvRead(first), b = DecodeWithOvRead(second);
  both.frames += b.frames;
  both.samples.insert(both.samples.end(), b.samples.begin(), b.samples.end());
  ExpectSameAsOvRead(LoadSoundFile(chained), both);
}

TEST_F(OggLoad, ChainedLinksWithAnotherChannelCountAreRemixedNotMisinterleaved) {
  const auto [mono, stereo, chained] = MakeChainedTones("mixed", 1, 0.2, 2, 0.2);
  ReferenceOgg monoRef = DecodeWithOvRead(mono), stereoRef = DecodeWithOvRead(stereo);
  SoundFileResult result = LoadSoundFile(chained);
  ASSERT_TRUE(result.loaded) << result.refusal;
  ASSERT_EQ(result.sound.channels, 1);
  ASSERT_EQ(result.sound.frames, monoRef.frames + stereoRef.frames);
  for (int64_t i = 0; i < stereoRef.frames; ++i) {
    // The stereo link arrives as the average of its two channels, in 16-bit steps.
    int32_t left = static_cast<int32_t>(stereoRef.samples[2 * i] * 32768);
    int32_t right = static_cast<int32_t>(stereoRef.samples[2 * i + 1] * 32768);
    ASSERT_EQ(result.sound.samples[monoRef.frames + i], ((left + right) / 2) / 32768.0f) << i;
  }
}

TEST_F(OggLoad, DamagedStreamsLoadWhatTheyCanOrAreRefused) {
  std::string ogg = MakeOggTone("noise", 2, 44100, 1.0, "whitenoise");
  std::vector<uint8_t> bytes = ReadBytes(ogg);
  ASSERT_GT(bytes.size(), 4000u);

  std::vector<uint8_t> cutInHeaders(bytes.begin(), bytes.begin() + 200);
  EXPECT_FALSE(LoadSoundImage(cutInHeaders).loaded);

  std::vector<uint8_t> cutInAudio(bytes.begin(),
                                  bytes.begin() + static_cast<long>(bytes.size() * 2 / 3));
  SoundFileResult cut = LoadSoundImage(cutInAudio);
  ASSERT_TRUE(cut.loaded) << cut.refusal;
  EXPECT_GT(cut.sound.frames, 0);
  EXPECT_LT(cut.sound.frames, DecodeWithOvRead(ogg).frames);

  std::vector<uint8_t> scrambled = bytes;
  for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 600; ++i) scrambled[i] ^= 0x5A;
  SoundFileResult damaged = LoadSoundImage(scrambled);
  ASSERT_TRUE(damaged.loaded) << damaged.refusal;
  EXPECT_GT(damaged.sound.frames, 0);
  EXPECT_LE(damaged.sound.frames, DecodeWithOvRead(ogg).frames);
}

TEST_F(OggLoad, NonVorbisDataIsNotTheDecodersToOpen) {
  const std::vector<std::vector<uint8_t>> notVorbis = {
      {}, {'O', 'g', 'g', 'S'}, std::vector<uint8_t>(5000, 0x4F), {'I', 'D', '3', 3, 0, 0}};
  for (const auto& bytes : notVorbis) {
    EXPECT_EQ(OggVorbisDecoder().open(bytes.data(), bytes.size()), nullptr);
    SoundFileResult result = LoadSoundImage(bytes);
    EXPECT_FALSE(result.loaded);
    EXPECT_THAT(result.refusal, HasSubstr("no decoder"));
  }
}

TEST_F(OggLoad, WithoutTheDecoderRegisteredOggIsRefused) {
  std::vector<uint8_t> bytes = ReadBytes(MakeOggTone("tone", 1, 22050, 0.1));
  DecoderRegistry none;
  EXPECT_FALSE(LoadSoundImage(bytes, none).loaded);
  DecoderRegistry oggOnly;
  oggOnly.Append(OggVorbisDecoder());
  EXPECT_TRUE(LoadSoundImage(bytes, oggOnly).loaded);
}

TEST(OggRegistration, RegisteringTwiceAddsTheDecoderOnce) {
  SoundUseOggDecoder();
  SoundUseOggDecoder();
  int count = 0;
  for (const SoundDecoder* decoder : SoundDecoders().Decoders())
    count += decoder == &OggVorbisDecoder();
  EXPECT_EQ(count, 1);
}

}  // namespace
