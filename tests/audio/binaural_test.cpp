// Headphones: sounds given a direction heard through the ring of head-related filters,
// against the set itself, the sides, a fast turn and the stereo path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "audio/engine_mixer.h"
#include "audio/hrtf_ring.h"
#include "audio/mixer.h"
#include "audio/real_fft.h"
#include "audio/ring_renderer.h"
#include "audio/sound_file.h"
#include "audio/volume_table.h"
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
// the equalisation, which is one curve for every direction and ear and one level for both
// ears of a direction: the delay between the ears within a frame, and each octave band's
// difference from the set, less the direction's own level, the same everywhere (within a
// decibel of its mean over the directions), so the directions keep their colours and the
// ears their difference.
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
  const size_t bands = differences[0].size() - 1;
  for (size_t f = 0; f < differences.size(); f += 2) {
    double level = 0.0;
    for (size_t b = 0; b < bands; ++b) level += differences[f][b] + differences[f + 1][b];
    level /= static_cast<double>(2 * bands);
    for (size_t b = 0; b < bands; ++b) {
      differences[f][b] -= level;
      differences[f + 1][b] -= level;
    }
  }
  for (size_t b = 0; b < bands; ++b) {
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

// Power spectrum of `signal` (its first kSpectrumPoints frames, Hann-windowed when asked).
constexpr int32_t kSpectrumPoints = 8192;
std::vector<double> PowerSpectrum(const std::vector<float>& signal, bool windowed) {
  RealFft fft(kSpectrumPoints);
  std::vector<float> block(kSpectrumPoints, 0.0f), re(kSpectrumPoints / 2 + 1),
      im(kSpectrumPoints / 2 + 1), scratch(2 * kSpectrumPoints);
  const auto n = static_cast<int32_t>(std::min<size_t>(signal.size(), kSpectrumPoints));
  for (int32_t i = 0; i < n; ++i) {
    const double hann = windowed ? 0.5 - 0.5 * std::cos(kTwoPi * (i + 0.5) / n) : 1.0;
    block[static_cast<size_t>(i)] = static_cast<float>(signal[static_cast<size_t>(i)] * hann);
  }
  fft.Forward(block.data(), re.data(), im.data(), scratch.data());
  std::vector<double> power(re.size());
  for (size_t k = 0; k < re.size(); ++k) power[k] = double{re[k]} * re[k] + double{im[k]} * im[k];
  return power;
}

// Energy from `low` to `high` Hz, in dB.
double BandLevel(const std::vector<double>& power, double low, double high) {
  double energy = 1e-20;
  for (size_t k = 0; k < power.size(); ++k) {
    const double hz = static_cast<double>(k) * kRate / kSpectrumPoints;
    if (hz >= low && hz < high) energy += power[k];
  }
  return 10.0 * std::log10(energy);
}

// Centres of fractional-octave bands, `perOctave` to an octave, from `low` to `high` Hz.
std::vector<double> BandCentres(double low, double high, int perOctave) {
  std::vector<double> centres;
  for (double hz = low; hz <= high * 1.0001; hz *= std::pow(2.0, 1.0 / perOctave)) {
    centres.push_back(hz);
  }
  return centres;
}

// What each ear of a click at a bearing gives: the mean third-octave level 4 to 11 kHz, and
// the twelfth-octave levels 2 to 16 kHz.
struct EarShape {
  double highThirds = 0.0;
  std::vector<double> twelfths;
};

EarShape ShapeOf(const std::vector<float>& ear) {
  const std::vector<double> power = PowerSpectrum(ear, false);
  EarShape shape;
  const std::vector<double> thirds = BandCentres(4000.0, 10079.0, 3);
  for (double centre : thirds) {
    shape.highThirds +=
        BandLevel(power, centre / std::pow(2.0, 1.0 / 6), centre * std::pow(2.0, 1.0 / 6)) /
        static_cast<double>(thirds.size());
  }
  for (double centre : BandCentres(2000.0, 16000.0, 12)) {
    shape.twelfths.push_back(
        BandLevel(power, centre / std::pow(2.0, 1.0 / 24), centre * std::pow(2.0, 1.0 / 24)));
  }
  return shape;
}

// Between two ring directions a click sounds like the line between what it sounds like 7
// and 8 degrees either side (a ring direction and the next): at every whole degree, each
// ear's high third-octave levels within 3 dB of that line, and no twelfth-octave dip 2 to
// 16 kHz deeper than 15.5 dB below it (the set's own directions at ear height give 2.0 and
// 14.5, a far ear's natural notch). Two filters summed with different delays comb there.
TEST_F(Binaural, BetweenRingDirectionsTheResponseFollowsItsNeighbours) {
  std::vector<EarShape> shapes;  // bearing by bearing, left then right
  for (int32_t degrees = 0; degrees < 360; ++degrees) {
    const Heard heard = Click(degrees);
    shapes.push_back(ShapeOf(heard.left));
    shapes.push_back(ShapeOf(heard.right));
  }
  double worstLevel = 0.0, worstDip = 0.0;
  for (int32_t degrees = 0; degrees < 360; ++degrees) {
    for (int ear = 0; ear < 2; ++ear) {
      const EarShape& before = shapes[static_cast<size_t>(2 * ((degrees + 353) % 360) + ear)];
      const EarShape& after = shapes[static_cast<size_t>(2 * ((degrees + 8) % 360) + ear)];
      const EarShape& here = shapes[static_cast<size_t>(2 * degrees + ear)];
      auto line = [](double a, double b) { return (8.0 * a + 7.0 * b) / 15.0; };
      worstLevel = std::max(worstLevel,
                            std::abs(here.highThirds - line(before.highThirds, after.highThirds)));
      for (size_t b = 0; b < here.twelfths.size(); ++b) {
        worstDip =
            std::max(worstDip, line(before.twelfths[b], after.twelfths[b]) - here.twelfths[b]);
      }
    }
  }
  EXPECT_LE(worstLevel, 3.0);
  EXPECT_LE(worstDip, 15.5);
  std::printf("between ring directions: worst high level %.1f dB, worst dip %.1f dB\n", worstLevel,
              worstDip);
}

// The stereo path's pan for a bearing, as the game pans it: -100 sin of the direction.
int32_t StereoPanCb(int32_t degrees) {
  return PanLevelCb(static_cast<int32_t>(std::lround(-100.0 * std::sin(degrees * kTwoPi / 360.0))));
}

// A placed sound is as loud with headphones as through the stereo path at the same volume:
// its two ears' energy, averaged over each 30-degree bin of bearings, within 2 dB of the
// stereo path's ahead, and within +2 / -4 dB behind (the set's own shadow behind the head is
// a cue to keep), for the game's page hint and compass.
TEST_F(Binaural, APlacedSoundIsAsLoudAsThroughTheStereoPath) {
  for (const char* name : {"assets/physics/note.wav", "assets/player/compass.wav"}) {
    SCOPED_TRACE(name);
    SoundFileResult file = LoadSoundFile(std::string(QUELMIRE_RUN_DIR) + "/" + name);
    ASSERT_TRUE(file.loaded) << file.refusal;
    const SoundPcm pcm = Pcm(file.sound);
    const auto frames =
        static_cast<int32_t>(std::min<int64_t>(kRate, file.sound.frames * kRate / file.sound.rate));
    auto energy = [&](int32_t direction, int32_t panCb) {
      ring_->Reset();
      const Heard heard = Render(
          pcm, ring_.get(), 1, frames + 2 * kRingBlockFrames, [&](int32_t) { return direction; },
          panCb);
      return Energy(heard.left) + Energy(heard.right);
    };
    for (int32_t bin = 0; bin < 12; ++bin) {
      double ring = 0.0, stereo = 0.0;
      for (int32_t degrees = bin * 30 - 15; degrees < bin * 30 + 15; degrees += 5) {
        ring += energy(DirectionCd(degrees), 0);
        stereo += energy(kNoDirection, StereoPanCb(degrees));
      }
      const double louder = 10.0 * std::log10(ring / stereo);
      const bool ahead = bin <= 3 || bin >= 9;  // centred within 90 degrees of ahead
      SCOPED_TRACE(bin * 30);
      EXPECT_LE(louder, 2.0);
      EXPECT_GE(louder, ahead ? -2.0 : -4.0);
      std::printf("%s at %d degrees: %+.1f dB against stereo\n", name, bin * 30, louder);
    }
  }
}

// A listener who knows the game's rendering and the dry sound tells ahead from behind with
// headphones. What each ear's third-octave bands 1.6 to 16 kHz gained over the dry sound,
// less its mean over bands and ears (the volume is unknown), and the difference between the
// ears are matched against a noise burst's at every whole degree; the best match falls in
// the wrong half for under 5 % of the page hint and the ambience with a hundredth of its
// energy up there, each placed every 5 degrees but near the sides, where ahead and behind
// are one place.
TEST_F(Binaural, AListenerWhoKnowsTheRenderingTellsAheadFromBehind) {
  const std::vector<double> centres = BandCentres(2000.0 / std::cbrt(2.0), 16000.0, 3);
  auto levels = [&](const std::vector<float>& ear, size_t from) {
    const std::vector<double> power = PowerSpectrum({ear.begin() + from, ear.end()}, true);
    std::vector<double> bands;
    for (double c : centres) {
      bands.push_back(BandLevel(power, c / std::pow(2.0, 1.0 / 6), c * std::pow(2.0, 1.0 / 6)));
    }
    return bands;
  };
  struct Cue {
    std::vector<double> gains;    // both ears', less their mean
    std::vector<double> between;  // left less right
  };
  // The ring is heard a block after the stereo path the dry sound takes.
  auto cueAt = [&](const SoundPcm& pcm, const std::vector<double>& dry, int32_t degrees) {
    ring_->Reset();
    const Heard heard = Render(pcm, ring_.get(), 1, kSpectrumPoints + kRingBlockFrames,
                               [&](int32_t) { return DirectionCd(degrees); });
    const std::vector<double> left = levels(heard.left, kRingBlockFrames);
    const std::vector<double> right = levels(heard.right, kRingBlockFrames);
    Cue cue;
    double mean = 0.0;
    for (size_t b = 0; b < centres.size(); ++b) {
      cue.gains.push_back(left[b] - dry[b]);
      cue.gains.push_back(right[b] - dry[b]);
      cue.between.push_back(left[b] - right[b]);
      mean += (left[b] + right[b] - 2.0 * dry[b]) / static_cast<double>(2 * centres.size());
    }
    for (double& g : cue.gains) g -= mean;
    return cue;
  };
  auto dryOf = [&](const SoundPcm& pcm) {
    return Render(pcm, nullptr, 1, kSpectrumPoints, [](int32_t) { return kNoDirection; }).left;
  };
  std::mt19937 random(23);
  std::uniform_real_distribution<double> value(-0.1, 0.1);
  const SoundPcm burst = Pcm(MakeSound(kRate, 1, kSpectrumPoints, [&](int64_t i, int32_t) {
    return i < kRate / 10 ? value(random) : 0.0;
  }));
  const std::vector<double> burstDry = levels(dryOf(burst), 0);
  std::vector<Cue> templates;
  for (int32_t degrees = 0; degrees < 360; ++degrees) {
    templates.push_back(cueAt(burst, burstDry, degrees));
  }
  auto fromAhead = [](int32_t degrees) { return std::min(degrees, 360 - degrees); };
  std::vector<std::string> names = {"assets/physics/note.wav"};
  for (int i = 1; i <= 11; ++i) names.push_back("assets/ambience/amb" + std::to_string(i) + ".wav");
  int32_t placed = 0, confused = 0;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    SoundFileResult file = LoadSoundFile(std::string(QUELMIRE_RUN_DIR) + "/" + name);
    ASSERT_TRUE(file.loaded) << file.refusal;
    const SoundPcm pcm = Pcm(file.sound);
    const std::vector<float> dry = dryOf(pcm);
    const std::vector<double> power = PowerSpectrum(dry, true);
    double high = 0.0, all = 1e-30;
    for (size_t k = 0; k < power.size(); ++k) {
      all += power[k];
      if (static_cast<double>(k) * kRate / kSpectrumPoints >= 1500.0) high += power[k];
    }
    if (high < 0.01 * all) {
      std::printf("%s skipped: %.2f %% of its energy above 1.5 kHz\n", name.c_str(),
                  100.0 * high / all);
      continue;
    }
    const std::vector<double> dryLevels = levels(dry, 0);
    int32_t soundPlaced = 0, soundConfused = 0;
    for (int32_t bearing = 0; bearing < 360; bearing += 5) {
      if (std::abs(bearing - 90) <= 20 || std::abs(bearing - 270) <= 20) continue;
      const Cue heard = cueAt(pcm, dryLevels, bearing);
      int32_t picked = 0;
      double best = std::numeric_limits<double>::infinity();
      for (int32_t degrees = 0; degrees < 360; ++degrees) {
        const Cue& known = templates[static_cast<size_t>(degrees)];
        double distance = 0.0;
        for (size_t i = 0; i < heard.gains.size(); ++i) {
          distance += std::pow(heard.gains[i] - known.gains[i], 2);
        }
        for (size_t i = 0; i < heard.between.size(); ++i) {
          distance += std::pow(heard.between[i] - known.between[i], 2);
        }
        if (distance < best) best = distance, picked = degrees;
      }
      const bool ahead = fromAhead(bearing) < 90;
      ++soundPlaced;
      if (ahead ? fromAhead(picked) > 90 : fromAhead(picked) < 90) ++soundConfused;
    }
    std::printf("%s: front and back confused at %d of %d bearings\n", name.c_str(), soundConfused,
                soundPlaced);
    placed += soundPlaced;
    confused += soundConfused;
  }
  ASSERT_GT(placed, 0);
  const double share = 100.0 * confused / placed;
  std::printf("front and back confused in %.1f %% of %d placed sounds\n", share, placed);
  EXPECT_LT(share, 5.0);
}

