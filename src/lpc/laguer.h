// One root of a complex polynomial by Laguerre's method.
#pragma once

#include <span>

#include "lpc/complex.h"

// laguer: improves x until it is a root of a[0] + a[1] x + ... + a[m] x^m.
//   a           in      a[0..m], a[j] the coefficient of x^j
//   m           in      degree, >= 1
//   x           in/out  starting guess on entry, the root on return
//   iterations  out     number of the iteration in which it returned [1..80]
// Throws vocana::Error (kind analysis) through nrerror("too many iterations in
// laguer") when 80 iterations do not converge. Allocates nothing.
void laguer(std::span<const Cnum> a, int m, Cnum& x, int& iterations);

// laguer_iteration: iteration number iter of laguer() from x.
//   a     in      a[0..m]
//   m     in      degree, >= 1
//   x     in/out  the guess; unchanged when the iteration returns
//   iter  in      iteration number [1..80]
// Returns true when laguer() returns in this iteration, x then being the
// root; otherwise x is the next guess. Never throws; allocates nothing.
bool laguer_iteration(std::span<const Cnum> a, int m, Cnum& x, int iter);

// laguer_settled: for each point, whether laguer(a, m, x, ...) from it returns
// in its first iteration because the value there is already zero to within
// rounding, leaving x as it is. Evaluates two points at a time in vector
// lanes, without the derivatives or a step; a false answer says nothing of
// the later iterations.
//   a        in   a[0..m], a[j] the coefficient of x^j
//   m        in   degree, >= 1
//   points   in   points[0..n-1]
//   settled  out  settled[0..n-1], the answer for each point
// Never throws; allocates nothing.
void laguer_settled(std::span<const Cnum> a, int m, std::span<const Cnum> points,
                    std::span<bool> settled);
