// tools/sim/pcm16_wav.h - the mix as a 16-bit stereo WAV file, written as it is rendered.
// Samples -1 .. 1 are scaled by 32767 and rounded to nearest (ties to even), beyond that
// clipped, so the same mix always gives the same bytes.
// Threads: one user at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class Pcm16WavWriter {
 public:
  Pcm16WavWriter() = default;
  Pcm16WavWriter(const Pcm16WavWriter&) = delete;
  Pcm16WavWriter& operator=(const Pcm16WavWriter&) = delete;
  ~Pcm16WavWriter();  // finishes an open file

  // Creates `path` for stereo at `rate` frames per second; false when it cannot.
  bool Open(const std::string& path, int32_t rate);
  bool IsOpen() const { return file_ != nullptr; }
  // Appends `count` interleaved samples (left, right, left ...).
  void Append(const float* samples, size_t count);
  // Appends samples already in the file's form (Pcm16Bytes).
  void AppendBytes(const uint8_t* bytes, size_t count);
  // Brings the header's sizes up to date and closes; false on a write error.
  bool Finish();

 private:
  bool WriteHeader(uint32_t dataBytes);

  std::FILE* file_ = nullptr;
  int32_t rate_ = 0;
  uint64_t dataBytes_ = 0;
  bool failed_ = false;
};

// One sample as the file holds it.
int16_t ToPcm16(float sample);
// `count` samples as the file holds them: 16-bit little-endian, two bytes each.
std::vector<uint8_t> Pcm16Bytes(const float* samples, size_t count);
