#include "audio/sound_pcm.h"

#include <cstddef>
#include <new>

bool MakeSoundPcm(const DecodedSound& decoded, SoundPcm& pcm) {
  if (decoded.channels < 1 || decoded.channels > 2) return false;
  if (decoded.rate < kMinSoundRate || decoded.rate > kMaxSoundRate) return false;
  if (decoded.frames < 1 || decoded.frames > kMaxSoundFrames) return false;
  const auto frames = static_cast<size_t>(decoded.frames);
  if (decoded.samples.size() != frames * static_cast<size_t>(decoded.channels)) return false;

  SoundPcm made;
  try {
    made.left.resize(frames + kPcmPadding);
    if (decoded.channels == 2) made.right.resize(frames + kPcmPadding);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const float* in = decoded.samples.data();
  if (decoded.channels == 1) {
    for (size_t i = 0; i < frames; ++i) made.left[i] = in[i];
  } else {
    for (size_t i = 0; i < frames; ++i) {
      made.left[i] = in[2 * i];
      made.right[i] = in[2 * i + 1];
    }
  }
  made.channels = decoded.channels;
  made.rate = decoded.rate;
  made.frames = decoded.frames;
  pcm = std::move(made);
  return true;
}
