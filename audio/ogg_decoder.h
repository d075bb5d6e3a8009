// audio/ogg_decoder.h - the Ogg Vorbis decoder: a SoundDecoder over libvorbisfile,
// reading the file image in memory through callbacks and producing 16-bit PCM.
// Owns: nothing process-wide but its registration flag.
// Threads: registration from any thread (once); each instance is used by the one
// load that opened it.
// Depends on: libvorbisfile, libvorbis, libogg (Debian packages).
#pragma once

#include "audio/decoder_registry.h"

// Appends the Ogg Vorbis decoder to the process-wide registry. The first call
// registers it; later calls do nothing. The game calls it once at start-up.
void SoundUseOggDecoder();

// The decoder itself, for a registry of one's own.
const SoundDecoder& OggVorbisDecoder();
