#include "audio/ring_renderer.h"

#include "audio/mix_kernels_x86.h"

#include <algorithm>
#include <atomic>
#include <cassert>

namespace {

constexpr int32_t kBlock = kRingBlockFrames;
constexpr size_t kBins = kRingBlockFrames + 1;
static_assert(kRingDirections % kLanes == 0, "the ring fills whole groups of lanes");

// y += a x b over kBins complex values, each lane on its own.
[[gnu::always_inline]] inline void MultiplyAdd(const Lanes* ar, const Lanes* ai, const Lanes* br,
                                               const Lanes* bi, Lanes* yr, Lanes* yi) {
  for (size_t k = 0; k < kBins; ++k) {
    yr[k] += ar[k] * br[k] - ai[k] * bi[k];
    yi[k] += ar[k] * bi[k] + ai[k] * br[k];
  }
}

// What one group's newest block and the blocks before it add to both ears' spectra: every
// partition of the filters times the input block it is delayed to.
struct Partitions {
  const Lanes* filterRe[2];
  const Lanes* filterIm[2];
  const Lanes* inputRe[2];
  const Lanes* inputIm[2];
  int32_t count;
  int32_t newest;
  Lanes* sum[2][2];
};

[[gnu::always_inline]] inline void AddPartitions(const Partitions& p) {
  for (int32_t part = 0; part < p.count; ++part) {
    const size_t past = static_cast<size_t>((p.newest - part + p.count) % p.count) * kBins;
    const size_t taps = static_cast<size_t>(part) * kBins;
    for (int ear = 0; ear < 2; ++ear) {
      MultiplyAdd(p.filterRe[ear] + taps, p.filterIm[ear] + taps, p.inputRe[ear] + past,
                  p.inputIm[ear] + past, p.sum[ear][0], p.sum[ear][1]);
    }
  }
}

void AddPartitionsPortable(const Partitions& p) {
  AddPartitions(p);
}

#if defined(__x86_64__)
__attribute__((target("avx2,fma"))) void AddPartitionsAvx2(const Partitions& p) {
  AddPartitions(p);
}
#else
void AddPartitionsAvx2(const Partitions& p) {
  AddPartitions(p);
}
#endif

uint32_t NextSerial() {
  static std::atomic<uint32_t> made{0};
  return made.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

// Eight directions, lane by lane.
struct RingRenderer::Group {
  std::vector<LaneSlot> filterRe[2], filterIm[2];  // per ear: partition p at p x kBins
  std::vector<LaneSlot> inputRe[2], inputIm[2];    // per ear: the last `partitions` blocks' spectra
  std::vector<LaneSlot> window[2];                 // per ear: the previous block then the newest
  int32_t quietBlocks = 0;                         // blocks in a row that brought nothing
};

RingRenderer::RingRenderer(const HrtfRing& ring)
    : rate_(ring.rate),
      serial_(NextSerial()),
      partitions_((ring.length + kBlock - 1) / kBlock),
      fft_(2 * kBlock),
      buses_(2 * kRingDirections,
             std::vector<float>(static_cast<size_t>(kBlock + kMixBlockFrames))),
      delays_{ring.delayLeft, ring.delayRight},
      groups_(kRingDirections / kLanes),
      scratch_(static_cast<size_t>(4 * kBlock)),
      earRe_(kBins),
      earIm_(kBins),
      earScratch_(static_cast<size_t>(4 * kBlock)),
      window_(static_cast<size_t>(2 * kBlock)) {
  const size_t spectra = static_cast<size_t>(partitions_) * kBins;
  // The inverse transform's factor of 2 x kBlock, folded into the filters once.
  const float scale = 1.0f / (2 * kBlock);
  std::vector<LaneSlot> slots(static_cast<size_t>(2 * kBlock));
  Lanes* block = AsLanes(slots);
  for (size_t g = 0; g < groups_.size(); ++g) {
    Group& group = groups_[g];
    const std::vector<float>* taps[2] = {&ring.left, &ring.right};
    for (int ear = 0; ear < 2; ++ear) {
      group.filterRe[ear].resize(spectra);
      group.filterIm[ear].resize(spectra);
      for (int32_t p = 0; p < partitions_; ++p) {
        for (int32_t i = 0; i < 2 * kBlock; ++i) {
          for (int32_t lane = 0; lane < kLanes; ++lane) {
            const int32_t tap = p * kBlock + i;
            const auto direction = static_cast<int32_t>(g) * kLanes + lane;
            block[static_cast<size_t>(i)][lane] =
                i < kBlock && tap < ring.length
                    ? scale * (*taps[ear])[static_cast<size_t>(direction * ring.length + tap)]
                    : 0.0f;
          }
        }
        fft_.Forward(block, AsLanes(group.filterRe[ear]) + p * kBins,
                     AsLanes(group.filterIm[ear]) + p * kBins, AsLanes(scratch_));
      }
    }
    for (int ear = 0; ear < 2; ++ear) {
      group.inputRe[ear].resize(spectra);
      group.inputIm[ear].resize(spectra);
      group.window[ear].resize(static_cast<size_t>(2 * kBlock));
    }
  }
  for (auto& ear : sum_) {
    for (auto& part : ear) part.resize(kBins);
  }
  for (auto& ear : heard_) ear.resize(static_cast<size_t>(2 * kBlock + kMixBlockFrames));
  Reset();
}

RingRenderer::~RingRenderer() = default;

void RingRenderer::Reset() {
  const LaneSlot zero{};
  for (auto& bus : buses_) std::fill(bus.begin(), bus.end(), 0.0f);
  for (Group& group : groups_) {
    for (int ear = 0; ear < 2; ++ear) {
      std::fill(group.inputRe[ear].begin(), group.inputRe[ear].end(), zero);
      std::fill(group.inputIm[ear].begin(), group.inputIm[ear].end(), zero);
      std::fill(group.window[ear].begin(), group.window[ear].end(), zero);
    }
    group.quietBlocks = partitions_ + 1;
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
  for (auto& ear : heard_) std::copy(ear.begin() + frames, ear.begin() + queued_, ear.begin());
  queued_ -= frames;
}

void RingRenderer::ConvolveBlock(int32_t from) {
  newest_ = (newest_ + 1) % partitions_;
  const LaneSlot zero{};
  for (auto& ear : sum_) {
    for (auto& part : ear) std::fill(part.begin(), part.end(), zero);
  }
  bool sounding = false;
  for (size_t g = 0; g < groups_.size(); ++g) {
    sounding |= ConvolveGroup(groups_[g], static_cast<int32_t>(g) * kLanes, from);
  }
  for (int ear = 0; ear < 2; ++ear) {
    float* out = heard_[ear].data() + queued_;
    if (!sounding) {
      std::fill_n(out, kBlock, 0.0f);
      continue;
    }
    // The ear hears every direction: the lanes summed.
    for (size_t k = 0; k < kBins; ++k) {
      float re = 0.0f, im = 0.0f;
      for (int32_t lane = 0; lane < kLanes; ++lane) {
        re += sum_[ear][0][k].lane[lane];
        im += sum_[ear][1][k].lane[lane];
      }
      earRe_[k] = re;
      earIm_[k] = im;
    }
    fft_.Inverse(earRe_.data(), earIm_.data(), window_.data(), earScratch_.data());
    std::copy_n(window_.data() + kBlock, kBlock, out);  // overlap-save: the second half is whole
  }
  queued_ += kBlock;
}

// Adds eight directions' part of the newest block to the ears' spectra; false when they have
// nothing left to say (they and the blocks their filters still ring from were silent).
bool RingRenderer::ConvolveGroup(Group& group, int32_t firstDirection, int32_t from) {
  auto input = [&](int ear, int32_t lane) {
    return buses_[static_cast<size_t>(ear * kRingDirections + firstDirection + lane)].data() + from;
  };
  bool silent = true;
  for (int ear = 0; ear < 2 && silent; ++ear) {
    for (int32_t lane = 0; lane < kLanes && silent; ++lane) {
      const float* in = input(ear, lane);
      silent = std::all_of(in, in + kBlock, [](float v) { return v == 0.0f; });
    }
  }
  if (silent && group.quietBlocks > partitions_) return false;  // its history is all zero
  group.quietBlocks = silent ? group.quietBlocks + 1 : 0;

  const size_t slot = static_cast<size_t>(newest_) * kBins;
  for (int ear = 0; ear < 2; ++ear) {
    std::vector<LaneSlot>& window = group.window[ear];
    std::copy_n(window.begin() + kBlock, kBlock, window.begin());
    for (int32_t lane = 0; lane < kLanes; ++lane) {
      const float* in = input(ear, lane);
      for (int32_t i = 0; i < kBlock; ++i) {
        window[static_cast<size_t>(kBlock + i)].lane[lane] = in[i];
      }
    }
    fft_.Forward(AsLanes(window), AsLanes(group.inputRe[ear]) + slot,
                 AsLanes(group.inputIm[ear]) + slot, AsLanes(scratch_));
  }
  Partitions partitions{
      {AsLanes(group.filterRe[0]), AsLanes(group.filterRe[1])},
      {AsLanes(group.filterIm[0]), AsLanes(group.filterIm[1])},
      {AsLanes(group.inputRe[0]), AsLanes(group.inputRe[1])},
      {AsLanes(group.inputIm[0]), AsLanes(group.inputIm[1])},
      partitions_,
      newest_,
      {{AsLanes(sum_[0][0]), AsLanes(sum_[0][1])}, {AsLanes(sum_[1][0]), AsLanes(sum_[1][1])}}};
  static const bool avx2 = AvailableVectorLoops() >= VectorLoops::kAvx2;
  if (avx2) {
    AddPartitionsAvx2(partitions);
  } else {
    AddPartitionsPortable(partitions);
  }
  return true;
}

void RingRenderer::EarDelays(int32_t directionCd, float delays[2]) const {
  const float place = static_cast<float>(directionCd) / (100.0f * kRingSpacingDegrees);
  const auto first = std::clamp(static_cast<int32_t>(place), 0, kRingDirections - 1);
  const float toNext = std::clamp(place - static_cast<float>(first), 0.0f, 1.0f);
  const auto next = static_cast<size_t>((first + 1) % kRingDirections);
  for (int ear = 0; ear < 2; ++ear) {
    const std::vector<float>& delay = delays_[ear];
    delays[ear] = delay[static_cast<size_t>(first)] * (1.0f - toNext) + delay[next] * toNext;
  }
}
