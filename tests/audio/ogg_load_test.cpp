// Loading Ogg Vorbis files made by oggenc, checked sample for sample against a plain
// ov_read loop over the same file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

  static void ExpectSameAsOvRead(const SoundFileResult& result, const ReferenceOgg& reference) {
    ASSERT_TRUE(reference.opened);
    ASSERT_TRUE(result.loaded) << result.refusal;
    EXPECT_EQ(result.sound.channels, reference.channels);
    EXPECT_EQ(result.sound.rate, reference.rate);
    EXPECT_EQ(result.sound.bitsPerSample, 16);
    EXPECT_FALSE(result.sound.floatSource);
    EXPECT_EQ(result.sound.frames, reference.frames);
    ASSERT_EQ(result.sound.samples.size(), reference.samples.size());
    size_t differences = 0;
    for (size_t i = 0; i < reference.samples.size(); ++i) {
      differences += result.sound.samples[i] != reference.samples[i];
    }
    EXPECT_EQ(differences, 0u);
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
  std::string first = MakeOggTone("first", 1, 22050, 0.3);
  std::string second = MakeOggTone("second", 1, 22050, 0.5);
  std::string chained = folder / "chained.ogg";
  ASSERT_TRUE(RunShell("cat '" + first + "' '" + second + "' > '" + chained + "'"));
  ReferenceOgg both = DecodeWithOvRead(first), b = DecodeWithOvRead(second);
  both.frames += b.frames;
  both.samples.insert(both.samples.end(), b.samples.begin(), b.samples.end());
  ExpectSameAsOvRead(LoadSoundFile(chained), both);
}

TEST_F(OggLoad, ChainedLinksWithAnotherChannelCountAreRemixedNotMisinterleaved) {
  std::string mono = MakeOggTone("mono", 1, 22050, 0.2);
  std::string stereo = MakeOggTone("stereo", 2, 22050, 0.2);
  std::string chained = folder / "mixed.ogg";
  ASSERT_TRUE(RunShell("cat '" + mono + "' '" + stereo + "' > '" + chained + "'"));
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
