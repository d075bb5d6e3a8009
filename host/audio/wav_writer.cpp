#include "host/audio/wav_writer.h"

#include <algorithm>
#include <array>

namespace {

void PutU16(uint8_t*& at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
  at += 2;
}

void PutU32(uint8_t*& at, uint32_t value) {
  PutU16(at, value & 0xffff);
  PutU16(at, value >> 16);
}

void PutTag(uint8_t*& at, const char* tag) {
  std::copy(tag, tag + 4, at);
  at += 4;
}

}  // namespace

bool WriteFloatWavHeader(std::FILE* file, int32_t channels, int32_t rate, int64_t frames) {
  const uint32_t blockBytes = static_cast<uint32_t>(channels) * 4;
  // A RIFF size field has 32 bits: a longer recording keeps the largest size it can state.
  const int64_t dataBytes = std::min<int64_t>(frames * blockBytes, 0xffffffffLL - 64);
  std::array<uint8_t, kFloatWavHeaderBytes> header{};
  uint8_t* at = header.data();
  PutTag(at, "RIFF");
  PutU32(at, static_cast<uint32_t>(dataBytes + kFloatWavHeaderBytes - 8));
  PutTag(at, "WAVE");
  PutTag(at, "fmt ");
  PutU32(at, 18);
  PutU16(at, 3);  // IEEE float
  PutU16(at, static_cast<uint32_t>(channels));
  PutU32(at, static_cast<uint32_t>(rate));
  PutU32(at, static_cast<uint32_t>(rate) * blockBytes);
  PutU16(at, blockBytes);
  PutU16(at, 32);
  PutU16(at, 0);  // no extension bytes
  PutTag(at, "fact");
  PutU32(at, 4);
  PutU32(at, static_cast<uint32_t>(dataBytes / blockBytes));
  PutTag(at, "data");
  PutU32(at, static_cast<uint32_t>(dataBytes));
  return std::fwrite(header.data(), 1, header.size(), file) == header.size();
}
