// audio/sound_file.h - reading a sound file from disk into samples the engine takes.
// The whole file is read; a RIFF file takes the WAV path, anything else goes to the
// registered decoders in registration order. The name's extension plays no part.
// A path that does not exist as written is looked up again ignoring letter case,
// folder by folder.
// Threads: any thread; reads and decodes on the caller's thread, taking no engine lock.
#pragma once

#include <string>

#include "audio/decoded_sound.h"

struct SoundFileResult {
  bool loaded = false;
  DecodedSound sound;   // valid when loaded
  std::string refusal;  // why not, in a few words, when not loaded
};

// Loads `path` (UTF-8) exactly as SoundLoad does.
SoundFileResult LoadSoundFile(const std::string& path);
