#include "tools/assetgen/speech.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/assetgen/effects.h"

namespace assetgen {
namespace {

uint32_t Read32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

uint16_t Read16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

std::optional<std::string> RunAndCapture(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string bytes;
  char chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) bytes.append(chunk, got);
  int status = pclose(pipe);
  if (status != 0) return std::nullopt;
  return bytes;
}

Mono TrimSilence(const Mono& in) {
  const float threshold = 0.002f;  // about -54 dBFS
  size_t first = 0, last = in.size();
  while (first < in.size() && std::fabs(in[first]) < threshold) ++first;
  while (last > first && std::fabs(in[last - 1]) < threshold) --last;
  const auto margin = static_cast<size_t>(Frames(0.01));
  first = first > margin ? first - margin : 0;
  last = std::min(in.size(), last + margin);
  return Mono(in.begin() + static_cast<ptrdiff_t>(first),
              in.begin() + static_cast<ptrdiff_t>(last));
}

}  // namespace

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::optional<Mono> ParseStreamedWav(const std::string& bytes, int& rate) {
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
    return std::nullopt;
  }
  size_t at = 12;
  bool haveFormat = false;
  while (at + 8 <= bytes.size()) {
    std::string tag = bytes.substr(at, 4);
    uint64_t size = Read32(bytes, at + 4);
    at += 8;
    if (tag == "fmt ") {
      if (size < 16 || at + 16 > bytes.size()) return std::nullopt;
      if (Read16(bytes, at) != 1 || Read16(bytes, at + 2) != 1 || Read16(bytes, at + 14) != 16) {
        return std::nullopt;  // only 16-bit mono PCM is expected from espeak-ng
      }
      rate = static_cast<int>(Read32(bytes, at + 4));
      haveFormat = rate >= 8000 && rate <= 192000;
    } else if (tag == "data") {
      if (!haveFormat) return std::nullopt;
      Mono samples((bytes.size() - at) / 2);
      for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(static_cast<int16_t>(Read16(bytes, at + 2 * i)) / 32768.0);
      }
      return samples;
    }
    at += size + (size & 1);
  }
  return std::nullopt;
}

std::optional<Mono> Speak(const std::string& text, const Voice& voice) {
  std::string command = "espeak-ng --stdout -v " + ShellQuote(voice.name) + " -s " +
                        std::to_string(voice.wordsPerMinute) + " -p " +
                        std::to_string(voice.pitch) + " -g " + std::to_string(voice.wordGap) +
                        " -- " + ShellQuote(text) + " 2>/dev/null";
  std::optional<std::string> bytes = RunAndCapture(command);
  if (!bytes) return std::nullopt;
  int rate = 0;
  std::optional<Mono> samples = ParseStreamedWav(*bytes, rate);
  if (!samples || samples->empty()) return std::nullopt;
  return TrimSilence(Resample(*samples, rate));
}

}  // namespace assetgen
