// Ogg Vorbis streams encoded inside the test with libvorbisenc, so the decoder is tested
// on every system the game is built for, with no outside program: the Windows build's
// tests run under Wine, where oggenc cannot be started. Each load is checked sample for
// sample against a plain ov_read loop over the same file.
#include <gtest/gtest.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"
#include "sound_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

void AppendPage(Bytes& out, const ogg_page& page) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}

// Moves every finished block of the encoder into pages of `out`.
void Drain(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream, Bytes& out) {
  ogg_page page;
  while (vorbis_analysis_blockout(&dsp, &block) == 1) {
    vorbis_analysis(&block, nullptr);
    vorbis_bitrate_addblock(&block);
    ogg_packet packet;
    while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
      ogg_stream_packetin(&stream, &packet);
      while (ogg_stream_pageout(&stream, &page)) AppendPage(out, page);
    }
  }
}

// One link: `frames` of a two-tone chord (a different pitch on each channel) at `rate`.
Bytes EncodeTone(int channels, long rate, int64_t frames, int serial) {
  vorbis_info info;
  vorbis_info_init(&info);
  EXPECT_EQ(vorbis_encode_init_vbr(&info, channels, rate, 0.2f), 0);
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, serial);

  Bytes out;
  ogg_packet header, commentHeader, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codebooks);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentHeader);
  ogg_stream_packetin(&stream, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);  // audio starts a page

  const double step = 2 * std::numbers::pi / static_cast<double>(rate);
  for (int64_t done = 0; done < frames;) {
    const int n = static_cast<int>(std::min<int64_t>(1024, frames - done));
    float** buffer = vorbis_analysis_buffer(&dsp, n);
    for (int c = 0; c < channels; ++c) {
      for (int i = 0; i < n; ++i) {
        buffer[c][i] = static_cast<float>(0.4 * std::sin(step * (440 + 220 * c) * (done + i)));
      }
    }
    vorbis_analysis_wrote(&dsp, n);
    Drain(dsp, block, stream, out);
    done += n;
  }
  vorbis_analysis_wrote(&dsp, 0);  // end of stream
  Drain(dsp, block, stream, out);
  while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

void ExpectSameAsOvRead(const SoundFileResult& result, const ReferenceOgg& reference) {
  ASSERT_TRUE(reference.opened);
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_EQ(result.sound.channels, reference.channels);
  EXPECT_EQ(result.sound.rate, reference.rate);
  EXPECT_EQ(result.sound.bitsPerSample, 16);
  EXPECT_EQ(result.sound.frames, reference.frames);
  ASSERT_EQ(result.sound.samples.size(), reference.samples.size());
  size_t differences = 0;
  for (size_t i = 0; i < reference.samples.size(); ++i) {
    differences += result.sound.samples[i] != reference.samples[i];
  }
  EXPECT_EQ(differences, 0u);
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
