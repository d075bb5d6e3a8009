#include "wav_for_test.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
bool TagIs(const std::vector<uint8_t>& b, size_t at, const char* tag) {
  return b[at] == tag[0] && b[at + 1] == tag[1] && b[at + 2] == tag[2] && b[at + 3] == tag[3];
}

}  // namespace

TestLoad LoadWavForTest(const std::string& path) {
  TestLoad result;
  std::ifstream file(path, std::ios::binary);
  if (!file) return {false, {}, "cannot open"};
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (b.size() < 12 || !TagIs(b, 0, "RIFF") || !TagIs(b, 8, "WAVE")) return {false, {}, "not RIFF WAVE"};
  if (Le32(b, 4) + 8ull != b.size()) return {false, {}, "RIFF size disagrees with the file"};
  bool haveFormat = false;
  size_t at = 12;
  while (at + 8 <= b.size()) {
    uint64_t size = Le32(b, at + 4);
    size_t body = at + 8;
    if (body + size > b.size()) return {false, {}, "chunk runs past the end"};
    if (TagIs(b, at, "fmt ")) {
      if (size < 16 || Le16(b, body) != 1) return {false, {}, "not PCM"};
      result.sound.channels = Le16(b, body + 2);
      result.sound.rate = static_cast<int32_t>(Le32(b, body + 4));
      result.sound.bitsPerSample = Le16(b, body + 14);
      if (result.sound.bitsPerSample != 16) return {false, {}, "not 16-bit"};
      if (result.sound.channels < 1 || result.sound.channels > 2) return {false, {}, "bad channels"};
      if (Le16(b, body + 12) != result.sound.channels * 2 ||
          Le32(b, body + 8) != static_cast<uint32_t>(result.sound.rate) * result.sound.channels * 2) {
        return {false, {}, "inconsistent block align or byte rate"};
      }
      haveFormat = true;
    } else if (TagIs(b, at, "data")) {
      if (!haveFormat) return {false, {}, "data before fmt"};
      const size_t frameBytes = static_cast<size_t>(result.sound.channels) * 2;
      if (size % frameBytes != 0) return {false, {}, "partial frame"};
      result.sound.frames = static_cast<int64_t>(size / frameBytes);
      result.sound.samples.resize(size / 2);
      for (size_t i = 0; i < result.sound.samples.size(); ++i) {
        result.sound.samples[i] = static_cast<int16_t>(Le16(b, body + 2 * i)) / 32768.0f;
      }
      result.loaded = true;
      return result;
    }
    at = body + size + (size & 1);
  }
  return {false, {}, "no data chunk"};
}
