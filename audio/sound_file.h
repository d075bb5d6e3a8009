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
#include <memory>
#include <span>
#include <string>

#include "audio/decoded_sound.h"
#include "audio/file_image.h"
#include "audio/pcm_convert.h"

class DecoderRegistry;
struct SoundDecoder;

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

// A stream a decoder reads (not WAV), opened and checked: its shape is known and nothing
// can refuse it any more; only its samples are left to read, which any one thread may do.
struct OpenedStream {
  OpenedStream() = default;
  OpenedStream(const OpenedStream&) = delete;
  OpenedStream& operator=(const OpenedStream&) = delete;
  ~OpenedStream();

  // Reads the samples LoadSoundFile would give, as the decoder's 16-bit values, into one
  // array per channel (`right` only for stereo), each holding `frames` samples; frames
  // the stream does not deliver are left as they were. Once per stream.
  void ReadPcm16(int16_t* left, int16_t* right);

  SampleLayout layout;  // 16-bit signed, the stream's channels and rate
  int64_t frames = 0;   // 1 .. what kMaxDecodedBytes holds
  FileImage image;      // the file, when the stream owns it; the decoder reads it
  const SoundDecoder* decoder = nullptr;
  void* instance = nullptr;  // the decoder's, closed with the stream
};

// LoadSoundFile's first half: a WAV file is loaded (or refused) in `result`; a file a
// decoder reads is only opened and checked, and comes back as `stream` (or refused).
struct OpenedSoundFile {
  SoundFileResult result;                // unless `stream` is set
  std::unique_ptr<OpenedStream> stream;  // owns the file's bytes
};
OpenedSoundFile OpenSoundFile(const std::string& path);

// Loads a whole file already in memory, with the process-wide decoders. LoadSoundFile
// reads the file and calls this.
SoundFileResult LoadSoundImage(std::span<const uint8_t> image);

// The same with the decoders of `decoders` instead of the process-wide ones.
SoundFileResult LoadSoundImage(std::span<const uint8_t> image, const DecoderRegistry& decoders);
