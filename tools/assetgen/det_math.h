// tools/assetgen/det_math.h - the few transcendental functions the generator needs,
// written with +, -, *, / and exact library steps (floor, ldexp, frexp, sqrt) only.
// The C library's sin, exp and log may differ in the last bit between versions and
// machines; these do not, so every byte of the generated sounds is the same
// everywhere. Accuracy: about 1e-14 relative over the ranges the generator uses.
// Threads: pure functions.
#pragma once

namespace assetgen {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

double Sin(double x);                      // radians, any finite value
double Cos(double x);                      // radians, any finite value
double Exp(double x);                      // clamped to 0 below -700 and to exp(700) above 700
double Log(double x);                      // natural logarithm, x > 0; x <= 0 gives -1e300
double Pow(double base, double exponent);  // base > 0
double Tanh(double x);

// Decibels (20 log10) to an amplitude factor and back.
double DbToGain(double db);
double GainToDb(double gain);  // gain > 0

}  // namespace assetgen
