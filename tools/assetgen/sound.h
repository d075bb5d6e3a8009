// tools/assetgen/sound.h - the sample buffer every recipe works on, and the plain
// operations on it: sizes in seconds, mixing at an offset, gain, panning to stereo.
// Samples are 32-bit float, nominally -1 .. 1, interleaved when stereo.
// Threads: plain values.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

constexpr int kRate = 44100;  // frames per second of every generated file

using Mono = std::vector<float>;

struct Sound {
  int channels = 1;            // 1 or 2
  std::vector<float> samples;  // channels * Frames() values, interleaved, left first
  int64_t Frames() const { return static_cast<int64_t>(samples.size()) / channels; }
};

// Whole frames in `seconds` at kRate, rounded to nearest.
int64_t Frames(double seconds);
Mono Silence(double seconds);

// dst[offset + i] += gain * src[i]; dst grows when src reaches past its end.
void MixInto(Mono& dst, const Mono& src, int64_t offset, double gain = 1.0);
void MixAt(Mono& dst, const Mono& src, double seconds, double gain = 1.0);
void Scale(Mono& signal, double gain);
// Multiplies each sample by the matching value of `envelope` (shorter envelope: the
// rest of the signal is zeroed).
void ApplyEnvelope(Mono& signal, const Mono& envelope);

Sound MakeMono(Mono signal);
// Constant-power pan: -1 full left .. 1 full right.
Sound PanToStereo(const Mono& signal, double pan);
Sound MakeStereo(const Mono& left, const Mono& right);
// Adds `src` into `dst` (both stereo or both mono); dst grows as needed.
void MixSound(Sound& dst, const Sound& src, double seconds, double gain = 1.0);
Mono Channel(const Sound& sound, int channel);

}  // namespace assetgen
