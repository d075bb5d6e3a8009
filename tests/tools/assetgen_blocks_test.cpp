// The generator's building blocks: the deterministic maths, the WAV encoding, the
// finishing rules for one-shots and loops, resampling, the speech reader and the Ogg
// Vorbis encoding of the long files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"
#include "tools/assetgen/det_math.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/rng.h"
#include "tools/assetgen/speech.h"
#include "tools/assetgen/synth.h"
#include "tools/assetgen/vorbis_writer.h"
#include "tools/assetgen/wav_writer.h"

namespace assetgen {
namespace {

TEST(DeterministicMaths, AgreesWithTheLibraryOverTheRangesInUse) {
  for (double x = -2000.0; x <= 2000.0; x += 0.37) {
    EXPECT_NEAR(Sin(x), std::sin(x), 1e-12) << x;
    EXPECT_NEAR(Cos(x), std::cos(x), 1e-12) << x;
  }
  for (double x = -700.0; x <= 700.0; x += 0.913) {
    EXPECT_NEAR(Exp(x) / std::exp(x), 1.0, 1e-13) << x;
  }
  for (double x = 1e-9; x < 1e9; x *= 1.7) {
    EXPECT_NEAR(Log(x), std::log(x), 1e-13 * std::max(1.0, std::fabs(std::log(x)))) << x;
  }
  EXPECT_NEAR(Pow(2.0, 10.0), 1024.0, 1e-9);
  EXPECT_NEAR(DbToGain(-6.0), 0.501187, 1e-6);
  EXPECT_NEAR(GainToDb(0.1), -20.0, 1e-12);
  EXPECT_NEAR(Tanh(0.5), std::tanh(0.5), 1e-14);
  EXPECT_EQ(Tanh(40.0), 1.0);
  EXPECT_EQ(Exp(-800.0), 0.0);
}

TEST(Rng, TheSameSeedGivesTheSameSequenceInRange) {
  Rng a(42), b(42), c(43);
  bool differs = false;
  for (int i = 0; i < 1000; ++i) {
    double u = a.Uniform();
    EXPECT_EQ(u, b.Uniform());
    EXPECT_GE(u, 0.0);
    EXPECT_LT(u, 1.0);
    differs = differs || u != c.Uniform();
  }
  EXPECT_TRUE(differs);
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
int16_t SampleAt(const std::vector<uint8_t>& b, size_t index) {
  return static_cast<int16_t>(b[44 + 2 * index] | b[45 + 2 * index] << 8);
}

TEST(WavWriter, WritesACanonicalHeaderAndRoundsClampedSamples) {
  Sound s;
  s.channels = 2;
  s.samples = {0.0f, 1.0f, -1.0f, 1.5f, -1.5f, 0.5f, -0.5f, 0.25f};
  std::vector<uint8_t> b = EncodeWav(s);
  ASSERT_EQ(b.size(), 44u + 16u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
  EXPECT_EQ(Le32(b, 4), b.size() - 8);
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(b[22], 2);             // channels
  EXPECT_EQ(Le32(b, 24), 44100u);  // frames per second
  EXPECT_EQ(Le32(b, 28), 44100u * 4);
  EXPECT_EQ(b[32], 4);   // bytes per frame
  EXPECT_EQ(b[34], 16);  // bits
  EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
  EXPECT_EQ(Le32(b, 40), 16u);
  EXPECT_EQ(SampleAt(b, 0), 0);
  EXPECT_EQ(SampleAt(b, 1), 32767);
  EXPECT_EQ(SampleAt(b, 2), -32767);
  EXPECT_EQ(SampleAt(b, 3), 32767);   // clamped
  EXPECT_EQ(SampleAt(b, 4), -32767);  // clamped
  EXPECT_EQ(SampleAt(b, 5), 16384);   // 16383.5 rounds up
  EXPECT_EQ(SampleAt(b, 6), -16383);  // -16383.5 rounds up too
}

// The game's loader reads it back with the frame count the generator made (a loop that
// grew or shrank by a block would drift against its start), the wave close to the source
// and the same bytes every time.
TEST(VorbisWriter, KeepsTheLengthToTheFrameTheWaveAndTheBytes) {
  Sound s;
  s.channels = 2;
  const int64_t frames = 57347;  // not a whole number of the encoder's blocks
  for (int64_t i = 0; i < frames; ++i) {
    s.samples.push_back(0.5f * static_cast<float>(std::sin(i * 2 * M_PI * 440 / kRate)));
    s.samples.push_back(0.3f * static_cast<float>(std::sin(i * 2 * M_PI * 660 / kRate)));
  }
  std::vector<uint8_t> bytes = EncodeVorbis(s);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "OggS");
  EXPECT_LT(bytes.size(), EncodeWav(s).size() / 4) << "compressed";
  EXPECT_EQ(bytes, EncodeVorbis(s));

  SoundUseOggDecoder();
  SoundFileResult load = LoadSoundImage(bytes);
  ASSERT_TRUE(load.loaded) << load.refusal;
  EXPECT_EQ(load.sound.channels, 2);
  EXPECT_EQ(load.sound.rate, kRate);
  ASSERT_EQ(load.sound.frames, frames);
  double error = 0;
  for (size_t i = 0; i < s.samples.size(); ++i) {
    double d = static_cast<double>(load.sound.samples[i]) - s.samples[i];
    error += d * d;
  }
  EXPECT_LT(std::sqrt(error / static_cast<double>(s.samples.size())), 0.01);
}

TEST(Finishing, AOneShotStartsAndEndsAtZeroWithItsPeakOnTarget) {
  Rng rng(1);
  Mono noise = WhiteNoise(0.3, rng);
  for (float& v : noise) v = v * 0.5f + 0.3f;  // heavy DC
  Sound s = FinishOneShot(MakeMono(noise), {Measure::kPeak, -6.0});
  EXPECT_EQ(s.samples.front(), 0.0f);
  EXPECT_EQ(s.samples.back(), 0.0f);
  EXPECT_NEAR(PeakOf(s), DbToGain(-6.0), 1e-6);
  double sum = 0;
  for (float v : s.samples) sum += v;
  EXPECT_NEAR(sum / static_cast<double>(s.samples.size()), 0.0, 1e-5);
}

TEST(Finishing, AnRmsTargetNeverPushesAPeakPastTheCeiling) {
  Mono spiky(44100, 0.001f);
  for (size_t i = 0; i < spiky.size(); i += 2) spiky[i] = -0.001f;
  spiky[20000] = 0.9f;
  Sound s = FinishOneShot(MakeMono(spiky), {Measure::kRms, -10.0});
  EXPECT_NEAR(PeakOf(s), DbToGain(kPeakCeilingDb), 1e-6);
}

TEST(Finishing, ALoopWrapsAsItsSourceRanOn) {
  // 1234.5 Hz does not fit a whole number of cycles into the loop: cut plainly, the
  // wrap would jump; blended, the last frame must run on into the first.
  const double crossfade = 0.05;
  Mono tone = Sine(1.0 + crossfade, 1234.5);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] *= static_cast<float>(0.5);
  Sound loop = FinishLoop(MakeMono(tone), {Measure::kRms, -12.0}, crossfade);
  ASSERT_EQ(loop.Frames(), Frames(1.0));
  double largestStep = 0;
  for (size_t i = 1; i < loop.samples.size(); ++i)
    largestStep = std::max(largestStep, double{std::fabs(loop.samples[i] - loop.samples[i - 1])});
  double wrap = std::fabs(loop.samples.front() - loop.samples.back());
  EXPECT_LE(wrap, largestStep);
  EXPECT_NEAR(GatedRmsOf(loop), DbToGain(-12.0), DbToGain(-12.0) * 0.05);
}

TEST(Resample, KeepsTheDurationAndThePitch) {
  // 441 Hz at 22050 frames per second, one second long.
  Mono source(22050);
  for (size_t i = 0; i < source.size(); ++i)
    source[i] = static_cast<float>(std::sin(2 * M_PI * 441.0 * i / 22050.0));
  Mono out = Resample(source, 22050);
  EXPECT_NEAR(static_cast<double>(out.size()), 44100.0, 2.0);
  int crossings = 0;
  for (size_t i = 1; i < out.size(); ++i) crossings += (out[i - 1] < 0) != (out[i] < 0);
  EXPECT_NEAR(crossings, 2 * 441, 3);
}

TEST(Speech, ReadsStreamedWavWithPlaceholderSizesAndRefusesOthers) {
  std::string header(
      "RIFF\x24\xf0\xff\x7f"
      "WAVEfmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0\x44\xac\0\0\x02\0\x10\0"
      "data\0\xf0\xff\x7f",
      44);
  std::string wav = header + std::string("\x00\x40\x00\xc0", 4);
  int rate = 0;
  std::optional<Mono> samples = ParseStreamedWav(wav, rate);
  ASSERT_TRUE(samples.has_value());
  EXPECT_EQ(rate, 22050);
  ASSERT_EQ(samples->size(), 2u);
  EXPECT_FLOAT_EQ((*samples)[0], 0.5f);
  EXPECT_FLOAT_EQ((*samples)[1], -0.5f);

  std::string stereo = wav;
  stereo[22] = 2;
  EXPECT_FALSE(ParseStreamedWav(stereo, rate).has_value());
  EXPECT_FALSE(ParseStreamedWav(wav.substr(0, 30), rate).has_value());
  EXPECT_FALSE(ParseStreamedWav("RIFX" + wav.substr(4), rate).has_value());
}

TEST(Speech, QuotesTextSoTheShellPassesItUnchanged) {
  const std::string text = "It's $HOME; `echo` \"quoted\" \\ back";
  std::string command = "printf %s " + ShellQuote(text);
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[256] = {};
  size_t got = std::fread(buffer, 1, sizeof buffer - 1, pipe);
  pclose(pipe);
  EXPECT_EQ(std::string(buffer, got), text);
}

}  // namespace
}  // namespace assetgen
