// audio/sound_file.h - reading a sound file from disk into samples the engine takes.
// The whole file is read; a RIFF file takes the WAV path, anything else goes to the
// registered decoders in registration order. The name's extension plays no part.
// A path that does not exist as written is looked up again ignoring letter case,
// folder by folder.
// Owns: nothing beyond one load, except each thread's file buffer kept for its next load.
// Threads: any thread; reads and decodes on the caller's thread, taking no engine lock.
// Depends on: the decoder registry (audio/decoder_registry.h), libvorbisfile through
// the Ogg Vorbis decoder (audio/ogg_decoder.h), the C++ standard library.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "audio/decoded_sound.h"

class DecoderRegistry;

struct SoundFileResult {
  bool loaded = false;
  DecodedSound sound;   // valid when loaded
  std::string refusal;  // why not, in a few words, when not loaded
};

// Most bytes of 16-bit PCM one decoded (non-WAV) sound may take; a longer stream is
// cut to this many bytes (at 44,100 Hz stereo after about 362 seconds).
inline constexpr int64_t kMaxDecodedBytes = 64000000;

// Loads `path` (UTF-8) exactly as SoundLoad does.
SoundFileResult LoadSoundFile(const std::string& path);

// Loads a whole file already in memory, with the process-wide decoders. LoadSoundFile
// reads the file and calls this.
SoundFileResult LoadSoundImage(std::span<const uint8_t> image);

// The same with the decoders of `decoders` instead of the process-wide ones.
SoundFileResult LoadSoundImage(std::span<const uint8_t> image, const DecoderRegistry& decoders);
