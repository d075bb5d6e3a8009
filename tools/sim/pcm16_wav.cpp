#include "tools/sim/pcm16_wav.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int32_t kChannels = 2;
constexpr int32_t kBytesPerSample = 2;
constexpr uint64_t kFrameBytes = kChannels * kBytesPerSample;

// Little-endian fields written in place: `at` moves past what was written.
void Put16(unsigned char* out, size_t& at, uint32_t value) {
  out[at++] = static_cast<unsigned char>(value & 0xFF);
  out[at++] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

void Put32(unsigned char* out, size_t& at, uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at, value >> 16);
}

void PutTag(unsigned char* out, size_t& at, const char* tag) {
  for (int i = 0; i < 4; ++i) out[at++] = static_cast<unsigned char>(tag[i]);
}

}  // namespace

int16_t ToPcm16(float sample) {
  double scaled = std::nearbyint(static_cast<double>(sample) * 32767.0);
  if (!(scaled >= -32768.0)) return -32768;  // NaN too: a full-scale click is easier to find
  if (scaled > 32767.0) return 32767;
  return static_cast<int16_t>(scaled);
}

Pcm16WavWriter::~Pcm16WavWriter() {
  Finish();
}

bool Pcm16WavWriter::Open(const std::string& path, int32_t rate) {
  Finish();
  error_.clear();
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    Fail(std::strerror(errno));
    return false;
  }
  rate_ = rate;
  dataBytes_ = 0;
  if (!WriteHeader(0)) Fail(std::strerror(errno));
  return !Failed();
}

void Pcm16WavWriter::Fail(std::string error) {
  if (error_.empty()) error_ = std::move(error);
}

uint64_t WavMaxMs(int32_t rate) {
  return kWavMaxDataBytes / kFrameBytes * 1000 / static_cast<uint64_t>(rate);
}

bool Pcm16WavWriter::WriteHeader(uint32_t dataBytes) {
  std::array<unsigned char, 44> header{};
  size_t at = 0;
  PutTag(header.data(), at, "RIFF");
  Put32(header.data(), at, 36 + dataBytes);
  PutTag(header.data(), at, "WAVE");
  PutTag(header.data(), at, "fmt ");
  Put32(header.data(), at, 16);
  Put16(header.data(), at, 1);  // integer PCM
  Put16(header.data(), at, kChannels);
  Put32(header.data(), at, static_cast<uint32_t>(rate_));
  Put32(header.data(), at, static_cast<uint32_t>(rate_ * kChannels * kBytesPerSample));
  Put16(header.data(), at, kChannels * kBytesPerSample);
  Put16(header.data(), at, 8 * kBytesPerSample);
  PutTag(header.data(), at, "data");
  Put32(header.data(), at, dataBytes);
  return std::fwrite(header.data(), 1, header.size(), file_) == header.size();
}

std::vector<uint8_t> Pcm16Bytes(const float* samples, size_t count) {
  std::vector<uint8_t> bytes(count * kBytesPerSample);
  size_t at = 0;
  for (size_t i = 0; i < count; ++i) {
    Put16(bytes.data(), at, static_cast<uint16_t>(ToPcm16(samples[i])));
  }
  return bytes;
}

void Pcm16WavWriter::Append(const float* samples, size_t count) {
  if (file_ == nullptr) return;
  std::vector<uint8_t> bytes = Pcm16Bytes(samples, count);
  AppendBytes(bytes.data(), bytes.size());
}

void Pcm16WavWriter::AppendBytes(const uint8_t* bytes, size_t count) {
  if (file_ == nullptr || Failed()) return;
  if (count > kWavMaxDataBytes - dataBytes_) {
    Fail("a WAV file holds at most " + std::to_string(WavMaxMs(rate_)) + " ms at " +
         std::to_string(rate_) + " frames a second");
    return;
  }
  if (std::fwrite(bytes, 1, count, file_) != count) Fail(std::strerror(errno));
  dataBytes_ += count;
}

bool Pcm16WavWriter::Finish() {
  if (file_ == nullptr) return !Failed();
  if (!Failed() &&
      (std::fseek(file_, 0, SEEK_SET) != 0 || !WriteHeader(static_cast<uint32_t>(dataBytes_)))) {
    Fail(std::strerror(errno));
  }
  if (std::fclose(file_) != 0) Fail(std::strerror(errno));
  file_ = nullptr;
  return !Failed();
}
