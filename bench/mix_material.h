// What the sound engine's benchmarks mix: an output that the benchmark pulls at its own
// pace, and looping 16-bit stereo material at 44.1 kHz.
#pragma once

#include <cmath>
#include <cstdint>

#include "audio/audio_output.h"
#include "audio/decoded_sound.h"

// An output that only remembers its source, so the benchmark pulls at its own pace.
class PulledOutput final : public AudioOutput {
 public:
  bool Open(AudioSource& source) override {
    source_ = &source;
    return true;
  }
  void Close() override { source_ = nullptr; }
  int32_t OpenRate() const override { return 48000; }  // the rate the benchmarks pull at
  AudioSource* source() const { return source_; }

 private:
  AudioSource* source_ = nullptr;
};

// Half a second or so of a 16-bit stereo chord, a little longer for each voice so that
// the wraps fall at different places.
inline DecodedSound Material(int32_t voice) {
  DecodedSound sound;
  sound.channels = 2;
  sound.rate = 44100;
  sound.bitsPerSample = 16;
  sound.frames = 22050 + voice % 64 * 7;
  sound.samples.resize(static_cast<size_t>(sound.frames) * 2);
  for (int64_t i = 0; i < sound.frames; ++i) {
    const double t = static_cast<double>(i) / sound.rate;
    const double left = 0.3 * std::sin(6.2831853 * (220.0 + voice) * t);
    const double right = 0.3 * std::sin(6.2831853 * (330.0 + voice) * t);
    sound.samples[static_cast<size_t>(2 * i)] = std::round(left * 32767.0) / 32768.0f;
    sound.samples[static_cast<size_t>(2 * i + 1)] = std::round(right * 32767.0) / 32768.0f;
  }
  return sound;
}
