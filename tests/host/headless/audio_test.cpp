// The offline audio output as the headless host's device: the mix follows virtual time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/decoded_sound.h"
#include "audio/sound.h"
#include "audio/sound_engine.h"
#include "host/audio/offline_audio_output.h"
#include "host/headless/headless_host.h"
#include "platform/timing.h"
#include "runtime/threads.h"

namespace {

constexpr int32_t kRate = 8000;  // frames per second: 8 frames per ms

// A steady half-scale tone, one second long: loud enough to tell from silence.
DecodedSound HalfScale() {
  DecodedSound sound;
  sound.channels = 1;
  sound.rate = kRate;
  sound.bitsPerSample = 32;
  sound.floatSource = true;
  sound.frames = kRate;
  sound.samples.assign(static_cast<size_t>(kRate), 0.5f);
  return sound;
}

// RMS of both channels over the frames of virtual ms [fromMs, toMs).
double Loudness(const std::vector<float>& stereo, int32_t fromMs, int32_t toMs) {
  double sum = 0;
  size_t from = static_cast<size_t>(fromMs) * 8 * 2, to = static_cast<size_t>(toMs) * 8 * 2;
  for (size_t i = from; i < to; ++i) sum += static_cast<double>(stereo.at(i)) * stereo[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

int32_t tone = 0;  // written by main before the thread starts

int32_t PlayFromAnotherThread(int32_t) {
  DelayMs(300);
  SoundPlay(tone, 0, 100);
  DelayMs(50);
  SoundStop(tone);
  return 0;
}

std::vector<float> RunWithTone(HeadlessHost& host) {
  host.Install();
  EXPECT_NE(SoundInit(), 0);
  tone = SoundLoadDecoded(-1, HalfScale());
  EXPECT_NE(tone, 0);
  ThreadCreate(PlayFromAnotherThread, 0);
  DelayMs(100);
  SoundPlay(tone, 0, 100);
  DelayMs(50);
  SoundStop(tone);
  DelayMs(250);  // to 400 ms
  std::vector<float> samples = host.audio().Samples();
  host.Uninstall();  // the run left the engine open: the host closes it
  return samples;
}

TEST(HeadlessAudio, EveryStepOfVirtualTimeRendersItsFramesOfTheMix) {
  HeadlessOptions options;
  options.audioRate = kRate;
  HeadlessHost first(options);
  std::vector<float> samples = RunWithTone(first);

  ASSERT_EQ(samples.size(), static_cast<size_t>(400 * 8 * 2));
  EXPECT_LT(Loudness(samples, 0, 100), 1e-6);
  EXPECT_GT(Loudness(samples, 110, 140), 0.2);  // away from the start and stop ramps
  EXPECT_LT(Loudness(samples, 170, 300), 1e-6);
  EXPECT_GT(Loudness(samples, 310, 340), 0.2);  // played by the other thread
  EXPECT_LT(Loudness(samples, 370, 400), 1e-6);

  EXPECT_EQ(SoundIsPlaying(tone), 3);  // closed with the host: no such sound

  HeadlessHost second(options);
  EXPECT_TRUE(RunWithTone(second) == samples) << "the same run mixed differently";
}

}  // namespace
