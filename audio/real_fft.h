// audio/real_fft.h - the discrete Fourier transform of real blocks of a power-of-two size,
// for the binaural renderer's block convolution: one block at a time, or eight at once
// (one in each lane of a vector), which keeps every butterfly a whole vector operation.
// Threads: a RealFft is immutable after construction; its transforms touch only their
// arguments, so one transform serves any thread.
#pragma once

#include <cstdint>
#include <vector>

// Eight floats side by side: the same point of eight blocks. Kept in LaneSlots (a vector
// type's own alignment depends on the instructions a function is compiled for, and is lost
// as a template argument), read and written as Lanes, which may alias them.
inline constexpr int32_t kLanes = 8;
using Lanes = float __attribute__((vector_size(32), may_alias));
struct alignas(32) LaneSlot {
  float lane[kLanes];
};
inline Lanes* AsLanes(std::vector<LaneSlot>& slots) {
  return reinterpret_cast<Lanes*>(slots.data());
}

class RealFft {
 public:
  // `size` a power of two, at least 4. Allocates its tables.
  explicit RealFft(int32_t size);
  int32_t size() const { return size_; }
  int32_t bins() const { return size_ / 2 + 1; }

  // `re`/`im` receive bins() values: X[k] = sum of x[n] e^(-2 pi i k n / size).
  // `scratch` holds 2 x size values and is overwritten.
  void Forward(const float* x, float* re, float* im, float* scratch) const;
  void Forward(const Lanes* x, Lanes* re, Lanes* im, Lanes* scratch) const;

  // The real block whose Forward gives `re`/`im` (bins() values each), times size():
  // the caller folds 1 / size into whatever it multiplies anyway.
  void Inverse(const float* re, const float* im, float* x, float* scratch) const;

 private:
  template <typename V>
  void ForwardOf(const V* x, V* re, V* im, V* scratch) const;
  template <typename V>
  void Complex(V* re, V* im, bool inverse) const;  // in place, size / 2 points
  // The lanes' forward transform compiled for AVX2 with FMA, taken when the processor has it.
  void ForwardLanesWide(const Lanes* x, Lanes* re, Lanes* im, Lanes* scratch) const;

  int32_t size_;
  int32_t half_;
  std::vector<int32_t> reversed_;  // bit-reversed index of every point of the half transform
  std::vector<float> cosine_;      // e^(-2 pi i k / size), k < size / 2
  std::vector<float> sine_;
  // The butterflies' twiddles stage by stage, so that each stage reads them in order: the
  // stage of span s holds e^(-2 pi i j / (2 s)), j < s, from offset s - 1.
  std::vector<float> stageCosine_;
  std::vector<float> stageSine_;
  bool wide_;  // the processor has AVX2 and FMA
};
