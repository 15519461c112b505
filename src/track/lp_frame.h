// One frame of the formant tracker: the window, the LP coefficients (Burg's
// method or the autocorrelation method) and the candidate formants from the
// roots of the LP polynomial.
#pragma once

#include <vocana/track.h>

#include <array>
#include <span>
#include <vector>

#include "lpc/complex.h"

// A candidate formant: one root of the LP polynomial in the upper half plane.
struct Candidate {
  double f;  // [Hz] frequency
  double b;  // [Hz] bandwidth
};

// make_window: the analysis window.
//   shape  in   Gaussian (edges at exp(-12), lifted to 0) or Hamming
//   w      out  w[0..n-1]
void make_window(vocana::WindowShape shape, std::span<double> w);

// burg_lpc: LP coefficients of a frame by Burg's method.
//   x     in   x[0..n-1], the windowed frame, n > p
//   a     out  a[0..p], a[0] = 1, A(z) = a[0] + a[1] z^-1 + ... + a[p] z^-p
//   p     in   LP order [1..2 * MAX_TRACK_FORMANTS]
//   work  in   scratch of at least 2 n + p + 1 values
// Returns false when the frame has no energy left at some order; a[] then
// holds the coefficients of the orders done, zeros above. Allocates nothing.
bool burg_lpc(std::span<const double> x, std::span<double> a, int p, std::span<double> work);

// autocorrelation_lpc: LP coefficients by the autocorrelation method
//   (autocor, then durb); arguments as burg_lpc (work: at least 2 p + 2).
// Returns false for a frame of zero energy.
bool autocorrelation_lpc(std::span<const double> x, std::span<double> a, int p,
                         std::span<double> work);

// The roots of the previous frame's polynomial, the starting points of the
// root finder in the next frame (overlapping frames have nearby roots).
struct RootSeeds {
  std::array<Cnum, 2 * vocana::MAX_TRACK_FORMANTS + 1> root;  // root[1..p]
  int p = 0;  // 0: none; the next frame starts from 0 as zroots does
};

// lp_candidates: candidate formants from the roots of A(z).
//   a        in      a[0..p] as burg_lpc gives
//   p        in      LP order [1..2 * MAX_TRACK_FORMANTS]
//   fs       in      sampling rate of the frame [Hz]
//   ceiling  in      [Hz]; candidates lie in (50, ceiling - 50), and their
//                    bandwidths are at most 1500 Hz
//   out      out     out[0..count-1] in increasing frequency; room for p / 2
//   seeds    in/out  the previous frame's roots (p 0: none), then this one's
// The roots come from zroots (no polishing) when there are no seeds, else
// from Laguerre's method (laguer) with deflation as zroots does it, each
// root started from a seed: the same roots, to within the convergence of
// Laguerre's method, in a third of the iterations. Roots outside the unit
// circle are reflected into it first. Returns the count. Throws
// vocana::Error(ErrorKind::analysis) when the root finder fails (seeds then
// have p 0). Allocates nothing.
int lp_candidates(std::span<const double> a, int p, double fs, double ceiling,
                  std::span<Candidate> out, RootSeeds& seeds);
