// audio/ring_renderer.h - renders the ring of directions for headphones: each direction
// has a bus that positioned voices add into, and every bus is heard through its pair of
// head-related filters.
// Threads: made and reset on a game thread while no output pulls it; Bus and Mix on the
// device thread only. Mix never allocates, waits or frees.
//
// The cost is the ring's, not the voices': a voice adds into two buses as a stereo voice
// adds into two channels, and the buses are convolved once per block (uniformly partitioned,
// in the frequency domain), eight directions at once, one in each lane of a vector: one
// transform for eight buses, two back for the ears. Eight directions silent for longer than
// their filters ring cost nothing.
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

  // Where direction `direction`'s next frames go: the mixer adds the next Mix's `frames`
  // frames (at most kMixBlockFrames) from here on.
  float* Bus(int32_t direction) { return buses_[static_cast<size_t>(direction)].data() + pending_; }

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
  int32_t partitions_;                     // kRingBlockFrames-long pieces of every filter
  RealFft fft_;                            // 2 x kRingBlockFrames points
  std::vector<std::vector<float>> buses_;  // per direction: the frames not yet convolved
  int32_t pending_ = 0;                    // frames in every bus not yet convolved
  std::vector<Group> groups_;              // eight directions each
  int32_t newest_ = 0;                     // the slot of the newest block in every group's history
  std::vector<LaneSlot> sum_[2][2];        // per ear, real and imaginary: the spectra being made
  std::vector<LaneSlot> scratch_;
  std::vector<float> earRe_, earIm_, earScratch_, window_;  // one ear's way back
  std::vector<float> heard_[2];  // the ears' output not yet mixed, oldest first
  int32_t queued_ = 0;
};
