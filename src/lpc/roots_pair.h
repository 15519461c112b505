// The roots of two polynomials of one degree at once, in the two lanes of
// 16-byte vectors, with the results zroots gives each of them.
#pragma once

#include <span>

#include "lpc/complex.h"

// zroots_pair: zroots(a0, m, roots0, polish) and zroots(a1, m, roots1, polish)
//   together. The two deflation searches run in lock-step, root by root: one
//   Laguerre iteration serves both polynomials, so that the processor works
//   on one while the other's chain of divisions and square roots waits. Each
//   lane computes exactly the scalar iteration's operations; an iteration
//   that takes one of the scalar form's rare paths is made by the scalar form
//   for that lane.
//   a0, a1          in   a[0..m] each, not modified
//   m               in   degree [0..99]
//   roots0, roots1  out  roots[1..m] each, as zroots() gives them
//   polish          in   as for zroots()
// Returns true with both roots as zroots() gives them. Returns false, or
// throws as zroots() does, when either search or polishing does not converge
// (or for m > 99): the roots are then unspecified, and calling zroots() on
// each polynomial in turn gives the failure of the one that fails first.
// Allocates nothing.
bool zroots_pair(std::span<const Cnum> a0, std::span<const Cnum> a1, int m, std::span<Cnum> roots0,
                 std::span<Cnum> roots1, int polish);
