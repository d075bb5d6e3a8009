// The loader's side of the decoder registry, with decoders of our own making: which
// decoder is asked, the 64,000,000-byte cap, short streams, and that every instance
// opened is closed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "audio/decoder_registry.h"
#include "audio/sound_file.h"
#include "wav_builder.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A decoder whose answers the test sets. Its stream is `delivered` frames of the
// sample value 8192 (0.25), whatever length it claims.
struct FakeDecoder {
  bool accepts = true;
  int32_t channels = 1;
  int64_t rate = 22050;
  int64_t length = 4;
  int64_t delivered = 4;
  int opens = 0, closes = 0, live = 0;
  int64_t deliveredSoFar = 0;
  SoundDecoder table{};
};

// The SoundDecoder operations carry no context, so each fake is reached through its
// own slot; tests use at most two.
FakeDecoder* fakes[2];

template <int slot>
SoundDecoder MakeTable() {
  SoundDecoder table;
  table.name = "fake";
  table.open = [](const uint8_t*, size_t) -> void* {
    FakeDecoder& f = *fakes[slot];
    ++f.opens;
    if (!f.accepts) return nullptr;
    ++f.live;
    f.deliveredSoFar = 0;
    return &f;
  };
  table.channels = [](void* i) { return static_cast<FakeDecoder*>(i)->channels; };
  table.length = [](void* i) { return static_cast<FakeDecoder*>(i)->length; };
  table.rate = [](void* i) { return static_cast<FakeDecoder*>(i)->rate; };
  table.read = [](void* i, uint8_t* destination, int64_t bytes) -> int64_t {
    FakeDecoder& f = *static_cast<FakeDecoder*>(i);
    int64_t frameBytes = 2 * f.channels;
    int64_t frames = std::min(bytes / frameBytes, f.delivered - f.deliveredSoFar);
    for (int64_t s = 0; s < frames * f.channels; ++s) {
      destination[2 * s] = 0x00;
      destination[2 * s + 1] = 0x20;  // 8192
    }
    f.deliveredSoFar += frames;
    return frames * frameBytes;
  };
  table.close = [](void* i) {
    auto& f = *static_cast<FakeDecoder*>(i);
    ++f.closes;
    --f.live;
  };
  return table;
}

class DecodedLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    fakes[0] = &first;
    fakes[1] = &second;
    first.table = MakeTable<0>();
    second.table = MakeTable<1>();
  }
  void TearDown() override {
    EXPECT_EQ(first.live, 0) << "an instance was never closed";
    EXPECT_EQ(second.live, 0) << "an instance was never closed";
  }

  FakeDecoder first, second;
  const Bytes notRiff = Bytes{'O', 'g', 'g', 'S', 0, 0, 0, 0};
};

TEST_F(DecodedLoad, WithNoDecoderEveryNonRiffImageIsRefused) {
  DecoderRegistry none;
  for (const Bytes& image : {notRiff, Bytes{}, Bytes{'R', 'I', 'F'}}) {
    SoundFileResult result = LoadSoundImage(image, none);
    EXPECT_FALSE(result.loaded);
    EXPECT_THAT(result.refusal, HasSubstr("no decoder"));
  }
}

TEST_F(DecodedLoad, TheFirstDecoderThatOpensInRegistrationOrderIsUsed) {
  DecoderRegistry registry;
  registry.Append(first.table);
  registry.Append(second.table);
  second.channels = 2;

  EXPECT_EQ(LoadSoundImage(notRiff, registry).sound.channels, 1);
  EXPECT_EQ(second.opens, 0);

  first.accepts = false;
  SoundFileResult result = LoadSoundImage(notRiff, registry);
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_EQ(result.sound.channels, 2);
  EXPECT_EQ(second.opens, 1);
  EXPECT_EQ(second.closes, 1);
}

TEST_F(DecodedLoad, RiffImagesAreNeverOfferedToDecoders) {
  DecoderRegistry registry;
  registry.Append(first.table);
  Bytes broken = RiffHeader();
  AppendChunk(broken, "LIST", Bytes{1, 2, 3, 4});
  EXPECT_FALSE(LoadSoundImage(FinishRiff(broken), registry).loaded);
  EXPECT_EQ(first.opens, 0);
}

TEST_F(DecodedLoad, DecodedStreamsArriveAs16BitFloatsWithTheirFormat) {
  DecoderRegistry registry;
  registry.Append(first.table);
  first.channels = 2;
  first.rate = 44100;
  first.length = first.delivered = 2;
  SoundFileResult result = LoadSoundImage(notRiff, registry);
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_EQ(result.sound.rate, 44100);
  EXPECT_EQ(result.sound.bitsPerSample, 16);
  EXPECT_EQ(result.sound.frames, 2);
  EXPECT_THAT(result.sound.samples, ElementsAre(0.25f, 0.25f, 0.25f, 0.25f));
}

TEST_F(DecodedLoad, AStreamShorterThanItsLengthEndsInSilence) {
  DecoderRegistry registry;
  registry.Append(first.table);
  first.length = 5;
  first.delivered = 2;
  SoundFileResult result = LoadSoundImage(notRiff, registry);
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_THAT(result.sound.samples, ElementsAre(0.25f, 0.25f, 0.0f, 0.0f, 0.0f));
}

TEST_F(DecodedLoad, UnplayableStreamsAreRefusedAndClosed) {
  DecoderRegistry registry;
  registry.Append(first.table);
  struct Case {
    int32_t channels, rate;
    int64_t length;
  };
  for (Case c : {Case{0, 22050, 4}, Case{6, 22050, 4}, Case{1, 4000, 4}, Case{1, 22050, 0},
                 Case{1, 22050, -131}}) {
    first.channels = c.channels;
    first.rate = c.rate;
    first.length = c.length;
    EXPECT_FALSE(LoadSoundImage(notRiff, registry).loaded) << c.channels << " " << c.rate;
  }
  EXPECT_EQ(first.closes, first.opens);
}

// A decoder's rate reaches the refusal as the stream states it, past 32 bits too.
TEST_F(DecodedLoad, ARefusedRateIsNamedAsTheStreamStatesIt) {
  DecoderRegistry registry;
  registry.Append(first.table);
  for (int64_t rate : {int64_t{2147483648}, int64_t{4294967295}}) {
    first.rate = rate;
    EXPECT_EQ(LoadSoundImage(notRiff, registry).refusal,
              "sample rate " + std::to_string(rate) + " Hz outside 8000 .. 192000");
  }
}

// channels x length x 2 = 2^32 + 4 wraps to 4 in 32 bits; in 64 bits it is capped.
TEST_F(DecodedLoad, LongStreamsAreCutAt64MillionBytesWithoutWrapping) {
  DecoderRegistry registry;
  registry.Append(first.table);
  first.channels = 2;
  first.length = (int64_t{1} << 30) + 1;
  first.delivered = 3;
  SoundFileResult result = LoadSoundImage(notRiff, registry);
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_EQ(result.sound.frames, kMaxDecodedBytes / 4);
  EXPECT_EQ(result.sound.samples.size(), static_cast<size_t>(kMaxDecodedBytes / 2));
  EXPECT_EQ(result.sound.samples[5], 0.25f);
  EXPECT_EQ(result.sound.samples[6], 0.0f);

  first.channels = 1;
  first.length = INT64_MAX;
  result = LoadSoundImage(notRiff, registry);
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_EQ(result.sound.frames, kMaxDecodedBytes / 2);
}

}  // namespace
