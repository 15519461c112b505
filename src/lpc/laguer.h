// One root of a complex polynomial by Laguerre's method.
#pragma once

#include <span>

#include "lpc/complex.h"

// laguer: improves x until it is a root of a[0] + a[1] x + ... + a[m] x^m.
//   a           in      a[0..m], a[j] the coefficient of x^j
//   m           in      degree, >= 1
//   x           in/out  starting guess on entry, the root on return
//   iterations  out     number of the iteration in which it returned [1..80]
// Does not return when 80 iterations do not converge: nrerror() ends the
// process with status 1. Allocates nothing.
void laguer(std::span<const Cnum> a, int m, Cnum& x, int& iterations);

// Iterations laguer() tries before it gives up.
inline constexpr int LAGUER_MAX_ITERATIONS = 80;

// laguer_iteration: iteration number iter of laguer(), from x.
//   a     in      a[0..m], as for laguer()
//   m     in      degree, >= 1
//   x     in/out  the guess of iteration iter on entry, the next one on return
//                 (unchanged when the result is true)
//   iter  in      iteration number [1..LAGUER_MAX_ITERATIONS]; it sets the
//                 fractional steps and the direction of the fallback step
// Returns true when laguer() returns in this iteration, with x as the root.
// Calling it with iter = 1, 2, ... until it returns true gives laguer()'s x
// and iteration count. Allocates nothing; never fatal.
bool laguer_iteration(std::span<const Cnum> a, int m, Cnum& x, int iter);
