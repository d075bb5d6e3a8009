// audio/decoder_registry.h - the pluggable decoders for sound files that are not
// RIFF WAV. A decoder recognises its data by content, never by the file name; the
// loader offers an image to each registered decoder in registration order and takes
// the first that opens it.
// Threads: registration and loads may happen on any thread; the registry's list is
// guarded by its own lock. A decoder instance belongs to the one load that opened it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// One decoder: a table of operations on instances that the decoder allocates.
struct SoundDecoder {
  const char* name;  // for messages: "Ogg Vorbis"
  // A new instance reading the image, or nullptr when the data is not this decoder's.
  // The image stays valid and unchanged until close; the instance never owns it.
  void* (*open)(const uint8_t* image, size_t size);
  int32_t (*channels)(void* instance);  // interleaved channels
  int64_t (*length)(void* instance);    // sample frames of the whole stream
  int64_t (*rate)(void* instance);      // frames per second, as the stream states it
  // Writes up to `bytes` bytes of 16-bit signed little-endian interleaved PCM,
  // continuing where the last read stopped. Returns the bytes written, fewer than
  // asked only at the end of the stream.
  int64_t (*read)(void* instance, uint8_t* destination, int64_t bytes);
  void (*close)(void* instance);  // releases the instance and all it holds
};

class DecoderRegistry {
 public:
  // Appends `decoder`, which must live as long as the registry. Nothing is removed.
  void Append(const SoundDecoder& decoder);
  // The decoders in registration order, as they stand now.
  std::vector<const SoundDecoder*> Decoders() const;

 private:
  mutable std::mutex lock_;  // guards decoders_
  std::vector<const SoundDecoder*> decoders_;
};

// The process-wide registry that LoadSoundFile uses. Empty at process start.
DecoderRegistry& SoundDecoders();
