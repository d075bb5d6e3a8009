// Sounds made in memory and an engine running on the offline device, for the engine tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/audio_output.h"
#include "audio/decoded_sound.h"
#include "audio/sound.h"
#include "audio/sound_engine.h"
#include "host/audio/offline_audio_output.h"

inline constexpr double kTwoPi = 6.283185307179586;

// `frames` frames of `channels` channels, every sample produced by `sample(frame, channel)`.
template <typename SampleAt>
DecodedSound MakeSound(int32_t rate, int32_t channels, int64_t frames, SampleAt sample) {
  DecodedSound sound;
  sound.channels = channels;
  sound.rate = rate;
  sound.bitsPerSample = 32;
  sound.floatSource = true;
  sound.frames = frames;
  sound.samples.resize(static_cast<size_t>(frames * channels));
  for (int64_t i = 0; i < frames; ++i) {
    for (int32_t c = 0; c < channels; ++c) {
      sound.samples[static_cast<size_t>(i * channels + c)] = static_cast<float>(sample(i, c));
    }
  }
  return sound;
}

inline DecodedSound Sine(double hz, int32_t rate, int64_t frames, int32_t channels = 1,
                         double amplitude = 1.0) {
  return MakeSound(rate, channels, frames, [&](int64_t i, int32_t) {
    return amplitude * std::sin(kTwoPi * hz * static_cast<double>(i) / rate);
  });
}

inline DecodedSound Constant(double value, int32_t rate, int64_t frames, int32_t channels = 1) {
  return MakeSound(rate, channels, frames, [&](int64_t, int32_t) { return value; });
}

// One channel (0 left, 1 right) of interleaved stereo, from frame `from` on.
inline std::vector<float> Channel(const std::vector<float>& stereo, int32_t channel,
                                  size_t from = 0) {
  std::vector<float> out;
  for (size_t i = 2 * from + static_cast<size_t>(channel); i < stereo.size(); i += 2) {
    out.push_back(stereo[i]);
  }
  return out;
}

inline double Rms(const std::vector<float>& samples) {
  double sum = 0.0;
  for (float s : samples) sum += static_cast<double>(s) * s;
  return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

// The largest step between neighbouring samples.
inline double LargestJump(const std::vector<float>& samples) {
  double largest = 0.0;
  for (size_t i = 1; i < samples.size(); ++i) {
    largest = std::max(largest, std::abs(static_cast<double>(samples[i]) - samples[i - 1]));
  }
  return largest;
}

// An engine on a 48 kHz offline device for each test, shut down afterwards.
class OfflineEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallAudioOutput(&output);
    ASSERT_NE(SoundInit(), 0);
  }
  void TearDown() override {
    SoundShutdown();
    InstallAudioOutput(nullptr);
  }

  // Renders `ms` of virtual time and returns just those frames, interleaved.
  std::vector<float> Listen(uint32_t ms) {
    output.ClearSamples();
    output.Advance(ms);
    return output.Samples();
  }

  OfflineAudioOutput output;
};
