// Loading RIFF WAV images from memory: the chunk walk, its damaged and unusual
// layouts, and the value of every accepted sample encoding.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "audio/sound_file.h"
#include "wav_builder.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const Bytes kMono16 = FormatBlock({1, 1, 22050, 16});
const Bytes kFourSamples = Pcm16({0, 16384, -32768, 32767});

SoundFileResult Load(const Bytes& image) {
  return LoadSoundImage(image);
}

// The RIFF file built in `file` is refused, for a reason that names `why`.
void ExpectRefused(const Bytes& file, const char* why) {
  SoundFileResult result = Load(FinishRiff(file));
  EXPECT_FALSE(result.loaded);
  EXPECT_THAT(result.refusal, HasSubstr(why));
}

void ExpectFourSamples(const SoundFileResult& result) {
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_EQ(result.sound.channels, 1);
  EXPECT_EQ(result.sound.rate, 22050);
  EXPECT_EQ(result.sound.bitsPerSample, 16);
  EXPECT_EQ(result.sound.frames, 4);
  EXPECT_THAT(result.sound.samples, ElementsAre(0.0f, 0.5f, -1.0f, 32767.0f / 32768.0f));
}

// ---- chunk layout ----------------------------------------------------------------

TEST(WavChunks, PlainFileLoads) {
  ExpectFourSamples(Load(SimpleWav(kMono16, kFourSamples)));
}

TEST(WavChunks, ListChunkBetweenFormatAndDataIsSkipped) {
  Bytes file = RiffHeader();
  AppendChunk(file, "fmt ", kMono16);
  AppendChunk(file, "LIST", Bytes{'I', 'N', 'F', 'O', 1, 2, 3, 4});
  AppendChunk(file, "data", kFourSamples);
  ExpectFourSamples(Load(FinishRiff(file)));
}

TEST(WavChunks, ListChunkBeforeFormatIsRefused) {
  Bytes file = RiffHeader();
  AppendChunk(file, "LIST", Bytes{'I', 'N', 'F', 'O'});
  AppendChunk(file, "fmt ", kMono16);
  AppendChunk(file, "data", kFourSamples);
  ExpectRefused(file, "fmt");
}

TEST(WavChunks, OddChunkBeforeDataIsFoundWithAndWithoutPadByte) {
  for (bool pad : {false, true}) {
    Bytes file = RiffHeader();
    AppendChunk(file, "fmt ", kMono16);
    AppendChunk(file, "note", Bytes{1, 2, 3}, std::nullopt, pad);
    AppendChunk(file, "junk", Bytes{9, 9, 9, 9, 9}, std::nullopt, pad);
    AppendChunk(file, "data", kFourSamples);
    SCOPED_TRACE(pad ? "padded" : "unpadded");
    ExpectFourSamples(Load(FinishRiff(file)));
  }
}

TEST(WavChunks, PaddedOddChunkWhoseBodyEndsInLettersStillFindsData) {
  // The byte after the odd body is the pad; the unpadded position reads "\0dat".
  Bytes file = RiffHeader();
  AppendChunk(file, "fmt ", kMono16);
  AppendChunk(file, "note", Bytes{'a', 'b', 'c'}, std::nullopt, true);
  AppendChunk(file, "data", kFourSamples);
  ExpectFourSamples(Load(FinishRiff(file)));
}

TEST(WavChunks, OddDataChunkFollowedByAnotherChunkUsesWholeFrames) {
  Bytes pcm = kFourSamples;
  pcm.push_back(0x7F);  // half a frame
  Bytes file = RiffHeader();
  AppendChunk(file, "fmt ", kMono16);
  AppendChunk(file, "data", pcm, std::nullopt, true);
  AppendChunk(file, "LIST", Bytes{'I', 'N', 'F', 'O'});
  ExpectFourSamples(Load(FinishRiff(file)));
}

TEST(WavChunks, OnlyTheFirstDataChunkIsUsed) {
  Bytes file = RiffHeader();
  AppendChunk(file, "fmt ", kMono16);
  AppendChunk(file, "data", kFourSamples);
  AppendChunk(file, "data", Pcm16({1, 2, 3, 4, 5, 6}));
  ExpectFourSamples(Load(FinishRiff(file)));
}

TEST(WavChunks, FormTypeAndRiffSizeAreNotExamined) {
  Bytes file = SimpleWav(kMono16, kFourSamples);
  std::memcpy(file.data() + 8, "XXXX", 4);
  for (uint32_t riffSize : {0u, 0xFFFFFFFFu, 0x7FFFF000u, 3u}) {
    ExpectFourSamples(Load(FinishRiff(file, riffSize)));
  }
}

// ---- damaged and truncated files -------------------------------------------------

TEST(WavDamage, DataSizePastTheEndIsClippedToTheImage) {
  // Truncated files and the placeholders streaming writers leave behind.
  for (uint32_t declared : {9u, 100u, 0x7FFFF000u, 0xFFFFFFFFu}) {
    Bytes file = RiffHeader();
    AppendChunk(file, "fmt ", kMono16);
    AppendChunk(file, "data", kFourSamples, declared);
    SCOPED_TRACE(declared);
    ExpectFourSamples(Load(FinishRiff(file)));
  }
}

