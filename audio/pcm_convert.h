// audio/pcm_convert.h - reading a WAV format block and turning sample bytes into the
// engine's interleaved floats.
//
// Accepted: one or two channels at 8000 .. 192000 frames per second, as
//   - integer PCM (tag 1): 8-bit unsigned, 16-, 24- or 32-bit signed little-endian;
//   - IEEE float (tag 3): 32-bit;
//   - WAVE_FORMAT_EXTENSIBLE (tag 0xFFFE) whose subformat is one of the two above.
// Everything else is refused with a reason. A block alignment that does not equal
// channels x bytes per sample (zero included) is refused, so no frame size is ever 0.
// Threads: any thread; no shared state.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

enum class SampleEncoding { kUnsigned8, kSigned16, kSigned24, kSigned32, kFloat32 };

struct SampleLayout {
  SampleEncoding encoding = SampleEncoding::kSigned16;
  int32_t channels = 0;       // 1 or 2
  int32_t rate = 0;           // frames per second, 8000 .. 192000
  int32_t bitsPerSample = 0;  // 8, 16, 24 or 32
  int32_t blockAlign = 0;     // bytes per frame: channels x bitsPerSample / 8, never 0
};

inline constexpr int32_t kMinSampleRate = 8000;    // frames per second
inline constexpr int32_t kMaxSampleRate = 192000;  // frames per second
inline constexpr int32_t kMaxChannels = 2;

// Checks the channel count and rate every loaded sound must have. On failure says
// why in `refusal`.
bool CheckChannelsAndRate(int64_t channels, int64_t rate, std::string& refusal);

// Reads a format block laid out as WAVEFORMATEX (little-endian: tag u16, channels
// u16, rate u32, bytes per second u32, block alignment u16, bits u16, then for the
// extensible tag the extra size u16, valid bits u16, channel mask u32, subformat
// GUID). The bytes-per-second field is not used.
std::optional<SampleLayout> ReadSampleLayout(std::span<const uint8_t> format, std::string& refusal);

// The layout of the 16-bit signed PCM that decoders produce.
SampleLayout Pcm16Layout(int32_t channels, int32_t rate);

// Converts the whole frames of `pcm` (a trailing partial frame is ignored) into
// `out`, which holds room for (pcm.size() / blockAlign) x channels floats. Integer
// samples map onto -1 .. 1 by their full scale (16-bit: s / 32768); float samples
// are clamped to -1 .. 1, with NaN becoming 0. Returns the frames converted.
int64_t ConvertSamples(const SampleLayout& layout, std::span<const uint8_t> pcm, float* out);
