#include "tools/sim/pcm16_wav.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int32_t kChannels = 2;
constexpr int32_t kBytesPerSample = 2;
// A RIFF size field holds 32 bits; a longer run keeps the largest size it can say.
constexpr uint64_t kMaxDataBytes = UINT32_MAX - 36;

void Put16(std::vector<unsigned char>& out, uint32_t value) {
  out.push_back(static_cast<unsigned char>(value & 0xFF));
  out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void Put32(std::vector<unsigned char>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutTag(std::vector<unsigned char>& out, const char* tag) {
  out.insert(out.end(), tag, tag + 4);
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
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return false;
  rate_ = rate;
  dataBytes_ = 0;
  failed_ = !WriteHeader(0);
  return !failed_;
}

bool Pcm16WavWriter::WriteHeader(uint32_t dataBytes) {
  std::vector<unsigned char> header;
  PutTag(header, "RIFF");
  Put32(header, 36 + dataBytes);
  PutTag(header, "WAVE");
  PutTag(header, "fmt ");
  Put32(header, 16);
  Put16(header, 1);  // integer PCM
  Put16(header, kChannels);
  Put32(header, static_cast<uint32_t>(rate_));
  Put32(header, static_cast<uint32_t>(rate_ * kChannels * kBytesPerSample));
  Put16(header, kChannels * kBytesPerSample);
  Put16(header, 8 * kBytesPerSample);
  PutTag(header, "data");
  Put32(header, dataBytes);
  return std::fwrite(header.data(), 1, header.size(), file_) == header.size();
}

void Pcm16WavWriter::Append(const float* samples, size_t count) {
  if (file_ == nullptr) return;
  std::vector<unsigned char> bytes;
  bytes.reserve(count * kBytesPerSample);
  for (size_t i = 0; i < count; ++i) {
    Put16(bytes, static_cast<uint16_t>(ToPcm16(samples[i])));
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
  dataBytes_ += bytes.size();
}

bool Pcm16WavWriter::Finish() {
  if (file_ == nullptr) return !failed_;
  auto size = static_cast<uint32_t>(std::min(dataBytes_, kMaxDataBytes));
  bool ok = !failed_ && std::fseek(file_, 0, SEEK_SET) == 0 && WriteHeader(size);
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  return ok;
}
