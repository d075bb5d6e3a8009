#include "tools/assetgen/sound.h"

#include <algorithm>
#include <cmath>

#include "tools/assetgen/det_math.h"

namespace assetgen {

int64_t Frames(double seconds) {
  return static_cast<int64_t>(std::floor(seconds * kRate + 0.5));
}

Mono Silence(double seconds) {
  return Mono(static_cast<size_t>(Frames(seconds)), 0.0f);
}

void MixInto(Mono& dst, const Mono& src, int64_t offset, double gain) {
  if (offset < 0) offset = 0;
  size_t end = static_cast<size_t>(offset) + src.size();
  if (dst.size() < end) dst.resize(end, 0.0f);
  for (size_t i = 0; i < src.size(); ++i) {
    dst[static_cast<size_t>(offset) + i] += static_cast<float>(gain * src[i]);
  }
}

void MixAt(Mono& dst, const Mono& src, double seconds, double gain) {
  MixInto(dst, src, Frames(seconds), gain);
}

void Scale(Mono& signal, double gain) {
  for (float& s : signal) s = static_cast<float>(s * gain);
}

void ApplyEnvelope(Mono& signal, const Mono& envelope) {
  for (size_t i = 0; i < signal.size(); ++i) {
    signal[i] = i < envelope.size() ? signal[i] * envelope[i] : 0.0f;
  }
}

Sound MakeMono(Mono signal) {
  Sound sound;
  sound.channels = 1;
  sound.samples = std::move(signal);
  return sound;
}

Sound PanToStereo(const Mono& signal, double pan) {
  double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * kPi / 4.0;
  double left = Cos(angle), right = Sin(angle);
  Sound s;
  s.channels = 2;
  s.samples.resize(signal.size() * 2);
  for (size_t i = 0; i < signal.size(); ++i) {
    s.samples[2 * i] = static_cast<float>(signal[i] * left);
    s.samples[2 * i + 1] = static_cast<float>(signal[i] * right);
  }
  return s;
}

Sound MakeStereo(const Mono& left, const Mono& right) {
  Sound s;
  s.channels = 2;
  size_t frames = std::max(left.size(), right.size());
  s.samples.assign(frames * 2, 0.0f);
  for (size_t i = 0; i < left.size(); ++i) s.samples[2 * i] = left[i];
  for (size_t i = 0; i < right.size(); ++i) s.samples[2 * i + 1] = right[i];
  return s;
}

void MixSound(Sound& dst, const Sound& src, double seconds, double gain) {
  size_t offset = static_cast<size_t>(Frames(seconds)) * static_cast<size_t>(dst.channels);
  size_t end = offset + src.samples.size();
  if (dst.samples.size() < end) dst.samples.resize(end, 0.0f);
  for (size_t i = 0; i < src.samples.size(); ++i) {
    dst.samples[offset + i] += static_cast<float>(gain * src.samples[i]);
  }
}

Mono Channel(const Sound& sound, int channel) {
  Mono out(static_cast<size_t>(sound.Frames()));
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = sound.samples[i * static_cast<size_t>(sound.channels) + static_cast<size_t>(channel)];
  }
  return out;
}

}  // namespace assetgen