TEST(WavDamage, TruncatedInsideTheSamplesKeepsTheWholeFramesThatArrived) {
  Bytes file = SimpleWav(kMono16, kFourSamples);
  file.resize(file.size() - 3);
  SoundFileResult result = Load(file);
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_THAT(result.sound.samples, ElementsAre(0.0f, 0.5f));
}

TEST(WavDamage, EveryTruncationOfTheHeadersIsRefused) {
  Bytes file = SimpleWav(kMono16, kFourSamples);
  const size_t headerBytes = 12 + 8 + kMono16.size() + 8;  // up to the data body
  for (size_t size = 0; size <= headerBytes; ++size) {
    Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
    SoundFileResult result = Load(cut);
    EXPECT_FALSE(result.loaded) << "cut at " << size;
    EXPECT_FALSE(result.refusal.empty());
  }
}

TEST(WavDamage, FormatChunkShorterThan16BytesIsRefused) {
  Bytes file = RiffHeader();
  Bytes shortFormat(kMono16.begin(), kMono16.begin() + 14);
  AppendChunk(file, "fmt ", shortFormat);
  AppendChunk(file, "data", kFourSamples);
  ExpectRefused(file, "shorter than 16");
}

TEST(WavDamage, FormatChunkRunningPastTheEndIsRefused) {
  Bytes file = RiffHeader();
  AppendChunk(file, "fmt ", kMono16, 0xFFFFFFF0u);
  AppendChunk(file, "data", kFourSamples);
  EXPECT_FALSE(Load(FinishRiff(file)).loaded);
}

TEST(WavDamage, HugeChunkSizeBeforeDataEndsTheWalkInsteadOfWrapping) {
  // In 32-bit arithmetic 8 + 0xFFFFFFF8 wraps to 0 and the walk would stand still.
  for (uint32_t declared : {0xFFFFFFF8u, 0xFFFFFFFFu, 0x80000000u}) {
    Bytes file = RiffHeader();
    AppendChunk(file, "fmt ", kMono16);
    AppendChunk(file, "junk", Bytes{1, 2, 3, 4}, declared);
    AppendChunk(file, "data", kFourSamples);
    ExpectRefused(file, "no \"data\" chunk");
  }
}

TEST(WavDamage, MissingOrEmptyDataIsRefused) {
  Bytes noData = RiffHeader();
  AppendChunk(noData, "fmt ", kMono16);
  AppendChunk(noData, "LIST", Bytes{'I', 'N', 'F', 'O'});
  EXPECT_FALSE(Load(FinishRiff(noData)).loaded);
  EXPECT_FALSE(Load(SimpleWav(kMono16, Bytes())).loaded);
  EXPECT_FALSE(Load(SimpleWav(kMono16, Bytes{0x12})).loaded);  // less than one frame
}

TEST(WavDamage, FieldsThatWouldDivideByZeroAreRefused) {
  FormatFields zeroAlign{1, 1, 22050, 16, 0};
  FormatFields zeroBits{1, 1, 22050, 0, 2};
  FormatFields zeroChannels{1, 0, 22050, 16, 2};
  FormatFields wrongAlign{1, 2, 22050, 16, 2};
  for (const FormatFields& fields : {zeroAlign, zeroBits, zeroChannels, wrongAlign}) {
    SoundFileResult result = Load(SimpleWav(FormatBlock(fields), kFourSamples));
    EXPECT_FALSE(result.loaded);
    EXPECT_FALSE(result.refusal.empty());
  }
}

// ---- sample encodings ------------------------------------------------------------

TEST(WavEncodings, EightBitIsUnsignedAroundMidpoint) {
  Bytes format = FormatBlock({1, 1, 8000, 8});
  SoundFileResult result = Load(SimpleWav(format, Bytes{0, 64, 128, 255}));
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_EQ(result.sound.bitsPerSample, 8);
  EXPECT_THAT(result.sound.samples, ElementsAre(-1.0f, -0.5f, 0.0f, 127.0f / 128.0f));
}

TEST(WavEncodings, StereoIsInterleavedLeftFirst) {
  Bytes format = FormatBlock({1, 2, 44100, 16});
  SoundFileResult result = Load(SimpleWav(format, Pcm16({16384, -16384, 8192, -8192, 1})));
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_EQ(result.sound.channels, 2);
  EXPECT_EQ(result.sound.frames, 2);  // the odd fifth sample is half a frame
  EXPECT_THAT(result.sound.samples, ElementsAre(0.5f, -0.5f, 0.25f, -0.25f));
}

