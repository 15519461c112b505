#include "lpc/laguer.h"

#include <array>
#include <cmath>
#include <limits>

#include "lpc/laguer_limits.h"
#include "lpc/nrutil.h"

namespace {

// The rounding bound of the polynomial value at x, computed exactly as the
// iteration's test needs it: err = |b_m|, then err = |b_j| + |x| err for
// j = m - 1 down to 0 over the Horner values b_j (Cabs for every |.|), times
// LAGUER_ROUNDING. Returns whether |b_0| <= that bound.
bool exact_within_rounding(std::span<const Cnum> a, int m, Cnum x) {
  const double abx = Cabs(x);
  Cnum b = a[m];
  double err = Cabs(b);
  for (int j = m - 1; j >= 0; --j) {
    b = Cadd(Cmul(x, b), a[j]);
    err = Cabs(b) + abx * err;
  }
  err *= LAGUER_ROUNDING;
  return Cabs(b) <= err;
}

// max(|z.r|, |z.i|), the cheap bracket's measure of |z| (see bound_step).
double max_part(Cnum z) {
  return std::fabs(z.r) > std::fabs(z.i) ? std::fabs(z.r) : std::fabs(z.i);
}

// One step of the two chains that bracket the exact bound without a division
// or a square root per coefficient. With M(z) = max(|z.r|, |z.i|),
// M_j = M(b_j) and mx = M(x):
//   low_j  = M_j         + mx              low_{j+1}
//   high_j = (1.5 * M_j) + (1.5 * mx)      high_{j+1}
// each operation rounded to double, against the exact chain
//   err_j  = Cabs(b_j)   + Cabs(x)         err_{j+1}.
// Cabs(z) as computed lies in [M(z), fl(1.5 * M(z))]: it is M(z) * s rounded,
// or M(z) itself when a part is 0, with s = sqrt(1 + t * t) computed from
// t = fl(min/max) <= 1, so 1 <= s <= fl(sqrt(2)) = 1.4142135623730951 < 1.5.
// Rounding to nearest is monotonic (u <= v gives fl(u) <= fl(v)), over the
// whole range, subnormals and overflow included. With all terms >= 0 and
// finite, an induction over j therefore gives low_j <= err_j <= high_j
// exactly, rounding included, and the same holds after the final
// multiplication by LAGUER_ROUNDING. Lane 0 is low, lane 1 high; abx holds
// {mx, fl(1.5 * mx)}.
[[gnu::always_inline]] inline Pair bound_step(Cnum b, Pair bounds, Pair abx) {
  const double re = std::fabs(b.r);
  const double im = std::fabs(b.i);
  const double big = re > im ? re : im;
  const Pair scale = {1.0, 1.5};
  return Pair{big, big} * scale + abx * bounds;
}

// Whether the value b = b_0 at x counts as zero: |b| <= err * LAGUER_ROUNDING
// with err the exact chain of exact_within_rounding. The bracket decides when
// |b| lies at or below its low end or above its high end; otherwise the exact
// chain decides, recomputed from a and x with the same operations, so over
// the same b_j. Why the bracket decides as the exact chain would:
//  - a NaN |b| passes neither bracket test and goes to the exact chain;
//  - otherwise no b_j has a NaN part (one would make both parts of b_{j-1},
//    and so of b_0, NaN through Cmul). The bracket is used only when high is
//    finite; an infinite or NaN term (M_j, mx, or 0 * inf) would have made it
//    infinite or NaN for good. So mx and every M_j are finite, hence x, every
//    b_j and their Cabs (a NaN part of x would have made b_0 NaN too), and no
//    NaN enters any chain: low <= err <= high holds,
//    |b| <= low implies |b| <= err and |b| > high implies |b| > err.
// The iteration uses nothing else of err, so x and every later value keep
// their bits.
[[gnu::always_inline]] inline bool root_within_rounding(std::span<const Cnum> a, int m, Cnum x,
                                                        Cnum b, Pair bounds) {
  const double high = bounds[1];
  if (high <= std::numeric_limits<double>::max()) {
    const double low_bound = bounds[0] * LAGUER_ROUNDING;
    const double high_bound = high * LAGUER_ROUNDING;
    // |b| itself is bracketed first, as each |b_j| is: M <= |b| <=
    // fl(1.5 (|b.r| + |b.i|)), the latter NaN when b has a NaN part (and
    // then the answer is false); a false answer is right for a NaN b anyway.
    const double re = std::fabs(b.r);
    const double im = std::fabs(b.i);
    if (1.5 * (re + im) <= low_bound) return true;
    if ((re > im ? re : im) > high_bound) return false;
    const double value = Cabs(b);
    if (value <= low_bound) return true;
    if (value > high_bound) return false;
  }
  return exact_within_rounding(a, m, x);
}

// Which Laguerre denominator the iteration takes, as the moduli abp = Cabs(gp)
// and abm = Cabs(gm) decide: 1 for gm (abp < abm), 0 for gp, -1 when neither
// max(abp, abm) > 0 (both zero, or a NaN): then the fallback step is taken.
// Cabs of a finite z with |z| in [1e-140, 1e140] is |z| (1 + e), |e| <= 4u
// (u = 2^-53: the ratio, its square, the sum with 1, the square root and the
// product each round once; an underflowing ratio or square changes the result
// by far less than u). n = fl(fl(z.r^2) + fl(z.i^2)) is |z|^2 (1 + e'),
// |e'| <= 3u, in the range allowed. So np < fl(nm (1 - 1e-12)) gives
// |gp| < |gm| (1 - 4.9e-13) and abp < abm; np > fl(nm (1 + 1e-12)) gives
// abp > abm; and both nonzero give max(abp, abm) > 0. Otherwise the moduli
// are computed and compared as they are.
int denominator_choice(Cnum gp, Cnum gm) {
  const double np = gp.r * gp.r + gp.i * gp.i;
  const double nm = gm.r * gm.r + gm.i * gm.i;
  if (np >= DENOMINATOR_NORM_MIN && np <= DENOMINATOR_NORM_MAX && nm >= DENOMINATOR_NORM_MIN &&
      nm <= DENOMINATOR_NORM_MAX) {
    if (np < nm * (1.0 - DENOMINATOR_NORM_GAP)) return 1;
    if (np > nm * (1.0 + DENOMINATOR_NORM_GAP)) return 0;
  }
  const double abp = Cabs(gp);
  const double abm = Cabs(gm);
  const double ab_max = (abp > abm) ? abp : abm;
  if (!(ab_max > 0.0)) return -1;
  return abp < abm ? 1 : 0;
}

}  // namespace

