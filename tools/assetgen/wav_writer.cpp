#include "tools/assetgen/wav_writer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace assetgen {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

}  // namespace

std::vector<uint8_t> EncodeWav(const Sound& sound) {
  const auto channels = static_cast<uint32_t>(sound.channels);
  const auto dataBytes = static_cast<uint32_t>(sound.samples.size() * 2);
  std::vector<uint8_t> out;
  out.reserve(44 + dataBytes);
  PutTag(out, "RIFF");
  Put32(out, 36 + dataBytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, channels);
  Put32(out, kRate);
  Put32(out, kRate * channels * 2);  // bytes per second
  Put16(out, channels * 2);          // bytes per frame
  Put16(out, 16);                    // bits per sample
  PutTag(out, "data");
  Put32(out, dataBytes);
  for (float s : sound.samples) {
    double scaled = std::clamp(static_cast<double>(s), -1.0, 1.0) * 32767.0;
    auto value = static_cast<int32_t>(std::floor(scaled + 0.5));
    Put16(out, static_cast<uint32_t>(value) & 0xFFFF);
  }
  return out;
}

bool WriteWav(const std::string& path, const Sound& sound) {
  return WriteFileBytes(path, EncodeWav(sound));
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return false;  // an encoder that failed
  std::error_code error;
  std::filesystem::path target(path);
  std::filesystem::create_directories(target.parent_path(), error);
  if (error) return false;
  std::filesystem::path temporary = target;
  temporary += ".part";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) return false;
  }
  std::filesystem::rename(temporary, target, error);
  return !error;
}

}  // namespace assetgen
