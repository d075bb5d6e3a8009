#include "tools/assetgen/finishing.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "tools/assetgen/det_math.h"
#include "tools/assetgen/filters.h"

namespace assetgen {
namespace {

void RemoveDcByHighPass(Sound& sound) {
  for (int c = 0; c < sound.channels; ++c) {
    Mono filtered = OnePoleHighPass(Channel(sound, c), 12.0);
    for (size_t i = 0; i < filtered.size(); ++i) {
      sound.samples[i * static_cast<size_t>(sound.channels) + static_cast<size_t>(c)] = filtered[i];
    }
  }
}

// Subtracts a multiple of a raised-cosine bump (zero at both ends) so that each
// channel sums to zero: removes what DC remains without touching the silent ends.
void ZeroMeanKeepingEnds(Sound& sound) {
  int64_t frames = sound.Frames();
  if (frames < 3) return;
  Mono bump(static_cast<size_t>(frames));
  double bumpSum = 0.0;
  for (int64_t i = 0; i < frames; ++i) {
    bump[static_cast<size_t>(i)] =
        static_cast<float>(0.5 - 0.5 * Cos(kTwoPi * static_cast<double>(i) / (frames - 1)));
    bumpSum += bump[static_cast<size_t>(i)];
  }
  for (int c = 0; c < sound.channels; ++c) {
    double sum = 0.0;
    for (int64_t i = 0; i < frames; ++i)
      sum += sound.samples[static_cast<size_t>(i * sound.channels + c)];
    double k = sum / bumpSum;
    for (int64_t i = 0; i < frames; ++i) {
      float& s = sound.samples[static_cast<size_t>(i * sound.channels + c)];
      s = static_cast<float>(s - k * bump[static_cast<size_t>(i)]);
    }
  }
}

void ScaleSound(Sound& sound, double gain) {
  for (float& s : sound.samples) s = static_cast<float>(s * gain);
}

}  // namespace

double PeakOf(const Sound& sound) {
  double peak = 0.0;
  for (float s : sound.samples) peak = std::max(peak, static_cast<double>(std::fabs(s)));
  return peak;
}

double GatedRmsOf(const Sound& sound) {
  const size_t block = static_cast<size_t>(Frames(0.05)) * static_cast<size_t>(sound.channels);
  const double gate = DbToGain(-50.0);
  double sum = 0.0;
  size_t count = 0;
  for (size_t start = 0; start < sound.samples.size(); start += block) {
    size_t end = std::min(sound.samples.size(), start + block);
    double blockSum = 0.0;
    for (size_t i = start; i < end; ++i)
      blockSum += static_cast<double>(sound.samples[i]) * sound.samples[i];
    if (std::sqrt(blockSum / static_cast<double>(end - start)) > gate) {
      sum += blockSum;
      count += end - start;
    }
  }
  return count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
}

void SetLoudness(Sound& sound, Loudness loudness) {
  double measured = loudness.measure == Measure::kPeak ? PeakOf(sound) : GatedRmsOf(sound);
  if (measured <= 0.0) return;
  ScaleSound(sound, DbToGain(loudness.db) / measured);
  double ceiling = DbToGain(kPeakCeilingDb);
  double peak = PeakOf(sound);
  if (peak > ceiling) ScaleSound(sound, ceiling / peak);
}

Sound FinishOneShot(Sound sound, Loudness loudness, double fadeIn, double fadeOut) {
  RemoveDcByHighPass(sound);
  int64_t frames = sound.Frames();
  int64_t in = std::min<int64_t>(Frames(fadeIn), frames / 2);
  int64_t out = std::min<int64_t>(Frames(fadeOut), frames / 2);
  for (int64_t i = 0; i < frames; ++i) {
    double g = 1.0;
    if (i < in) g = 0.5 - 0.5 * Cos(kPi * static_cast<double>(i) / in);
    int64_t fromEnd = frames - 1 - i;
    if (fromEnd < out) g *= 0.5 - 0.5 * Cos(kPi * static_cast<double>(fromEnd) / out);
    for (int c = 0; c < sound.channels; ++c) {
      float& s = sound.samples[static_cast<size_t>(i * sound.channels + c)];
      s = static_cast<float>(s * g);
    }
  }
  ZeroMeanKeepingEnds(sound);
  SetLoudness(sound, loudness);
  return sound;
}

Sound FinishLoop(Sound sound, Loudness loudness, double crossfade) {
  RemoveDcByHighPass(sound);
  const int64_t fade = Frames(crossfade);
  const int64_t frames = sound.Frames() - fade;
  const auto ch = static_cast<size_t>(sound.channels);
  Sound loop;
  loop.channels = sound.channels;
  loop.samples.assign(sound.samples.begin(),
                      sound.samples.begin() + static_cast<ptrdiff_t>(frames * sound.channels));
  // Frame i of the head takes in the frame that followed the loop's end in the source,
  // so the wrap from the last frame to the first is the source's own continuation.
  for (int64_t i = 0; i < fade; ++i) {
    double u = (static_cast<double>(i) + 0.5) / fade;
    double headGain = Sin(kPi / 2.0 * u), tailGain = Cos(kPi / 2.0 * u);
    for (size_t c = 0; c < ch; ++c) {
      size_t head = static_cast<size_t>(i) * ch + c;
      size_t tail = static_cast<size_t>(frames + i) * ch + c;
      loop.samples[head] =
          static_cast<float>(loop.samples[head] * headGain + sound.samples[tail] * tailGain);
    }
  }
  // The mean of a loop is removed as a constant: a constant cannot make a wrap click.
  for (size_t c = 0; c < ch; ++c) {
    double sum = 0.0;
    for (int64_t i = 0; i < frames; ++i) sum += loop.samples[static_cast<size_t>(i) * ch + c];
    float mean = static_cast<float>(sum / static_cast<double>(frames));
    for (int64_t i = 0; i < frames; ++i) loop.samples[static_cast<size_t>(i) * ch + c] -= mean;
  }
  SetLoudness(loop, loudness);
  return loop;
}

}  // namespace assetgen
