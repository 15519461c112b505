// Complex arithmetic over doubles: one plain record and free functions.
// Division, magnitude and square root use scaled forms that never square the
// larger component; the root finder's results depend on exactly these forms.
// The functions are defined here, inline, because they sit in the innermost
// loops of the root finder.
#pragma once

#include <cmath>

struct Cnum {
  double r;  // real part
  double i;  // imaginary part
};

inline Cnum Cadd(Cnum a, Cnum b) { return Cnum{a.r + b.r, a.i + b.i}; }

inline Cnum Csub(Cnum a, Cnum b) { return Cnum{a.r - b.r, a.i - b.i}; }

inline Cnum Cmul(Cnum a, Cnum b) { return Cnum{a.r * b.r - a.i * b.i, a.i * b.r + a.r * b.i}; }

inline Cnum Complex(double re, double im) { return Cnum{re, im}; }

inline Cnum Conjg(Cnum z) { return Cnum{z.r, -z.i}; }

// Cdiv: a / b, scaled by the larger component of the divisor b.
//   A divisor of 0 + 0i gives non-finite components; nothing is reported.
inline Cnum Cdiv(Cnum a, Cnum b) {
  if (std::fabs(b.r) >= std::fabs(b.i)) {
    const double q = b.i / b.r;
    const double den = b.r + q * b.i;
    return Cnum{(a.r + q * a.i) / den, (a.i - q * a.r) / den};
  }
  const double q = b.r / b.i;
  const double den = b.i + q * b.r;
  return Cnum{(a.r * q + a.i) / den, (a.i * q - a.r) / den};
}

// Cabs: |z| without squaring the larger component.
inline double Cabs(Cnum z) {
  const double x = std::fabs(z.r);
  const double y = std::fabs(z.i);
  if (x == 0.0) return y;
  if (y == 0.0) return x;
  if (x > y) {
    const double t = y / x;
    return x * std::sqrt(1.0 + t * t);
  }
  const double t = x / y;
  return y * std::sqrt(1.0 + t * t);
}

// Csqrt: principal square root; the real part of the result is never negative.
inline Cnum Csqrt(Cnum z) {
  if (z.r == 0.0 && z.i == 0.0) return Cnum{0.0, 0.0};
  const double x = std::fabs(z.r);
  const double y = std::fabs(z.i);
  double w;
  if (x >= y) {
    const double t = y / x;
    const double sx = std::sqrt(x);
    w = sx * std::sqrt(0.5 * (1.0 + std::sqrt(1.0 + t * t)));
  } else {
    const double t = x / y;
    const double sy = std::sqrt(y);
    w = sy * std::sqrt(0.5 * (t + std::sqrt(1.0 + t * t)));
  }
  if (z.r >= 0.0) return Cnum{w, z.i / (2.0 * w)};
  const double im = (z.i >= 0.0) ? w : -w;
  return Cnum{z.i / (2.0 * im), im};
}

inline Cnum RCmul(double x, Cnum a) { return Cnum{x * a.r, x * a.i}; }
