// Headphones: sounds given a direction heard through the ring of head-related filters,
// against the set itself, the sides, a fast turn and the stereo path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "audio/engine_mixer.h"
#include "audio/hrtf_ring.h"
#include "audio/mixer.h"
#include "audio/real_fft.h"
#include "audio/ring_renderer.h"
#include "sound_test_support.h"

namespace {

constexpr int32_t kRate = 48000;

// The set the game plays with, as the build found it.
std::string SetPath() {
  return QUELMIRE_TEST_HRTF;
}

struct Heard {
  std::vector<float> left;
  std::vector<float> right;
};

SoundPcm Pcm(const DecodedSound& decoded) {
  SoundPcm pcm;
  EXPECT_TRUE(MakeSoundPcm(decoded, pcm));
  return pcm;
}

VoiceControl Playing(int32_t levelCb) {
  VoiceControl control;
  control.levelCb = levelCb;
  control.playing = true;
  control.starts = 1;
  return control;
}

// Renders one voice through the mixer in spans of `span` frames; before each span,
// `direction(span index)` gives its direction in hundredths of a degree.
template <typename DirectionAt>
Heard Render(const SoundPcm& pcm, RingRenderer* ring, int32_t spans, int32_t span,
             DirectionAt direction, int32_t panCb = 0) {
  Mixer mixer;
  VoiceRender render;
  VoiceControl control = Playing(0);
  control.panCb = panCb;
  control.looping = true;
  MixStream stream{&pcm, &render};
  Heard heard;
  std::vector<float> out(static_cast<size_t>(2 * span));
  for (int32_t s = 0; s < spans; ++s) {
    TakeControl(render, control, kRate, direction(s));
    mixer.Render(&stream, 1, out.data(), span, kRate, ring);
    for (int32_t i = 0; i < span; ++i) {
      heard.left.push_back(out[static_cast<size_t>(2 * i)]);
      heard.right.push_back(out[static_cast<size_t>(2 * i + 1)]);
    }
  }
  return heard;
}

// Energy in octave bands from 125 Hz to 16 kHz, in dB.
std::vector<double> OctaveBands(const std::vector<float>& signal) {
  constexpr int32_t kSize = 8192;
  RealFft fft(kSize);
  std::vector<float> block(kSize, 0.0f), re(kSize / 2 + 1), im(kSize / 2 + 1), scratch(2 * kSize);
  std::copy_n(signal.begin(), std::min<size_t>(signal.size(), kSize), block.begin());
  fft.Forward(block.data(), re.data(), im.data(), scratch.data());
  std::vector<double> bands;
  for (double low = 125.0 / std::sqrt(2.0); low < 16000.0; low *= 2.0) {
    double energy = 1e-20;
    for (int32_t k = 0; k <= kSize / 2; ++k) {
      const double hz = static_cast<double>(k) * kRate / kSize;
      if (hz >= low && hz < 2.0 * low) energy += re[k] * re[k] + im[k] * im[k];
    }
    bands.push_back(10.0 * std::log10(energy));
  }
  return bands;
}

// The lag of the right ear behind the left at the peak of their cross-correlation, frames.
int32_t InterauralDelay(const Heard& heard) {
  const auto n = static_cast<int32_t>(std::min(heard.left.size(), heard.right.size()));
  int32_t best = 0;
  double bestSum = -1e30;
  for (int32_t lag = -48; lag <= 48; ++lag) {
    double sum = 0.0;
    for (int32_t i = std::max(0, -lag); i < n && i + lag < n; ++i) {
      sum += static_cast<double>(heard.left[static_cast<size_t>(i)]) *
             heard.right[static_cast<size_t>(i + lag)];
    }
    if (sum > bestSum) bestSum = sum, best = lag;
  }
  return best;
}

double Energy(const std::vector<float>& signal) {
  double sum = 0.0;
  for (float v : signal) sum += static_cast<double>(v) * v;
  return sum;
}

// The first frame at a tenth of the signal's peak.
size_t Onset(const std::vector<float>& signal) {
  float peak = 0.0f;
  for (float v : signal) peak = std::max(peak, std::abs(v));
  for (size_t i = 0; i < signal.size(); ++i) {
    if (std::abs(signal[i]) >= 0.1f * peak) return i;
  }
  return signal.size();
}

int32_t DirectionCd(int32_t degrees) {
  return ((degrees % 360 + 360) % 360) * 100;
}

class Binaural : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = SetPath();
    std::string why;
    std::optional<HrtfRing> hrtf = LoadHrtfRing(path_, kRate, why);
    ASSERT_TRUE(hrtf.has_value()) << why;
    ring_ = std::make_unique<RingRenderer>(*hrtf);
    // The most any filter can make of a bus's sample: the largest sum of its taps' sizes.
    for (int32_t d = 0; d < kRingDirections; ++d) {
      for (const std::vector<float>* taps : {&hrtf->left, &hrtf->right}) {
        float sum = 0.0f;
        for (int32_t i = 0; i < hrtf->length; ++i) sum += std::abs((*taps)[d * hrtf->length + i]);
        filterGain_ = std::max(filterGain_, sum);
      }
    }
  }

  // A click at `degrees`, as the ears hear it through the engine; 0.25 keeps it below the
  // limiter's threshold whatever a filter's gain.
  Heard Click(int32_t degrees) {
    const SoundPcm click =
        Pcm(MakeSound(kRate, 1, 4096, [](int64_t i, int32_t) { return i == 0 ? 0.25 : 0.0; }));
    ring_->Reset();
    Mixer mixer;
    VoiceRender render;
    VoiceControl control = Playing(0);
    MixStream stream{&click, &render};
    TakeControl(render, control, kRate, DirectionCd(degrees));
    Heard heard;
    std::vector<float> out(2 * 2048);
    mixer.Render(&stream, 1, out.data(), 2048, kRate, ring_.get());
    for (int32_t i = 0; i < 2048; ++i) {
      heard.left.push_back(out[static_cast<size_t>(2 * i)] * 4.0f);
      heard.right.push_back(out[static_cast<size_t>(2 * i + 1)] * 4.0f);
    }
    return heard;
  }

  std::string path_;
  std::unique_ptr<RingRenderer> ring_;
  float filterGain_ = 0.0f;
};

