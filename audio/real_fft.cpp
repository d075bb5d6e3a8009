#include "audio/real_fft.h"

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
}

// Radix-2, decimation in time, over size / 2 points: the twiddle of a butterfly of span
// `span` at offset j is e^(-+2 pi i j / (2 span)), which is table entry j * (size / 2 / span)
// of the size-point table.
void RealFft::Complex(float* re, float* im, bool inverse) const {
  for (int32_t i = 0; i < half_; ++i) {
    const int32_t r = reversed_[static_cast<size_t>(i)];
    if (r > i) {
      std::swap(re[i], re[r]);
      std::swap(im[i], im[r]);
    }
  }
  const float sign = inverse ? -1.0f : 1.0f;
  for (int32_t span = 1; span < half_; span *= 2) {
    const int32_t stride = size_ / (2 * span);
    for (int32_t start = 0; start < half_; start += 2 * span) {
      for (int32_t j = 0; j < span; ++j) {
        const float wr = cosine_[static_cast<size_t>(j * stride)];
        const float wi = sign * sine_[static_cast<size_t>(j * stride)];
        const int32_t a = start + j, b = a + span;
        const float tr = re[b] * wr - im[b] * wi;
        const float ti = re[b] * wi + im[b] * wr;
        re[b] = re[a] - tr;
        im[b] = im[a] - ti;
        re[a] += tr;
        im[a] += ti;
      }
    }
  }
}

// The real block's even samples as the real part and its odd ones as the imaginary part
// of a half-size transform; its spectrum Z then splits into the real block's spectrum:
// X[k] = (Z[k] + conj Z[h-k]) / 2 - i w^k (Z[k] - conj Z[h-k]) / 2, w = e^(-2 pi i / size).
void RealFft::Forward(const float* x, float* re, float* im, float* scratch) const {
  float* zr = scratch;
  float* zi = scratch + half_;
  for (int32_t n = 0; n < half_; ++n) {
    zr[n] = x[2 * n];
    zi[n] = x[2 * n + 1];
  }
  Complex(zr, zi, false);
  re[0] = zr[0] + zi[0];
  im[0] = 0.0f;
  re[half_] = zr[0] - zi[0];
  im[half_] = 0.0f;
  for (int32_t k = 1; k < half_; ++k) {
    const float ar = zr[k], ai = zi[k];
    const float br = zr[half_ - k], bi = -zi[half_ - k];  // conj Z[h-k]
    const float er = 0.5f * (ar + br), ei = 0.5f * (ai + bi);
    const float dr = 0.5f * (ar - br), di = 0.5f * (ai - bi);
    // -i w (dr + i di) = w (di - i dr)
    const float wr = cosine_[static_cast<size_t>(k)], wi = sine_[static_cast<size_t>(k)];
    re[k] = er + wr * di + wi * dr;
    im[k] = ei + wi * di - wr * dr;
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
