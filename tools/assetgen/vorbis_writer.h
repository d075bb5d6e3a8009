// tools/assetgen/vorbis_writer.h - encodes a Sound as an Ogg Vorbis stream, for the long
// files that would make the download large as WAV. The game picks the decoder by the
// content, so the file keeps its ".wav" name. The bytes depend only on the samples and
// the libvorbis version: a fixed stream serial number, no time or random values.
// Threads: any; each call has its own encoder state.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/assetgen/sound.h"

namespace assetgen {

// Variable bit rate at libvorbis quality 0.5 (about 160 kbit/s for stereo at 44.1 kHz):
// the music and narration stay free of audible artefacts. The stream holds exactly
// sound.Frames() frames (the last page's position trims the final block), so a loop keeps
// its length to the frame.
std::vector<uint8_t> EncodeVorbis(const Sound& sound);

}  // namespace assetgen