bool laguer_iteration(std::span<const Cnum> a, int m, Cnum& x, int iter) {
  // Value b, first derivative d and half the second derivative f at x by
  // Horner's scheme. The rounding bound err = |b| + |x| err of the value is
  // only bracketed here (see bound_step); root_within_rounding decides.
  Cnum b = a[m];
  Cnum d = Complex(0.0, 0.0);
  Cnum f = Complex(0.0, 0.0);
  // |x| bracketed as each |b_j| is: Cabs(x) lies in [mx, fl(1.5 mx)].
  const double mx = max_part(x);
  const Pair abx_pair = {mx, 1.5 * mx};
  Pair bounds = bound_step(b, Pair{0.0, 0.0}, abx_pair);
  for (int j = m - 1; j >= 0; --j) {
    f = Cadd(Cmul(x, f), d);
    d = Cadd(Cmul(x, d), b);
    b = Cadd(Cmul(x, b), a[j]);
    bounds = bound_step(b, bounds, abx_pair);
  }
  if (root_within_rounding(a, m, x, b, bounds)) return true;  // a root to within rounding

  const Cnum g = Cdiv(d, b);
  const Cnum g2 = Cmul(g, g);
  const Cnum h = Csub(g2, RCmul(2.0, Cdiv(f, b)));
  const Cnum sq =
      Csqrt(RCmul(static_cast<double>(m - 1), Csub(RCmul(static_cast<double>(m), h), g2)));
  const Cnum gp = Cadd(g, sq);
  const Cnum gm = Csub(g, sq);
  // The denominator of larger magnitude; when both are zero (or not
  // numbers), a step of length 1 + |x| in a direction that turns with the
  // iteration number. The length is formed as exp(log(1 + |x|)) on purpose:
  // the roots found depend on its exact bits.
  const int choice = denominator_choice(gp, gm);
  const Cnum dx = (choice >= 0) ? Cdiv(Complex(static_cast<double>(m), 0.0), choice ? gm : gp)
                                : RCmul(std::exp(std::log(1.0 + Cabs(x))),
                                        Complex(std::cos(static_cast<double>(iter)),
                                                std::sin(static_cast<double>(iter))));
  const Cnum x1 = Csub(x, dx);
  if (x.r == x1.r && x.i == x1.i) return true;  // converged: x no longer moves
  if (iter % LAGUER_STEP_PERIOD != 0) {
    x = x1;
  } else {
    x = Csub(x, RCmul(LAGUER_FRAC[iter / LAGUER_STEP_PERIOD], dx));
  }
  return false;
}