TEST(RealFft, MatchesTheDiscreteFourierTransformAndComesBack) {
  for (int32_t size : {8, 256}) {
    RealFft fft(size);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<float> x(static_cast<size_t>(size)), back(static_cast<size_t>(size));
    for (float& v : x) v = value(random);
    std::vector<float> re(static_cast<size_t>(fft.bins())), im(static_cast<size_t>(fft.bins()));
    std::vector<float> scratch(static_cast<size_t>(2 * size));
    fft.Forward(x.data(), re.data(), im.data(), scratch.data());
    for (int32_t k = 0; k < fft.bins(); ++k) {
      double dr = 0.0, di = 0.0;
      for (int32_t n = 0; n < size; ++n) {
        dr += x[static_cast<size_t>(n)] * std::cos(-kTwoPi * k * n / size);
        di += x[static_cast<size_t>(n)] * std::sin(-kTwoPi * k * n / size);
      }
      EXPECT_NEAR(re[static_cast<size_t>(k)], dr, 1e-4) << size << " bin " << k;
      EXPECT_NEAR(im[static_cast<size_t>(k)], di, 1e-4) << size << " bin " << k;
    }
    fft.Inverse(re.data(), im.data(), back.data(), scratch.data());
    for (int32_t n = 0; n < size; ++n) {
      EXPECT_NEAR(back[static_cast<size_t>(n)] / size, x[static_cast<size_t>(n)], 1e-5);
    }
  }
}

// At the directions the set measured, a click comes out as the set's own filter pair less
// the equalisation, which is one curve for every direction and ear: the delay between the
// ears within a frame, and each octave band's difference from the set the same everywhere
// (within a decibel of its mean over the directions), so the directions keep their colours.
TEST_F(Binaural, AClickAtAMeasuredDirectionIsHeardAsTheSetsFilterLessOneEqualisation) {
  const std::vector<int32_t> directions = {0, 30, -30, 90, -90, 150, -150, 180};
  std::vector<std::vector<double>> differences;  // per direction and ear, per octave band
  for (int32_t degrees : directions) {
    SCOPED_TRACE(degrees);
    std::string why;
    std::optional<HrtfPair> set = SetFilterAt(path_, kRate, static_cast<float>(degrees), why);
    ASSERT_TRUE(set.has_value()) << why;
    const Heard heard = Click(degrees);
    EXPECT_NEAR(InterauralDelay(heard), InterauralDelay({set->left, set->right}), 1);
    for (int ear = 0; ear < 2; ++ear) {
      const std::vector<double> got = OctaveBands(ear == 0 ? heard.left : heard.right);
      const std::vector<double> want = OctaveBands(ear == 0 ? set->left : set->right);
      differences.emplace_back();
      for (size_t b = 0; b < got.size(); ++b) differences.back().push_back(got[b] - want[b]);
    }
  }
  // Up to the 8 kHz octave: a fractional delay read through the resampler's interpolation
  // softens the top octave by up to 2 dB, by how far between two frames it falls.
  for (size_t b = 0; b + 1 < differences[0].size(); ++b) {
    double mean = 0.0;
    for (const auto& d : differences) mean += d[b] / static_cast<double>(differences.size());
    for (size_t f = 0; f < differences.size(); ++f) {
      EXPECT_NEAR(differences[f][b], mean, 1.0)
          << "octave band " << b << " at " << directions[f / 2]
          << (f % 2 == 0 ? " left" : " right");
    }
  }
}

