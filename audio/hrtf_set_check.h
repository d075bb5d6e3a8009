// audio/hrtf_set_check.h - what a head-related set must be before a sample of it is heard:
// the limits, and the checks that hold a set read by libmysofa to them. A set is anyone's
// download, or a damaged copy: each check names, in words, what is wrong.
// Threads: any thread; no shared state.
#pragma once

#include <cstdint>
#include <string>

struct MYSOFA_HRTF;

// The set's own sample rate (frames per second). Sets are measured at 44.1 to 96 kHz; far
// outside, resampling would take minutes and gigabytes or leave nothing of the filters.
inline constexpr float kMinSetRate = 8000.0f;
inline constexpr float kMaxSetRate = 192000.0f;
// Taps of a filter, in the file and once resampled to the output's rate: 43 ms at 48 kHz,
// four times the longest head-related response (the renderer's cost grows with it).
inline constexpr uint32_t kMaxFilterTaps = 2048;
// A delay the set keeps beside its filters (samples at the set's rate, as the format has
// them): at most this many seconds. The sound's way around the head is under 1 ms.
inline constexpr float kMaxSetDelaySeconds = 0.005f;
// The largest tap of the set, in magnitude: a set is a filter of about unit gain, so a
// peak far outside this range is a damaged or mis-scaled file, not a quiet or loud one.
inline constexpr float kMinSetPeak = 1e-4f;
inline constexpr float kMaxSetPeak = 1e4f;
// A filter whose largest tap is below this share of the set's (-80 dB) is silent: an ear
// that hears nothing from a direction is a hole in the set.
inline constexpr float kMinFilterShareOfPeak = 1e-4f;

// Empty when the set as loaded (before resampling) is within the limits above and holds
// what reading it needs: two ears, one rate, positions and delays of the right sizes,
// every number finite. Otherwise the first fault, in words.
std::string SetFault(const MYSOFA_HRTF& set);

// Empty when the set, resampled and brought to its loudness, is still within the limits.
std::string ResampledSetFault(const MYSOFA_HRTF& set);

// The words for one of libmysofa's error codes: never a bare number.
std::string SetReaderError(int err);