void laguer_settled(std::span<const Cnum> a, int m, std::span<const Cnum> points,
                    std::span<bool> settled) {
  // Two points side by side, one per lane: lane k runs exactly the scalar
  // operations of the first iteration's value chain and bound bracket at its
  // point (b = Cadd(Cmul(x, b), a_j) part by part, then bound_step), which do
  // not depend on the derivatives' chains, and the test on the result is the
  // iteration's own. So each answer is what that iteration decides, bit for
  // bit. With an odd count the last pair repeats its point.
  typedef long long Bits __attribute__((vector_size(16)));
  const Bits magnitude = {0x7fffffffffffffffLL, 0x7fffffffffffffffLL};
  const int count = static_cast<int>(points.size());
  for (int k = 0; k < count; k += 2) {
    const Cnum x0 = points[k];
    const Cnum x1 = points[k + 1 < count ? k + 1 : k];
    const Pair xr = {x0.r, x1.r};
    const Pair xi = {x0.i, x1.i};
    const Pair mx = {max_part(x0), max_part(x1)};
    const Pair mx_high = Pair{1.5, 1.5} * mx;
    Pair br = {a[m].r, a[m].r};
    Pair bi = {a[m].i, a[m].i};
    Pair low = {0.0, 0.0};
    Pair high = {0.0, 0.0};
    for (int j = m;; --j) {
      const Pair re = reinterpret_cast<Pair>(reinterpret_cast<Bits>(br) & magnitude);
      const Pair im = reinterpret_cast<Pair>(reinterpret_cast<Bits>(bi) & magnitude);
      const Pair big = re > im ? re : im;
      low = big * Pair{1.0, 1.0} + mx * low;
      high = big * Pair{1.5, 1.5} + mx_high * high;
      if (j == 0) break;
      const Cnum c = a[j - 1];
      const Pair next_r = (xr * br - xi * bi) + Pair{c.r, c.r};
      const Pair next_i = (xi * br + xr * bi) + Pair{c.i, c.i};
      br = next_r;
      bi = next_i;
    }
    settled[k] = root_within_rounding(a, m, x0, Cnum{br[0], bi[0]}, Pair{low[0], high[0]});
    if (k + 1 < count) {
      settled[k + 1] = root_within_rounding(a, m, x1, Cnum{br[1], bi[1]}, Pair{low[1], high[1]});
    }
  }
}

void laguer(std::span<const Cnum> a, int m, Cnum& x, int& iterations) {
  for (int iter = 1; iter <= LAGUER_MAX_ITERATIONS; ++iter) {
    iterations = iter;
    if (laguer_iteration(a, m, x, iter)) return;
  }
  nrerror("too many iterations in laguer");
}
