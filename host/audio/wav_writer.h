// host/audio/wav_writer.h - writing 32-bit float stereo WAV files.
// Threads: plain functions on the caller's file.
#pragma once

#include <cstdint>
#include <cstdio>

// Writes a RIFF/WAVE header for `frames` frames of `channels` 32-bit float samples at
// `rate` frames per second at the current position of `file`. False on a write error.
bool WriteFloatWavHeader(std::FILE* file, int32_t channels, int32_t rate, int64_t frames);

// Bytes of the header WriteFloatWavHeader writes.
inline constexpr long kFloatWavHeaderBytes = 58;
