#include "audio/ring_renderer.h"

#include <algorithm>
#include <cassert>

namespace {

constexpr int32_t kBlock = kRingBlockFrames;
constexpr size_t kBins = kRingBlockFrames + 1;

// The spectrum of one partition of a filter: `taps` from `from`, padded with zeros to the
// transform's size.
void PartitionSpectrum(const RealFft& fft, const float* taps, int32_t length, int32_t from,
                       float* re, float* im) {
  std::vector<float> block(static_cast<size_t>(2 * kBlock), 0.0f);
  std::vector<float> scratch(static_cast<size_t>(4 * kBlock));
  const int32_t count = std::min(kBlock, length - from);
  std::copy_n(taps + from, count, block.begin());
  fft.Forward(block.data(), re, im, scratch.data());
}

// y += a x b over `bins` complex values.
void MultiplyAdd(const float* ar, const float* ai, const float* br, const float* bi, float* yr,
                 float* yi) {
  for (size_t k = 0; k < kBins; ++k) {
    yr[k] += ar[k] * br[k] - ai[k] * bi[k];
    yi[k] += ar[k] * bi[k] + ai[k] * br[k];
  }
}

}  // namespace

struct RingRenderer::Direction {
  std::vector<float> filterRe[2], filterIm[2];  // partition p at p x kBins
  std::vector<float> inputRe, inputIm;          // the last `partitions` blocks' spectra
  std::vector<float> window;                    // the previous block then the newest
  int32_t quietBlocks = 0;                      // blocks in a row that brought nothing
};

RingRenderer::RingRenderer(const HrtfRing& ring)
    : rate_(ring.rate),
      partitions_((ring.length + kBlock - 1) / kBlock),
      fft_(2 * kBlock),
      buses_(kRingDirections, std::vector<float>(static_cast<size_t>(kBlock + kMixBlockFrames))),
      directions_(kRingDirections),
      scratch_(static_cast<size_t>(4 * kBlock)),
      window_(static_cast<size_t>(2 * kBlock)) {
  const size_t spectra = static_cast<size_t>(partitions_) * kBins;
  for (int32_t d = 0; d < kRingDirections; ++d) {
    Direction& direction = directions_[static_cast<size_t>(d)];
    const std::vector<float>* taps[2] = {&ring.left, &ring.right};
    for (int ear = 0; ear < 2; ++ear) {
      direction.filterRe[ear].resize(spectra);
      direction.filterIm[ear].resize(spectra);
      for (int32_t p = 0; p < partitions_; ++p) {
        PartitionSpectrum(fft_, taps[ear]->data() + static_cast<ptrdiff_t>(d) * ring.length,
                          ring.length, p * kBlock, direction.filterRe[ear].data() + p * kBins,
                          direction.filterIm[ear].data() + p * kBins);
      }
      // The inverse transform's factor of 2 x kBlock, folded in once.
      const float scale = 1.0f / (2 * kBlock);
      for (float& v : direction.filterRe[ear]) v *= scale;
      for (float& v : direction.filterIm[ear]) v *= scale;
    }
    direction.inputRe.resize(spectra);
    direction.inputIm.resize(spectra);
    direction.window.resize(static_cast<size_t>(2 * kBlock));
  }
  for (int ear = 0; ear < 2; ++ear) {
    sumRe_[ear].resize(kBins);
    sumIm_[ear].resize(kBins);
    heard_[ear].resize(static_cast<size_t>(2 * kBlock + kMixBlockFrames));
  }
  Reset();
}

RingRenderer::~RingRenderer() = default;

