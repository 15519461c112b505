// Autocorrelation and the Durbin (Levinson) recursion.
#pragma once

#include <span>

// autocor: unnormalised autocorrelation of a frame.
//   x  in   x[0..n-1], the windowed frame
//   r  out  r[0..p]; r[i] = sum over j of x[j] x[j+i], accumulated in
//           increasing j; a lag i >= n gives 0
//   n  in   frame length [points]
//   p  in   highest lag (the LP order)
void autocor(std::span<const double> x, std::span<double> r, int n, int p);

// durb: Durbin recursion, autocorrelation -> LP coefficients.
//   r  in   r[0..p], from autocor()
//   k  out  k[0..p-1]; k[i-1] is the reflection coefficient of order i
//   a  out  a[0..p], a[0] = 1, A(z) = a[0] + a[1] z^-1 + ... + a[p] z^-p
//   p  in   LP order [1..MAX_LPC_ORDER]
// Returns the residual energy E (units of r[0]) of the last order computed.
// The recursion stops after an order whose E is not > 0 (from order 2 on);
// k[i..p-1] and a[i+1..p] then keep what the caller's arrays held.
// Allocates nothing.
double durb(std::span<const double> r, std::span<double> k, std::span<double> a, int p);
