#include "audio/wav_reader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t kChunkHeaderBytes = 8;    // four-byte identifier, u32 size
constexpr uint64_t kFormatChunkOffset = 12;  // after "RIFF", its size and form type
constexpr uint64_t kFormatBodyOffset = 20;
constexpr uint64_t kMinFormatBytes = 16;  // tag .. bits per sample

uint32_t ReadU32(std::span<const uint8_t> image, uint64_t offset) {
  const uint8_t* p = image.data() + offset;
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool HasIdAt(std::span<const uint8_t> image, uint64_t offset, const char* id) {
  return offset + 4 <= image.size() && std::memcmp(image.data() + offset, id, 4) == 0;
}

// Chunk identifiers are four printable ASCII characters.
bool LooksLikeChunkIdAt(std::span<const uint8_t> image, uint64_t offset) {
  if (offset + 4 > image.size()) return false;
  return std::all_of(image.data() + offset, image.data() + offset + 4,
                     [](uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

// Where the chunk after a body ending at `unpadded` starts. After an odd body the
// next chunk stands one byte further on in a conformant file (the pad byte) and
// right away in some others: a "data" chunk at either place wins, then whichever
// place holds something that looks like a chunk identifier.
uint64_t NextChunkStart(std::span<const uint8_t> image, uint64_t unpadded, bool oddBody) {
  if (!oddBody) return unpadded;
  uint64_t padded = unpadded + 1;
  if (HasIdAt(image, unpadded, "data")) return unpadded;
  if (HasIdAt(image, padded, "data")) return padded;
  return LooksLikeChunkIdAt(image, unpadded) ? unpadded : padded;
}

}  // namespace

bool IsRiffImage(std::span<const uint8_t> image) {
  return HasIdAt(image, 0, "RIFF");
}

std::optional<WavImage> ReadWavImage(std::span<const uint8_t> image, std::string& refusal) {
  if (image.size() < kFormatBodyOffset) {
    refusal = "too short for a WAV header";
    return std::nullopt;
  }
  if (!HasIdAt(image, kFormatChunkOffset, "fmt ")) {
    refusal = "first chunk is not \"fmt \"";
    return std::nullopt;
  }
  uint64_t formatBytes = ReadU32(image, kFormatChunkOffset + 4);
  if (formatBytes < kMinFormatBytes) {
    refusal = "format chunk shorter than 16 bytes";
    return std::nullopt;
  }
  if (kFormatBodyOffset + formatBytes > image.size()) {
    refusal = "format chunk runs past the end of the file";
    return std::nullopt;
  }
  WavImage wav;
  wav.format = image.subspan(kFormatBodyOffset, formatBytes);

  // Each step moves at least 8 bytes on, so the walk ends within the image.
  uint64_t chunk = NextChunkStart(image, kFormatBodyOffset + formatBytes, formatBytes % 2 != 0);
  while (chunk + kChunkHeaderBytes <= image.size()) {
    uint64_t bodyBytes = ReadU32(image, chunk + 4);
    uint64_t body = chunk + kChunkHeaderBytes;
    if (HasIdAt(image, chunk, "data")) {
      wav.declaredDataBytes = static_cast<uint32_t>(bodyBytes);
      wav.pcm = image.subspan(body, std::min<uint64_t>(bodyBytes, image.size() - body));
      return wav;
    }
    chunk = NextChunkStart(image, body + bodyBytes, bodyBytes % 2 != 0);
  }
  refusal = "no \"data\" chunk";
  return std::nullopt;
}
