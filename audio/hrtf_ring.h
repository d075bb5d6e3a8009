// audio/hrtf_ring.h - head-related impulse responses for a ring of directions around the
// listener, at the ear height (the field is flat), read from a SOFA file.
// Threads: LoadHrtfRing on any thread; a ring is immutable once made.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Directions of the ring, evenly spaced: direction k lies k x 360 / kRingDirections degrees
// counterclockwise from straight ahead (90 is the left, 270 the right). Every 15 degrees, so
// 0, 30, 90, 150 and 180 on either side are measured directions, heard through their own
// filters; between two, a sound is spread over both.
inline constexpr int32_t kRingDirections = 24;
inline constexpr float kRingSpacingDegrees = 360.0f / kRingDirections;

struct HrtfRing {
  int32_t rate = 0;    // frames per second the filters are for
  int32_t length = 0;  // taps of every filter
  // kRingDirections filters of `length` taps each, direction after direction, all starting
  // at once (time-aligned, minimum phase), so two neighbours summed never comb.
  std::vector<float> left;
  std::vector<float> right;
  // Per direction, frames (fractional) each ear's sound comes after the earliest of the ring:
  // what was taken out of the filters, given back per voice between its two directions.
  std::vector<float> delayLeft;
  std::vector<float> delayRight;
};

// The set in the SOFA file at `path` (UTF-8), resampled to `rate` frames per second,
// equalised and made as loud as the stereo path (audio/hrtf_equaliser.h). Nothing, with the
// reason in words in `why`, when the file cannot be read (missing, not a regular file, not a
// set libmysofa accepts) or the set is outside the limits of audio/hrtf_set_check.h: nothing
// of a refused set is ever heard. Where the system allows, libmysofa reads the file in a
// child process of its own, so that a file that crashes it or sends it astray ends the
// child, not the game (see audio/hrtf_ring_reader.cpp); the ring comes back checked again.
std::optional<HrtfRing> LoadHrtfRing(const std::string& path, int32_t rate, std::string& why);

// The same reading in this process: what the child does.
std::optional<HrtfRing> ReadHrtfRingHere(const std::string& path, int32_t rate, std::string& why);

// The most taps a ring read for `rate` may have: the longest filter and the longest delay.
int64_t MaxRingTaps(int32_t rate);

// Empty when `ring` is what a reading for `rate` may give: sizes that agree, at most
// MaxRingTaps, every tap finite and within a bound no head-related filter comes near.
std::string RingFault(const HrtfRing& ring, int32_t rate);

// The filter pair the set itself gives for `degrees` counterclockwise from ahead, at `rate`,
// with no delay left out: what a listener's ears would receive from a click there.
struct HrtfPair {
  std::vector<float> left;
  std::vector<float> right;
};
std::optional<HrtfPair> SetFilterAt(const std::string& path, int32_t rate, float degrees,
                                    std::string& why);
