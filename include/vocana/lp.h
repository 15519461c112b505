// The steps of linear prediction one by one, on caller-owned arrays: the
// Hamming window, autocorrelation, the Durbin recursion, the roots of a
// polynomial and formants from LP coefficients. The frame analysis of
// analysis.h runs exactly these computations.
#pragma once

#include <vocana/export.h>
#include <vocana/types.h>

#include <complex>
#include <span>
#include <string>

namespace vocana {

// hamming_window: the periodic Hamming window
//   window[i] = 0.54 - 0.46 cos(i * (6.28318530717958 / n)), i = 0..n-1.
//   n       in   frame length [points], >= 1
//   window  out  window[0..n-1]; nothing is written when it holds fewer than n values
VOCANA_API void hamming_window(int n, std::span<double> window);

// windowed_frame: samples[first .. first + n - 1] times the window.
//   samples  in   the whole sound
//   last     in   last index (inclusive) the frame may use
//   first    in   index of the frame's first sample
//   n        in   frame length [points]
//   window   in   window[0..n-1] from hamming_window(n, window)
//   frame    out  frame[0..n-1], written only when n is returned
// Returns n; -1 when first < 0; 0 when the frame does not fit (first + n - 1 > last, or
// it would leave samples, window or frame).
VOCANA_API int windowed_frame(std::span<const Sample> samples, int last, int first, int n,
                              std::span<const double> window, std::span<double> frame);

// autocorrelation: unnormalised autocorrelation r[i] = sum_j x[j] x[j+i].
//   x  in   x[0..n-1], the windowed frame
//   r  out  r[0..p]; a lag i >= n gives 0
//   n  in   frame length [points]
//   p  in   highest lag (the LP order), >= 0
VOCANA_API void autocorrelation(std::span<const double> x, std::span<double> r, int n, int p);

// durbin: Durbin recursion, autocorrelation -> LP coefficients.
//   r  in   r[0..p], with r[0] > 0 (r[0] = 0, digital silence, gives non-numbers)
//   k  out  k[0..p-1]; k[i-1] is the reflection coefficient of order i
//   a  out  a[0..p], a[0] = 1, A(z) = a[0] + a[1] z^-1 + ... + a[p] z^-p
//   p  in   LP order [1..MAX_LPC_ORDER]
// Returns the residual energy E (units of r[0]) of the last order computed. The
// recursion stops after an order whose E is not > 0 (from order 2 on); k[i..p-1] and
// a[i+1..p] then keep what the caller's arrays held.
VOCANA_API double durbin(std::span<const double> r, std::span<double> k, std::span<double> a,
                         int p);

// polynomial_roots: all roots of c[0] + c[1] z + ... + c[m] z^m by Laguerre's method with
//   deflation and polishing against the undeflated polynomial.
//   c      in   c[0..m], c[m] != 0, m in [1..99]
//   roots  out  roots[0..m-1], in ascending order of real part
// Throws Error (kind analysis) with the lines "Numerical Recipes run-time error...\n",
// "too many iterations in laguer\n", "...now exiting to system...\n" when a root does not
// converge in 80 iterations, and the same lines with "degree too large in zroots" for
// m > 99.
VOCANA_API void polynomial_roots(std::span<const std::complex<double>> c,
                                 std::span<std::complex<double>> roots);

// formants: the poles of 1/A(z) in the upper half-plane as formants.
//   a         in      a[0..p], LP coefficients, a[0] = 1
//   p         in      LP order [1..MAX_LPC_ORDER]
//   freq      out     freq[1..count] [Hz] ascending; freq[0] and every slot from count + 1
//                     to (p + 1) / 2 hold -1.0; needs (p + 1) / 2 + 1 values
//   bw        out     bw[1..count] [Hz], the bandwidth of freq[f]; -1.0 as in freq
//   fs        in      sampling frequency [Hz]
//   messages  in/out  lines appended when a pole lies on the imaginary axis
// Returns the count [0..(p+1)/2], or -1 when a root has |real part| < 1e-9 (after
// appending "real part of pole is almost zero.\n" and "<j> z.r: %e z.i: %e\n"). Throws as
// polynomial_roots(); p above MAX_LPC_ORDER throws Error (kind settings).
VOCANA_API int formants(std::span<const double> a, int p, std::span<double> freq,
                        std::span<double> bw, int fs, std::string& messages);

}  // namespace vocana
