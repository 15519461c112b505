#include "lpc/zroots.h"

#include <array>
#include <cmath>

#include "lpc/laguer.h"
#include "lpc/nrutil.h"

namespace {

// A root whose imaginary part is at most this fraction of its real part is
// taken as real before it is divided out, so that a real polynomial deflates
// to a real quotient.
constexpr double ZROOTS_REAL_RATIO = 4e-6;

}  // namespace

Cnum found_root(Cnum x) {
  if (std::fabs(x.i) <= ZROOTS_REAL_RATIO * std::fabs(x.r)) x.i = 0.0;
  return x;
}

void deflate_roots(std::span<const Cnum> a, int m, std::span<Cnum> roots,
                   std::span<const Cnum> start) {
  // The deflated polynomial; degree m needs m + 1 coefficients.
  std::array<Cnum, ZROOTS_MAX_DEGREE + 1> ad;
  if (m > ZROOTS_MAX_DEGREE) nrerror("degree too large in zroots");

  for (int j = 0; j <= m; ++j) ad[j] = a[j];
  for (int j = m; j >= 1; --j) {
    Cnum x = start.empty() ? Complex(0.0, 0.0) : start[j];
    int iterations = 0;
    laguer(std::span<const Cnum>(ad.data(), j + 1), j, x, iterations);
    x = found_root(x);
    roots[j] = x;
    // Synthetic division by (z - x); the remainder is discarded.
    Cnum b = ad[j];
    for (int jj = j - 1; jj >= 0; --jj) {
      const Cnum c = ad[jj];
      ad[jj] = b;
      b = Cadd(Cmul(x, b), c);
    }
  }
}

void zroots(std::span<const Cnum> a, int m, std::span<Cnum> roots, int polish) {
  deflate_roots(a, m, roots, {});
  finish_roots(a, m, roots, polish);
}

void finish_roots(std::span<const Cnum> a, int m, std::span<Cnum> roots, int polish) {
  if (polish != 0) {
    // Polishing root j is laguer(a, m, roots[j]). Most roots found by the
    // deflation are already zero to within rounding of a, and that call
    // returns at once leaving them as they are; laguer_settled finds those
    // for all roots together, in vector lanes, and only the others are
    // polished, in the same order as ever (so the first failure is the same).
    std::array<bool, ZROOTS_MAX_DEGREE + 1> settled{};
    laguer_settled(a, m, std::span<const Cnum>(roots.data() + 1, m),
                   std::span<bool>(settled.data() + 1, m));
    for (int j = 1; j <= m; ++j) {
      if (settled[j]) continue;
      int iterations = 0;
      laguer(a, m, roots[j], iterations);
    }
  }
  // Straight insertion on the real part alone; stable for equal real parts.
  for (int j = 2; j <= m; ++j) {
    const Cnum x = roots[j];
    int i = j - 1;
    while (i >= 1 && roots[i].r > x.r) {
      roots[i + 1] = roots[i];
      --i;
    }
    roots[i + 1] = x;
  }
}
