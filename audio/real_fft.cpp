#include "audio/real_fft.h"

#include "audio/mix_kernels_x86.h"

#include <cassert>
#include <cmath>
#include <numbers>
#include <utility>

RealFft::RealFft(int32_t size)
    : size_(size), half_(size / 2), reversed_(static_cast<size_t>(size / 2)) {
  assert(size >= 4 && (size & (size - 1)) == 0 && "a transform size is a power of two");
  int32_t bits = 0;
  while ((1 << bits) < half_) ++bits;
  for (int32_t i = 0; i < half_; ++i) {
    int32_t r = 0;
    for (int32_t b = 0; b < bits; ++b) r |= ((i >> b) & 1) << (bits - 1 - b);
    reversed_[static_cast<size_t>(i)] = r;
  }
  for (int32_t k = 0; k < half_; ++k) {
    const double angle = -2.0 * std::numbers::pi * k / size;
    cosine_.push_back(static_cast<float>(std::cos(angle)));
    sine_.push_back(static_cast<float>(std::sin(angle)));
  }
  wide_ = AvailableVectorLoops() >= VectorLoops::kAvx2;
  for (int32_t span = 1; span < half_; span *= 2) {
    const int32_t stride = size_ / (2 * span);
    for (int32_t j = 0; j < span; ++j) {
      stageCosine_.push_back(cosine_[static_cast<size_t>(j * stride)]);
      stageSine_.push_back(sine_[static_cast<size_t>(j * stride)]);
    }
  }
}

namespace {

// Radix-2, decimation in time, over `half` points already in bit-reversed order: the twiddle
// of a butterfly of span s at offset j is e^(-+2 pi i j / (2 s)), `cosine` and `sine` from
// offset s - 1.
template <typename V>
[[gnu::always_inline]] inline void Butterflies(V* re, V* im, int32_t half, const float* cosine,
                                               const float* sine, float sign) {
  for (int32_t span = 1; span < half; span *= 2) {
    const float* c = cosine + (span - 1);
    const float* s = sine + (span - 1);
    for (int32_t start = 0; start < half; start += 2 * span) {
      V* ar = re + start;
      V* ai = im + start;
      V* br = ar + span;
      V* bi = ai + span;
      for (int32_t j = 0; j < span; ++j) {
        const float wr = c[j], wi = sign * s[j];
        const V tr = br[j] * wr - bi[j] * wi;
        const V ti = br[j] * wi + bi[j] * wr;
        br[j] = ar[j] - tr;
        bi[j] = ai[j] - ti;
        ar[j] += tr;
        ai[j] += ti;
      }
    }
  }
}

}  // namespace

template <typename V>
[[gnu::always_inline]] inline void RealFft::Complex(V* re, V* im, bool inverse) const {
  for (int32_t i = 0; i < half_; ++i) {
    const int32_t r = reversed_[static_cast<size_t>(i)];
    if (r > i) {
      std::swap(re[i], re[r]);
      std::swap(im[i], im[r]);
    }
  }
  Butterflies(re, im, half_, stageCosine_.data(), stageSine_.data(), inverse ? -1.0f : 1.0f);
}

// The real block's even samples as the real part and its odd ones as the imaginary part
// of a half-size transform; its spectrum Z then splits into the real block's spectrum:
// X[k] = (Z[k] + conj Z[h-k]) / 2 - i w^k (Z[k] - conj Z[h-k]) / 2, w = e^(-2 pi i / size).
template <typename V>
[[gnu::always_inline]] inline void RealFft::ForwardOf(const V* x, V* re, V* im, V* scratch) const {
  V* zr = scratch;
  V* zi = scratch + half_;
  for (int32_t n = 0; n < half_; ++n) {
    zr[n] = x[2 * n];
    zi[n] = x[2 * n + 1];
  }
  Complex(zr, zi, false);
  re[0] = zr[0] + zi[0];
  im[0] = zr[0] * 0.0f;
  re[half_] = zr[0] - zi[0];
  im[half_] = zr[0] * 0.0f;
  for (int32_t k = 1; k < half_; ++k) {
    const V ar = zr[k], ai = zi[k];
    const V br = zr[half_ - k], bi = -zi[half_ - k];  // conj Z[h-k]
    const V er = 0.5f * (ar + br), ei = 0.5f * (ai + bi);
    const V dr = 0.5f * (ar - br), di = 0.5f * (ai - bi);
    // -i w (dr + i di) = w (di - i dr)
    const float wr = cosine_[static_cast<size_t>(k)], wi = sine_[static_cast<size_t>(k)];
    re[k] = er + wr * di + wi * dr;
    im[k] = ei + wi * di - wr * dr;
  }
}

void RealFft::Forward(const float* x, float* re, float* im, float* scratch) const {
  ForwardOf(x, re, im, scratch);
}

#if defined(__x86_64__)
// Eight lanes are one AVX register: the same transform compiled for it.
__attribute__((target("avx2,fma"))) void RealFft::ForwardLanesWide(const Lanes* x, Lanes* re,
                                                                   Lanes* im,
                                                                   Lanes* scratch) const {
  ForwardOf(x, re, im, scratch);
}
#else
void RealFft::ForwardLanesWide(const Lanes* x, Lanes* re, Lanes* im, Lanes* scratch) const {
  ForwardOf(x, re, im, scratch);
}
#endif

void RealFft::Forward(const Lanes* x, Lanes* re, Lanes* im, Lanes* scratch) const {
  if (wide_) {
    ForwardLanesWide(x, re, im, scratch);
  } else {
    ForwardOf(x, re, im, scratch);
  }
}

// The split undone: Z[k] = E[k] + i w^-k D[k] with E = X[k] + conj X[h-k] and
// D = X[k] - conj X[h-k]; the half-size inverse of Z holds the even and odd samples.
void RealFft::Inverse(const float* re, const float* im, float* x, float* scratch) const {
  float* zr = scratch;
  float* zi = scratch + half_;
  for (int32_t k = 0; k < half_; ++k) {
    const float ar = re[k], ai = im[k];
    const float br = re[half_ - k], bi = -im[half_ - k];
    const float er = ar + br, ei = ai + bi;
    const float dr = ar - br, di = ai - bi;
    const float wr = cosine_[static_cast<size_t>(k)], wi = -sine_[static_cast<size_t>(k)];
    // i w^-k (dr + i di) = i (wr dr - wi di) - (wr di + wi dr)
    zr[k] = er - (wr * di + wi * dr);
    zi[k] = ei + (wr * dr - wi * di);
  }
  Complex(zr, zi, true);
  for (int32_t n = 0; n < half_; ++n) {
    x[2 * n] = zr[n];
    x[2 * n + 1] = zi[n];
  }
}
