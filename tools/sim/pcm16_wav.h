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

// The most sample bytes a WAV file can say it holds: its RIFF size field has 32 bits.
inline constexpr uint64_t kWavMaxDataBytes = UINT32_MAX - 36;

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
  // Appends samples already in the file's form (Pcm16Bytes). Samples past
  // kWavMaxDataBytes are not written: the file fails instead, as its header could not
  // say that it holds them.
  void AppendBytes(const uint8_t* bytes, size_t count);
  // Brings the header's sizes up to date and closes; false on a write error.
  bool Finish();
  // Whether a write has failed or the file is full: it will not hold the whole mix.
  bool Failed() const { return !error_.empty(); }
  // What went wrong first; empty while nothing did.
  const std::string& Error() const { return error_; }

 private:
  bool WriteHeader(uint32_t dataBytes);
  void Fail(std::string error);

  std::FILE* file_ = nullptr;
  int32_t rate_ = 0;
  uint64_t dataBytes_ = 0;
  std::string error_;
};

// The longest run a WAV file holds at `rate` frames per second: ms.
uint64_t WavMaxMs(int32_t rate);

// One sample as the file holds it.
int16_t ToPcm16(float sample);
// `count` samples as the file holds them: 16-bit little-endian, two bytes each.
std::vector<uint8_t> Pcm16Bytes(const float* samples, size_t count);
