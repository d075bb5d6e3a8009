// SoundLoad: the file is read (and a stream opened and checked) on the caller's thread,
// before the engine lock is taken, so no other thread's sound call and never the mixer
// waits behind the disk. A stream's samples are then read on a thread of their own
// (SoundLoadStream).
#include <utility>

#include "audio/sound.h"
#include "audio/sound_engine.h"
#include "audio/sound_file.h"

int32_t SoundLoad(int32_t number, const std::string& path) {
  // No engine, no sound: do not read and decode a file only to drop it.
  if (!SoundEngineRunning()) return 0;
  OpenedSoundFile file = OpenSoundFile(path);
  if (file.stream) return SoundLoadStream(number, std::move(file.stream));
  if (!file.result.loaded) return 0;
  return SoundLoadDecoded(number, std::move(file.result.sound));
}