// Share of the energy above 3 kHz, in dB, of both ears' sound.
double SplatterDbc(const Heard& heard) {
  double high = 1e-30, all = 1e-30;
  for (const std::vector<float>* ear : {&heard.left, &heard.right}) {
    const std::vector<double> power = PowerSpectrum(*ear, true);
    for (size_t k = 0; k < power.size(); ++k) {
      all += power[k];
      if (static_cast<double>(k) * kRate / kSpectrumPoints >= 3000.0) high += power[k];
    }
  }
  return 10.0 * std::log10(high / all);
}

// Turning 45 degrees a tick, a 700 Hz tone spreads above 3 kHz no more than 10 dB beyond
// what the stereo path's pan ramps spread for the same turn: a turn's change of delay and
// filters is as smooth as a change of gains.
TEST_F(Binaural, AFastTurnSplattersLittleMoreThanTheStereoPath) {
  const SoundPcm tone = Pcm(Sine(700.0, kRate, kRate, 1, 0.2));
  constexpr int32_t kTickFrames = kRate * 17 / 1000;
  constexpr int32_t kTicks = 20;
  ring_->Reset();
  const Heard binaural = FromSecondTick(Render(tone, ring_.get(), kTicks, kTickFrames,
                                               [](int32_t tick) { return DirectionCd(45 * tick); }),
                                        kTickFrames);
  double stereoDbc = 0.0;
  {
    Mixer mixer;
    VoiceRender render;
    MixStream stream{&tone, &render};
    Heard heard;
    std::vector<float> out(static_cast<size_t>(2 * kTickFrames));
    for (int32_t tick = 0; tick < kTicks; ++tick) {
      VoiceControl control = Playing(0);
      control.looping = true;
      control.panCb = StereoPanCb(45 * tick);
      TakeControl(render, control, kRate);
      mixer.Render(&stream, 1, out.data(), kTickFrames, kRate);
      if (tick == 0) continue;
      for (int32_t i = 0; i < kTickFrames; ++i) {
        heard.left.push_back(out[static_cast<size_t>(2 * i)]);
        heard.right.push_back(out[static_cast<size_t>(2 * i + 1)]);
      }
    }
    stereoDbc = SplatterDbc(heard);
  }
  const double binauralDbc = SplatterDbc(binaural);
  std::printf("splatter above 3 kHz: binaural %.1f dBc, stereo %.1f dBc\n", binauralDbc, stereoDbc);
  EXPECT_LE(binauralDbc, stereoDbc + 10.0);
}

