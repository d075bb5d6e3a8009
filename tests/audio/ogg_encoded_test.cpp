// Ogg Vorbis streams encoded inside the test (the asset generator's writer, over
// libvorbisenc), so the decoder is tested on every system the game is built for, with no
// outside program: the Windows build's tests run under Wine, where oggenc cannot be
// started. Each load is checked sample for
// sample against a plain ov_read loop over the same file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"
#include "sound_files.h"
#include "tools/assetgen/vorbis_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

// One link: `frames` of a two-tone chord (a different pitch on each channel) at `rate`.
Bytes EncodeTone(int channels, long rate, int64_t frames, int serial) {
  const double step = 2 * std::numbers::pi / static_cast<double>(rate);
  std::vector<float> samples;
  samples.reserve(static_cast<size_t>(frames * channels));
  for (int64_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      samples.push_back(static_cast<float>(0.4 * std::sin(step * (440 + 220 * c) * i)));
    }
  }
  Bytes out = assetgen::EncodeVorbis(samples, channels, rate, 0.2f, serial);
  EXPECT_FALSE(out.empty()) << channels << " channels at " << rate << " Hz";
  return out;
}

class EncodedOgg : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder.path().empty());
    SoundUseOggDecoder();
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    WriteBytes(folder.path() / name, bytes);
    return folder / name;
  }
  TempFolder folder;
};

TEST_F(EncodedOgg, MonoAndStereoFromDiskMatchAPlainOvReadLoop) {
  const std::string mono = Write("mono.ogg", EncodeTone(1, 22050, 15000, 1));
  const std::string stereo = Write("stereo.ogg", EncodeTone(2, 44100, 20000, 2));
  const SoundFileResult monoResult = LoadSoundFile(mono);
  EXPECT_EQ(monoResult.sound.frames, 15000);  // every frame given to the encoder
  ExpectSameAsOvRead(monoResult, DecodeWithOvRead(mono));
  ExpectSameAsOvRead(LoadSoundFile(stereo), DecodeWithOvRead(stereo));
}

TEST_F(EncodedOgg, ALinkAfterAnotherIsDecodedInOrder) {
  const Bytes first = EncodeTone(1, 22050, 6000, 10), second = EncodeTone(1, 22050, 9000, 11);
  Bytes chained = first;
  chained.insert(chained.end(), second.begin(), second.end());
  ReferenceOgg both = DecodeWithOvRead(Write("first.ogg", first));
  const ReferenceOgg after = DecodeWithOvRead(Write("second.ogg", second));
  both.frames += after.frames;
  both.samples.insert(both.samples.end(), after.samples.begin(), after.samples.end());
  ExpectSameAsOvRead(LoadSoundImage(chained), both);
  EXPECT_EQ(LoadSoundImage(chained).sound.frames, 15000);
}

TEST_F(EncodedOgg, AStreamCutShortGivesWhatArrived) {
  // Long enough that the audio pages far outweigh the headers (about 4 kB).
  const Bytes whole = EncodeTone(2, 44100, 5 * 44100, 20);
  const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() * 2 / 3));
  const SoundFileResult result = LoadSoundImage(cut);
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_GT(result.sound.frames, 44100);
  EXPECT_LT(result.sound.frames, 5 * 44100);
  const Bytes headersOnly(whole.begin(), whole.begin() + 100);
  EXPECT_FALSE(LoadSoundImage(headersOnly).loaded);
}

}  // namespace
