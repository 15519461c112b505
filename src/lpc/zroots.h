// All roots of a complex polynomial: Laguerre's method with deflation.
#pragma once

#include <span>

#include "lpc/complex.h"

// Largest degree the deflation workspace holds.
inline constexpr int ZROOTS_MAX_DEGREE = 99;

// zroots: all roots of a[0] + a[1] x + ... + a[m] x^m.
//   a      in   a[0..m], not modified
//   m      in   degree [0..99]; a larger degree throws through
//               nrerror("degree too large in zroots")
//   roots  out  roots[1..m] in ascending order of real part; roots[0] unused
//   polish in   non-zero: polish every root against the undeflated a
// Throws as laguer() when a root does not converge. Allocates nothing.
void zroots(std::span<const Cnum> a, int m, std::span<Cnum> roots, int polish);

// deflate_roots: the search of zroots before polishing and ordering: root j
//   sought by laguer() in the polynomial deflated to degree j, then divided out.
//   a      in   a[0..m], not modified
//   m      in   degree [0..99] (a larger degree throws as zroots())
//   roots  out  roots[1..m], in the order found; roots[0] unused
//   start  in   start[1..m], root j's starting point; empty: 0 + 0i for every root
// Throws as laguer() when a root does not converge. Allocates nothing.
void deflate_roots(std::span<const Cnum> a, int m, std::span<Cnum> roots,
                   std::span<const Cnum> start);

// finish_roots: the end of zroots after the search: polishing (when asked),
//   then the ordering by real part.
//   a       in      a[0..m], not modified
//   m       in      degree [0..99]
//   roots   in/out  roots[1..m] as deflate_roots() found them; on return as
//                   zroots() gives them
//   polish  in      as for zroots()
// Throws as laguer() when a polishing does not converge. Allocates nothing.
void finish_roots(std::span<const Cnum> a, int m, std::span<Cnum> roots, int polish);

// found_root: a root x of the search as it is kept and divided out: with
//   |x.i| <= 4e-6 |x.r| its imaginary part is set to 0.
Cnum found_root(Cnum x);