// A long sound at a still direction (each ear read by the vector loops at its own delay) is
// heard as a click there (read frame by frame, the click lying where the later ear's taps
// reach before the sound's start): the same delay between the ears within a frame, the same
// difference between the ears in every octave band up to 8 kHz within a decibel.
TEST_F(Binaural, ASoundHeldStillIsHeardAsAClickThere) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> value(-0.2, 0.2);
  const SoundPcm noise =
      Pcm(MakeSound(44100, 1, 44100, [&](int64_t, int32_t) { return value(random); }));
  for (int32_t degrees : {0, 40, -80, 130, -170}) {
    SCOPED_TRACE(degrees);
    ring_->Reset();
    const Heard held = FromSecondTick(
        Render(noise, ring_.get(), 4, 8192, [&](int32_t) { return DirectionCd(degrees); }), 8192);
    const Heard click = Click(degrees);
    EXPECT_NEAR(InterauralDelay(held), InterauralDelay(click), 1);
    const std::vector<double> heldLeft = OctaveBands(held.left),
                              heldRight = OctaveBands(held.right);
    const std::vector<double> clickLeft = OctaveBands(click.left),
                              clickRight = OctaveBands(click.right);
    for (size_t b = 1; b + 1 < heldLeft.size(); ++b) {
      EXPECT_NEAR(heldLeft[b] - heldRight[b], clickLeft[b] - clickRight[b], 1.0)
          << "octave band " << b;
    }
  }
}

}  // namespace

