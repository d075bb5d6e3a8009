#include "tools/assetgen/vorbis_writer.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

#include "tools/assetgen/sound.h"

namespace assetgen {
namespace {

constexpr float kAssetQuality = 0.5f;     // libvorbis' scale, -0.1 .. 1
constexpr int kAssetSerial = 0x51554C4D;  // any fixed number: the bytes must not vary
constexpr long kChunkFrames = 4096;       // frames handed to the encoder at a time

void AppendPage(std::vector<uint8_t>& out, const ogg_page& page) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}

// Everything the encoder has ready, analysed, packed and paged out.
void Drain(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream,
           std::vector<uint8_t>& out) {
  ogg_page page;
  ogg_packet packet;
  while (vorbis_analysis_blockout(&dsp, &block) == 1) {
    vorbis_analysis(&block, nullptr);
    vorbis_bitrate_addblock(&block);
    while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
      ogg_stream_packetin(&stream, &packet);
      while (ogg_stream_pageout(&stream, &page)) AppendPage(out, page);
    }
  }
}

}  // namespace

std::vector<uint8_t> EncodeVorbis(const std::vector<float>& interleaved, int channels, long rate,
                                  float quality, int serial) {
  std::vector<uint8_t> out;
  if (channels < 1) return out;
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) {
    vorbis_info_clear(&info);
    return out;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, serial);

  ogg_packet header, commentHeader, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codebooks);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentHeader);
  ogg_stream_packetin(&stream, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);  // audio starts a page

  const auto frames = static_cast<int64_t>(interleaved.size()) / channels;
  for (int64_t done = 0; done < frames;) {
    const long n = static_cast<long>(std::min<int64_t>(kChunkFrames, frames - done));
    float** buffer = vorbis_analysis_buffer(&dsp, n);
    for (long i = 0; i < n; ++i) {
      for (int c = 0; c < channels; ++c) {
        const float s = interleaved[static_cast<size_t>((done + i) * channels + c)];
        buffer[c][i] = std::clamp(s, -1.0f, 1.0f);
      }
    }
    vorbis_analysis_wrote(&dsp, n);
    Drain(dsp, block, stream, out);
    done += n;
  }
  vorbis_analysis_wrote(&dsp, 0);  // end of stream: the last packet carries the length
  Drain(dsp, block, stream, out);
  while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

std::vector<uint8_t> EncodeVorbis(const Sound& sound) {
  return EncodeVorbis(sound.samples, sound.channels, kRate, kAssetQuality, kAssetSerial);
}

}  // namespace assetgen
