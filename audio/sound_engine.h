// audio/sound_engine.h - what start-up, hosts and tests reach beyond the game's operations.
// Threads: as audio/sound.h.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/decoded_sound.h"

struct OpenedStream;

// Static numbers from here up are refused: a load naming one would grow the table to
// gigabytes of slots. Dynamic handles start far above (kFirstDynamicNumber).
inline constexpr int32_t kStaticSoundLimit = 1 << 20;

// SoundLoad after the file has been read: takes samples made in memory. Same numbers and
// results as SoundLoad; 0 as well for samples the mixer cannot play (see MakeSoundPcm).
int32_t SoundLoadDecoded(int32_t number, DecodedSound decoded);

// SoundLoad after a stream a decoder reads has been opened and checked: the same numbers
// and results, known at once; the samples are read on a thread of their own, which the
// first SoundPlay of the sound waits for (audio/sound.cpp says why).
int32_t SoundLoadStream(int32_t number, std::unique_ptr<OpenedStream> stream);

// Whether the engine runs (from SoundInit to SoundShutdown): a load made while it does
// not is refused before its file is read.
bool SoundEngineRunning();

// What the engine holds for `sound`: level and device pan in hundredths of a dB. 1, or 0
// for no such sound (the outputs are then left alone).
struct SoundLevels {
  int32_t levelCb = 0;  // -10000 (silent) .. 0 (full)
  int32_t panCb = 0;    // -10000 (right silent) .. 10000 (left silent)
};
int32_t SoundGetLevels(int32_t sound, SoundLevels& levels);