TEST(WavEncodings, TwentyFourBitIsSignedLittleEndian) {
  Bytes format = FormatBlock({1, 1, 48000, 24});
  Bytes pcm = {0x00, 0x00, 0x40,   // 0x400000 = 0.5
               0x00, 0x00, 0x80,   // -0x800000 = -1
               0xFF, 0xFF, 0x7F,   // full scale
               0x01, 0x00, 0x00};  // one step
  SoundFileResult result = Load(SimpleWav(format, pcm));
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_EQ(result.sound.bitsPerSample, 24);
  EXPECT_THAT(result.sound.samples,
              ElementsAre(0.5f, -1.0f, static_cast<float>(8388607.0 / 8388608.0),
                          static_cast<float>(1.0 / 8388608.0)));
}

TEST(WavEncodings, ThirtyTwoBitIntegerUsesItsFullScale) {
  Bytes format = FormatBlock({1, 1, 96000, 32});
  Bytes pcm;
  for (uint32_t v : {0x40000000u, 0x80000000u, 0xC0000000u}) PutU32(pcm, v);
  SoundFileResult result = Load(SimpleWav(format, pcm));
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_FALSE(result.sound.floatSource);
  EXPECT_THAT(result.sound.samples, ElementsAre(0.5f, -1.0f, -0.5f));
}

Bytes FloatPcm(std::initializer_list<float> values) {
  Bytes pcm;
  for (float v : values) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    PutU32(pcm, bits);
  }
  return pcm;
}

TEST(WavEncodings, FloatIsTakenAsItStandsAndClampedToFullScale) {
  Bytes format = FormatBlock({3, 1, 44100, 32});
  SoundFileResult result = Load(SimpleWav(
      format, FloatPcm({0.25f, -0.75f, 1.5f, -3.0f, std::numeric_limits<float>::quiet_NaN(),
                        std::numeric_limits<float>::infinity()})));
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_TRUE(result.sound.floatSource);
  EXPECT_EQ(result.sound.bitsPerSample, 32);
  EXPECT_THAT(result.sound.samples, ElementsAre(0.25f, -0.75f, 1.0f, -1.0f, 0.0f, 1.0f));
}

TEST(WavEncodings, ExtensibleWithPcmOrFloatSubformat) {
  SoundFileResult pcm = Load(SimpleWav(ExtensibleBlock(2, 44100, 16, 1), Pcm16({16384, -32768})));
  ASSERT_TRUE(pcm.loaded) << pcm.refusal;
  EXPECT_THAT(pcm.sound.samples, ElementsAre(0.5f, -1.0f));

  SoundFileResult flt = Load(SimpleWav(ExtensibleBlock(1, 44100, 32, 3), FloatPcm({-0.125f})));
  ASSERT_TRUE(flt.loaded) << flt.refusal;
  EXPECT_TRUE(flt.sound.floatSource);
  EXPECT_THAT(flt.sound.samples, ElementsAre(-0.125f));
}

TEST(WavEncodings, ExtensibleWithoutAUsableSubformatIsRefused) {
  Bytes adpcm = ExtensibleBlock(1, 44100, 16, 2);
  Bytes badGuid = ExtensibleBlock(1, 44100, 16, 1);
  badGuid.back() ^= 0xFF;
  Bytes cut = ExtensibleBlock(1, 44100, 16, 1);
  cut.resize(18);
  for (const Bytes& format : {adpcm, badGuid, cut}) {
    EXPECT_FALSE(Load(SimpleWav(format, kFourSamples)).loaded);
  }
}

TEST(WavEncodings, OtherEncodingsChannelCountsAndRatesAreRefused) {
  const FormatFields refused[] = {
      {2, 1, 22050, 4, 256},  // ADPCM
      {1, 1, 22050, 12},     {3, 1, 22050, 64},  {3, 1, 22050, 16},       {1, 3, 22050, 16},
      {1, 1, 7999, 16},      {1, 1, 192001, 16}, {1, 1, 0xFFFFFFFFu, 16},
  };
  for (const FormatFields& fields : refused) {
    SoundFileResult result = Load(SimpleWav(FormatBlock(fields), Bytes(64, 0)));
    EXPECT_FALSE(result.loaded) << "tag " << fields.tag << " bits " << fields.bits;
    EXPECT_FALSE(result.refusal.empty());
  }
  for (uint32_t rate : {8000u, 192000u}) {
    EXPECT_TRUE(Load(SimpleWav(FormatBlock({1, 1, rate, 16}), kFourSamples)).loaded) << rate;
  }
}

// The refusal names the rate field as the file states it, all 32 bits of it.
TEST(WavEncodings, ARefusedRateIsNamedAsTheFileStatesIt) {
  const std::pair<uint32_t, const char*> rows[] = {
      {0x80000000u, "sample rate 2147483648 Hz outside 8000 .. 192000"},
      {0xFFFFFFFFu, "sample rate 4294967295 Hz outside 8000 .. 192000"},
  };
  for (const auto& [rate, refusal] : rows) {
    EXPECT_EQ(Load(SimpleWav(FormatBlock({1, 1, rate, 16}), kFourSamples)).refusal, refusal);
  }
}

}  // namespace
