#include "audio/decoder_registry.h"

void DecoderRegistry::Append(const SoundDecoder& decoder) {
  std::scoped_lock lock(lock_);
  decoders_.push_back(&decoder);
}

std::vector<const SoundDecoder*> DecoderRegistry::Decoders() const {
  std::scoped_lock lock(lock_);
  return decoders_;
}

DecoderRegistry& SoundDecoders() {
  static DecoderRegistry registry;
  return registry;
}