// The last guard before the device: a voice whose samples are not finite (the loader never
// makes one; a fault could) spoils only the blocks it is in, which go out as silence, through
// the pan or through the ring; the ring is reset with them, so the voice beside it is heard
// again once the bad one has ended. Nothing but finite samples within full scale leaves.
TEST_F(Binaural, ANonFiniteVoiceIsSilencedAndWhatFollowsIsHeard) {
  for (float poison : {std::nanf(""), std::numeric_limits<float>::infinity()}) {
    for (int32_t direction : {kNoDirection, DirectionCd(40)}) {
      SCOPED_TRACE(testing::Message() << poison << " at direction " << direction);
      SoundPcm bad = Pcm(Sine(440.0, kRate, 4096));
      ASSERT_FALSE(bad.narrow);
      bad.left[1000] = poison;
      const SoundPcm good = Pcm(Sine(440.0, kRate, kRate));
      ring_->Reset();
      Mixer mixer;
      VoiceRender badRender, goodRender;
      VoiceControl goodControl = Playing(-600);
      goodControl.looping = true;
      TakeControl(badRender, Playing(0), kRate, direction);
      TakeControl(goodRender, goodControl, kRate, direction);
      const MixStream streams[] = {{&bad, &badRender}, {&good, &goodRender}};
      int32_t silenced = 0;
      std::vector<float> out(2 * 512), heard;
      for (int32_t span = 0; span < 40; ++span) {
        silenced += mixer.Render(streams, 2, out.data(), 512, kRate, ring_.get());
        heard.insert(heard.end(), out.begin(), out.end());
      }
      EXPECT_GT(silenced, 0);
      EXPECT_TRUE(std::all_of(heard.begin(), heard.end(),
                              [](float v) { return std::isfinite(v) && std::fabs(v) <= 1.0f; }));
      const std::vector<float> last(heard.end() - 2 * 8192, heard.end());
      EXPECT_GT(Rms(last), 0.05);
    }
  }
}
