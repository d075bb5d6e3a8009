// libFuzzer target: the sound loader's entry for a file image in memory, with the Ogg
// Vorbis decoder registered as the game registers it. Besides crashes and sanitizer
// reports it traps on a loaded sound that breaks the loader's promises.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"

namespace {

bool KeepsItsPromises(const DecodedSound& sound) {
  if (sound.channels < 1 || sound.channels > 2) return false;
  if (sound.rate < 8000 || sound.rate > 192000) return false;
  if (sound.frames <= 0 ||
      sound.samples.size() != static_cast<size_t>(sound.frames * sound.channels)) {
    return false;
  }
  for (float sample : sound.samples) {
    if (!(sample >= -1.0f && sample <= 1.0f)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (SoundUseOggDecoder(), true);
  (void)registered;
  SoundFileResult result = LoadSoundImage(std::span<const uint8_t>(data, size));
  if (result.loaded && !KeepsItsPromises(result.sound)) __builtin_trap();
  if (!result.loaded && result.refusal.empty()) __builtin_trap();
  return 0;
}