void RingRenderer::Reset() {
  for (auto& bus : buses_) std::fill(bus.begin(), bus.end(), 0.0f);
  for (Direction& direction : directions_) {
    std::fill(direction.inputRe.begin(), direction.inputRe.end(), 0.0f);
    std::fill(direction.inputIm.begin(), direction.inputIm.end(), 0.0f);
    std::fill(direction.window.begin(), direction.window.end(), 0.0f);
    direction.quietBlocks = partitions_ + 1;
  }
  for (auto& ear : heard_) std::fill(ear.begin(), ear.end(), 0.0f);
  pending_ = 0;
  newest_ = 0;
  queued_ = kBlock;  // the ring's output starts one block late, as silence
}

void RingRenderer::Mix(int32_t frames, float* accLeft, float* accRight) {
  assert(frames >= 0 && frames <= kMixBlockFrames && "a ring mix of more than one mixer block");
  pending_ += frames;
  int32_t taken = 0;
  while (pending_ - taken >= kBlock) {
    ConvolveBlock(taken);
    taken += kBlock;
  }
  // What is left over starts the buses' next block.
  for (auto& bus : buses_) {
    std::copy(bus.begin() + taken, bus.begin() + pending_, bus.begin());
    std::fill(bus.begin() + (pending_ - taken), bus.end(), 0.0f);
  }
  pending_ -= taken;
  for (int32_t i = 0; i < frames; ++i) {
    accLeft[i] += heard_[0][static_cast<size_t>(i)];
    accRight[i] += heard_[1][static_cast<size_t>(i)];
  }
  for (auto& ear : heard_) {
    std::copy(ear.begin() + frames, ear.begin() + queued_, ear.begin());
  }
  queued_ -= frames;
}

void RingRenderer::ConvolveBlock(int32_t from) {
  newest_ = (newest_ + 1) % partitions_;
  for (int ear = 0; ear < 2; ++ear) {
    std::fill(sumRe_[ear].begin(), sumRe_[ear].end(), 0.0f);
    std::fill(sumIm_[ear].begin(), sumIm_[ear].end(), 0.0f);
  }
  bool sounding = false;
  for (size_t d = 0; d < directions_.size(); ++d) {
    sounding |= ConvolveDirection(directions_[d], buses_[d].data() + from);
  }
  for (int ear = 0; ear < 2; ++ear) {
    float* out = heard_[ear].data() + queued_;
    if (!sounding) {
      std::fill_n(out, kBlock, 0.0f);
      continue;
    }
    fft_.Inverse(sumRe_[ear].data(), sumIm_[ear].data(), window_.data(), scratch_.data());
    std::copy_n(window_.data() + kBlock, kBlock, out);  // overlap-save: the second half is whole
  }
  queued_ += kBlock;
}

// Adds one direction's part of the newest block to the ears' spectra; false when it has
// nothing left to say (it and the blocks its filters still ring from were silent).
bool RingRenderer::ConvolveDirection(Direction& direction, const float* input) {
  const bool silent = std::all_of(input, input + kBlock, [](float v) { return v == 0.0f; });
  if (silent && direction.quietBlocks > partitions_) return false;  // its history is all zero
  direction.quietBlocks = silent ? direction.quietBlocks + 1 : 0;

  std::copy_n(direction.window.begin() + kBlock, kBlock, direction.window.begin());
  std::copy_n(input, kBlock, direction.window.begin() + kBlock);
  const size_t slot = static_cast<size_t>(newest_) * kBins;
  fft_.Forward(direction.window.data(), direction.inputRe.data() + slot,
               direction.inputIm.data() + slot, scratch_.data());
  for (int32_t p = 0; p < partitions_; ++p) {
    const size_t from = static_cast<size_t>((newest_ - p + partitions_) % partitions_) * kBins;
    const size_t taps = static_cast<size_t>(p) * kBins;
    for (int ear = 0; ear < 2; ++ear) {
      MultiplyAdd(direction.filterRe[ear].data() + taps, direction.filterIm[ear].data() + taps,
                  direction.inputRe.data() + from, direction.inputIm.data() + from,
                  sumRe_[ear].data(), sumIm_[ear].data());
    }
  }
  return true;
}
