// audio/ring_renderer.h - renders the ring of directions for headphones: each direction
// has a bus that positioned voices add into, and every bus is heard through its pair of
// head-related filters.
// Threads: made and reset on a game thread while no output pulls it; Bus and Mix on the
// device thread only. Mix never allocates, waits or frees.
//
// The cost is the ring's, not the voices': a voice adds into two buses per ear, each ear
// read at its own delay, and the buses are convolved once per block (uniformly partitioned,
// in the frequency domain), eight directions at once, one in each lane of a vector: one
// transform for eight buses of an ear, one back for each ear. Eight directions silent for longer
// than their filters ring cost nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/hrtf_ring.h"
#include "audio/mix_kernels.h"
#include "audio/real_fft.h"

// Frames of one convolution block; the ring's output comes this much later than the
// stereo voices' (at 48 kHz, 2.7 ms, partly made up by the delay left out of the filters).
inline constexpr int32_t kRingBlockFrames = 128;

class RingRenderer {
 public:
  explicit RingRenderer(const HrtfRing& ring);  // allocates everything it will use
  ~RingRenderer();
  RingRenderer(const RingRenderer&) = delete;
  RingRenderer& operator=(const RingRenderer&) = delete;
  int32_t rate() const { return rate_; }
  // Different for every ring made in the process: a voice knows its delays are this ring's.
  uint32_t serial() const { return serial_; }

  // Where direction `direction`'s next frames for ear `ear` (0 left, 1 right) go: the mixer
  // adds the next Mix's `frames` frames (at most kMixBlockFrames) from here on. Each ear has
  // its own bus, so each voice brings its own delay between the ears.
  float* Bus(int32_t ear, int32_t direction) {
    return buses_[static_cast<size_t>(ear * kRingDirections + direction)].data() + pending_;
  }

  // Frames each ear of a voice at `directionCd` (hundredths of a degree) lags: the delays
  // of the two ring directions around it, taken as the voice's gains are.
  void EarDelays(int32_t directionCd, float delays[2]) const;

  // Takes the `frames` frames the buses received since the last Mix, and adds as many frames
  // of the ring as heard into the accumulators (kRingBlockFrames behind).
  void Mix(int32_t frames, float* accLeft, float* accRight);

  // Silence on every bus and in every filter's memory, for a new output.
  void Reset();

 private:
  struct Group;
  void ConvolveBlock(int32_t from);
  bool ConvolveGroup(Group& group, int32_t firstDirection, int32_t from);

  int32_t rate_;
  uint32_t serial_;
  int32_t partitions_;                     // kRingBlockFrames-long pieces of every filter
  RealFft fft_;                            // 2 x kRingBlockFrames points
  std::vector<std::vector<float>> buses_;  // per ear, per direction: frames not yet convolved
  std::vector<float> delays_[2];           // per ear, per direction: frames taken out
  int32_t pending_ = 0;                    // frames in every bus not yet convolved
  std::vector<Group> groups_;              // eight directions each
  int32_t newest_ = 0;                     // the slot of the newest block in every group's history
  std::vector<LaneSlot> sum_[2][2];        // per ear, real and imaginary: the spectra being made
  std::vector<LaneSlot> scratch_;
  std::vector<float> earRe_, earIm_, earScratch_, window_;  // one ear's way back
  std::vector<float> heard_[2];  // the ears' output not yet mixed, oldest first
  int32_t queued_ = 0;
};