// A source on one side reaches that side's ear first and louder; straight ahead and behind,
// neither ear leads.
TEST_F(Binaural, TheNearEarHearsFirstAndLouder) {
  struct Row {
    int32_t degrees;
    int side;  // +1 the left ear is nearer, -1 the right, 0 neither
  };
  for (Row row : {Row{90, 1}, Row{30, 1}, Row{150, 1}, Row{-90, -1}, Row{-30, -1}, Row{-150, -1},
                  Row{0, 0}, Row{180, 0}}) {
    SCOPED_TRACE(row.degrees);
    const Heard heard = Click(row.degrees);
    const double louder = 10.0 * std::log10(Energy(heard.left) / Energy(heard.right));
    const auto lead =
        static_cast<int64_t>(Onset(heard.right)) - static_cast<int64_t>(Onset(heard.left));
    if (row.side == 0) {
      EXPECT_NEAR(louder, 0.0, 1.0);
      EXPECT_NEAR(lead, 0, 1);
    } else {
      EXPECT_GT(louder * row.side, 3.0);
      EXPECT_GT(lead * row.side, 4);
    }
  }
}

// The largest step from one frame to the next in either ear.
float LargestStep(const Heard& heard) {
  float largest = 0.0f;
  for (const std::vector<float>* ear : {&heard.left, &heard.right}) {
    for (size_t i = 1; i < ear->size(); ++i) {
      largest = std::max(largest, std::abs((*ear)[i] - (*ear)[i - 1]));
    }
  }
  return largest;
}

Heard FromSecondTick(const Heard& heard, int32_t tickFrames) {
  return {{heard.left.begin() + tickFrames, heard.left.end()},
          {heard.right.begin() + tickFrames, heard.right.end()}};
}

// A listener turning as fast as the mouse allows (the pointer from its home at 500 to the
// screen's edge in one tick: 125 degrees a tick) hears the tone move without a click. The
// stereo path's ramps keep a change of gains within one ramp's step of the signal's own
// steps: a frame moves by at most what the tone's own slope gives, plus the peak over the
// ramp's length for each of the two pairs a turn crosses from and to. A direction taken at
// once, without the ramp, steps by the whole difference of two directions' sound.
TEST_F(Binaural, TurningAsFastAsTheMouseAllowsMakesNoClick) {
  constexpr float kToneAmplitude = 0.2f;
  const SoundPcm tone = Pcm(Sine(440.0, kRate, kRate, 1, kToneAmplitude));
  constexpr int32_t kTickFrames = kRate * 17 / 1000;
  float standingStep = 0.0f;
  for (int32_t degrees = 0; degrees < 360; degrees += 5) {
    ring_->Reset();
    // From the second tick on: the first holds the ring filling up from silence.
    const Heard still = FromSecondTick(
        Render(tone, ring_.get(), 8, kTickFrames, [&](int32_t) { return DirectionCd(degrees); }),
        kTickFrames);
    standingStep = std::max(standingStep, LargestStep(still));
  }
  ring_->Reset();
  const Heard turning = FromSecondTick(Render(tone, ring_.get(), 60, kTickFrames,
                                              [](int32_t tick) { return DirectionCd(125 * tick); }),
                                       kTickFrames);
  const float ramp =
      2.0f * kToneAmplitude * filterGain_ / static_cast<float>(GainRampFrames(kRate));
  EXPECT_LE(LargestStep(turning), standingStep + ramp);
}

// With no direction given, a voice is mixed as before, sample for sample, whether or not a
// ring is there.
TEST_F(Binaural, WithoutADirectionTheStereoPathIsUnchanged) {
  const SoundPcm tone = Pcm(Sine(330.0, 44100, 44100, 2, 0.5));
  auto none = [](int32_t) { return kNoDirection; };
  const Heard plain = Render(tone, nullptr, 20, 700, none, 1500);
  ring_->Reset();
  const Heard beside = Render(tone, ring_.get(), 20, 700, none, 1500);
  EXPECT_EQ(plain.left, beside.left);
  EXPECT_EQ(plain.right, beside.right);
}

}  // namespace
