// tools/assetgen/wav_writer.h - writes a Sound as a canonical 16-bit PCM RIFF WAV file
// (44-byte header, little-endian) at kRate, creating missing folders on the way.
// Samples are clamped to -1 .. 1 and rounded to the nearest step (x 32767).
// Threads: any; one file per call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/sound.h"

namespace assetgen {

std::vector<uint8_t> EncodeWav(const Sound& sound);
// Returns false (and leaves no half-written file under `path`) when writing fails.
bool WriteWav(const std::string& path, const Sound& sound);
// Writes `bytes` as the file `path` the same way (missing folders made, no half file).
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace assetgen
