#include "audio/sound_pcm.h"

#include <cmath>
#include <cstddef>
#include <new>

namespace {

// True when every sample is exactly a 16-bit value over 32768.
bool FitsSixteenBits(const std::vector<float>& samples) {
  for (float sample : samples) {
    const float scaled = sample * 32768.0f;
    if (!(scaled >= -32768.0f && scaled <= 32767.0f) || scaled != std::nearbyint(scaled)) {
      return false;
    }
  }
  return true;
}

template <typename Sample>
void Split(const DecodedSound& decoded, float scale, std::vector<Sample>& left,
           std::vector<Sample>& right) {
  const auto frames = static_cast<size_t>(decoded.frames);
  left.resize(frames + kPcmPadding);
  if (decoded.channels == 2) right.resize(frames + kPcmPadding);
  const float* in = decoded.samples.data();
  if (decoded.channels == 1) {
    for (size_t i = 0; i < frames; ++i) left[i] = static_cast<Sample>(in[i] * scale);
    return;
  }
  for (size_t i = 0; i < frames; ++i) {
    left[i] = static_cast<Sample>(in[2 * i] * scale);
    right[i] = static_cast<Sample>(in[2 * i + 1] * scale);
  }
}

}  // namespace

bool MakeSoundPcm(const DecodedSound& decoded, SoundPcm& pcm) {
  if (decoded.channels < 1 || decoded.channels > 2) return false;
  if (decoded.rate < kMinSoundRate || decoded.rate > kMaxSoundRate) return false;
  if (decoded.frames < 1 || decoded.frames > kMaxSoundFrames) return false;
  const auto frames = static_cast<size_t>(decoded.frames);
  if (decoded.samples.size() != frames * static_cast<size_t>(decoded.channels)) return false;

  SoundPcm made;
  made.narrow =
      !decoded.floatSource && decoded.bitsPerSample <= 16 && FitsSixteenBits(decoded.samples);
  try {
    if (made.narrow) {
      Split(decoded, 32768.0f, made.left16, made.right16);
    } else {
      Split(decoded, 1.0f, made.left, made.right);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  made.channels = decoded.channels;
  made.rate = decoded.rate;
  made.frames = decoded.frames;
  pcm = std::move(made);
  return true;
}
