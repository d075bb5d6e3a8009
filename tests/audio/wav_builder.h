// tests/audio/wav_builder.h - RIFF WAV images built byte by byte, so that every
// header field, chunk order, size and pad byte can be set on purpose.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void PutU16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutU32(Bytes& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

inline void PutId(Bytes& out, const char* id) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
}

struct FormatFields {
  uint16_t tag;
  uint16_t channels;
  uint32_t rate;  // frames per second
  uint16_t bits;
  int32_t blockAlign = -1;  // channels x bits / 8 unless set
};

// A 16-byte format block (WAVEFORMAT layout plus bits per sample).
inline Bytes FormatBlock(const FormatFields& f) {
  Bytes out;
  uint16_t align =
      static_cast<uint16_t>(f.blockAlign >= 0 ? f.blockAlign : f.channels * f.bits / 8);
  PutU16(out, f.tag);
  PutU16(out, f.channels);
  PutU32(out, f.rate);
  PutU32(out, f.rate * align);
  PutU16(out, align);
  PutU16(out, f.bits);
  return out;
}

// A 40-byte WAVE_FORMAT_EXTENSIBLE block whose subformat GUID is built from `subTag`.
inline Bytes ExtensibleBlock(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t subTag) {
  Bytes out = FormatBlock({0xFFFE, channels, rate, bits});
  PutU16(out, 22);                     // extra bytes
  PutU16(out, bits);                   // valid bits
  PutU32(out, channels == 2 ? 3 : 4);  // speaker mask
  PutU16(out, subTag);
  const uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  out.insert(out.end(), tail, tail + 14);
  return out;
}

// Appends one chunk. `declared` overrides the size field; `pad` adds the zero byte
// that a conformant writer puts after an odd body.
inline void AppendChunk(Bytes& file, const char* id, const Bytes& body,
                        std::optional<uint32_t> declared = std::nullopt, bool pad = false) {
  PutId(file, id);
  PutU32(file, declared.value_or(static_cast<uint32_t>(body.size())));
  file.insert(file.end(), body.begin(), body.end());
  if (pad && body.size() % 2 != 0) file.push_back(0);
}

// "RIFF", size, "WAVE": the chunks follow. The RIFF size is patched by FinishRiff.
inline Bytes RiffHeader() {
  Bytes file;
  PutId(file, "RIFF");
  PutU32(file, 0);
  PutId(file, "WAVE");
  return file;
}

inline Bytes FinishRiff(Bytes file, std::optional<uint32_t> riffSize = std::nullopt) {
  uint32_t size = riffSize.value_or(static_cast<uint32_t>(file.size() - 8));
  for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<uint8_t>(size >> (8 * i));
  return file;
}

// The plain layout: fmt, then data.
inline Bytes SimpleWav(const Bytes& format, const Bytes& pcm) {
  Bytes file = RiffHeader();
  AppendChunk(file, "fmt ", format);
  AppendChunk(file, "data", pcm);
  return FinishRiff(file);
}

inline Bytes Pcm16(std::initializer_list<int16_t> samples) {
  Bytes out;
  for (int16_t s : samples) PutU16(out, static_cast<uint16_t>(s));
  return out;
}
