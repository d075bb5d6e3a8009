#include "tools/assetgen/det_math.h"

#include <cmath>

namespace assetgen {
namespace {

constexpr double kHalfPi = kPi / 2.0;
constexpr double kLn2 = 0.69314718055994530942;
constexpr double kLn10 = 2.30258509299404568402;
// 2 pi split into a part with trailing zero bits and the rest (Cody and Waite), so that
// k * kTwoPiHigh is exact for the k the generator meets.
constexpr double kTwoPiHigh = 6.28318530717958623200;
constexpr double kTwoPiLow = 2.44929359829470635445e-16;

// Taylor series of sin on [-pi/2, pi/2]; the x^19 term is below 1e-13.
double SinPolynomial(double r) {
  double r2 = r * r;
  double term = r;
  double sum = r;
  for (int n = 1; n <= 9; ++n) {
    term *= -r2 / static_cast<double>((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

}  // namespace

double Sin(double x) {
  double k = std::floor(x / kTwoPi + 0.5);
  double r = (x - k * kTwoPiHigh) - k * kTwoPiLow;  // -pi .. pi
  if (r > kHalfPi) r = kPi - r;
  if (r < -kHalfPi) r = -kPi - r;
  return SinPolynomial(r);
}

double Cos(double x) {
  return Sin(x + kHalfPi);
}

double Exp(double x) {
  if (x < -700.0) return 0.0;
  if (x > 700.0) x = 700.0;
  double k = std::floor(x / kLn2 + 0.5);
  double r = x - k * kLn2;  // |r| <= 0.35
  double term = 1.0;
  double sum = 1.0;
  for (int n = 1; n <= 14; ++n) {
    term *= r / static_cast<double>(n);
    sum += term;
  }
  return std::ldexp(sum, static_cast<int>(k));
}

double Log(double x) {
  if (!(x > 0.0)) return -1e300;
  int exponent = 0;
  double m = std::frexp(x, &exponent);  // 0.5 <= m < 1, exact
  if (m < 0.70710678118654752440) {
    m *= 2.0;
    exponent -= 1;
  }
  // log m = 2 atanh(s) with |s| <= 0.172.
  double s = (m - 1.0) / (m + 1.0);
  double s2 = s * s;
  double power = s;
  double sum = 0.0;
  for (int n = 1; n <= 23; n += 2) {
    sum += power / static_cast<double>(n);
    power *= s2;
  }
  return 2.0 * sum + static_cast<double>(exponent) * kLn2;
}

double Pow(double base, double exponent) {
  return Exp(exponent * Log(base));
}

double Tanh(double x) {
  if (x > 20.0) return 1.0;
  if (x < -20.0) return -1.0;
  double e = Exp(2.0 * x);
  return (e - 1.0) / (e + 1.0);
}

double DbToGain(double db) {
  return Exp(db * kLn10 / 20.0);
}

double GainToDb(double gain) {
  return 20.0 * Log(gain) / kLn10;
}

}  // namespace assetgen
