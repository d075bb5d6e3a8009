// audio/wav_reader.h - finding the format block and the sample data of a RIFF WAV
// image in memory. Nothing is copied or converted here: both results point into the
// image.
//
// The walk: bytes 12..15 must be the "fmt " chunk (a file whose first chunk is
// anything else is refused); the chunks after it are walked to the first "data"
// chunk. Every offset is computed in 64 bits and checked against the image, so a
// damaged or truncated file is refused or clipped, never read past its end:
//   - a format chunk shorter than 16 bytes, or running past the image, is refused;
//   - a data chunk whose declared size runs past the image (truncated files, and the
//     streaming placeholders 0xFFFFFFFF or 0x7FFFF000) is clipped to the image;
//   - the RIFF size and form type are not examined.
// After a chunk of odd size a conformant file has a pad byte; files written without
// it exist as well, so the chunk after an odd one is looked for at both places.
// Threads: any thread; no shared state.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct WavImage {
  std::span<const uint8_t> format;  // the "fmt " chunk body (>= 16 bytes), as in the file
  std::span<const uint8_t> pcm;     // the first "data" chunk body, clipped to the image
  uint32_t declaredDataBytes = 0;   // the data chunk's size field before clipping
};

// True when the image starts with the RIFF signature and so takes the WAV path.
bool IsRiffImage(std::span<const uint8_t> image);

// Finds the format block and sample data of a RIFF image. On failure returns nothing
// and says why in `refusal`.
std::optional<WavImage> ReadWavImage(std::span<const uint8_t> image, std::string& refusal);
