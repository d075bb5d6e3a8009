// tools/assetgen/vorbis_writer.h - encodes samples as an Ogg Vorbis stream: the long
// files of the asset tree, which would make the download large as WAV (the game picks
// the decoder by the content, so each file keeps its ".wav" name), and the decoder
// tests' own streams. The bytes depend only on the arguments and the libvorbis version:
// no time or random values go in.
// Threads: any; each call has its own encoder state.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

struct Sound;

// `interleaved` holds channels x frames samples, -1 .. 1 (clamped). Variable bit rate at
// libvorbis `quality` (-0.1 .. 1); `serial` is the stream's number. The stream holds
// exactly the frames given (the last page's position trims the final block), so a loop
// keeps its length to the frame. Empty when the encoder refuses the format.
std::vector<uint8_t> EncodeVorbis(const std::vector<float>& interleaved, int channels, long rate,
                                  float quality, int serial);

// A generated sound at quality 0.5 (about 160 kbit/s for stereo at 44.1 kHz), where the
// music and narration stay free of audible artefacts, with a fixed serial number.
std::vector<uint8_t> EncodeVorbis(const Sound& sound);

}  // namespace assetgen
