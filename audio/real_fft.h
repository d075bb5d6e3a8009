// audio/real_fft.h - the discrete Fourier transform of real blocks of a power-of-two size,
// for the binaural renderer's block convolution.
// Threads: a RealFft is immutable after construction; Forward and Inverse touch only their
// arguments and a scratch buffer the caller owns, so one transform serves any thread.
#pragma once

#include <cstdint>
#include <vector>

// Spectra are split into real and imaginary arrays of size() / 2 + 1 bins each.
struct Spectrum {
  std::vector<float> re;
  std::vector<float> im;
};

class RealFft {
 public:
  // `size` a power of two, at least 4. Allocates its tables.
  explicit RealFft(int32_t size);
  int32_t size() const { return size_; }
  int32_t bins() const { return size_ / 2 + 1; }

  // `re`/`im` receive bins() values: X[k] = sum of x[n] e^(-2 pi i k n / size).
  // `scratch` holds 2 x size floats and is overwritten.
  void Forward(const float* x, float* re, float* im, float* scratch) const;

  // The real block whose Forward gives `re`/`im` (bins() values each), times size():
  // the caller folds 1 / size into whatever it multiplies anyway.
  void Inverse(const float* re, const float* im, float* x, float* scratch) const;

 private:
  void Complex(float* re, float* im, bool inverse) const;  // in place, size / 2 points

  int32_t size_;
  int32_t half_;
  std::vector<int32_t> reversed_;  // bit-reversed index of every point of the half transform
  std::vector<float> cosine_;      // e^(-2 pi i k / size), k < size / 2
  std::vector<float> sine_;
};
