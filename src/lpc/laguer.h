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
