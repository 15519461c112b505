#include "lpc/laguer.h"

#include <array>
#include <cmath>

#include "lpc/nrutil.h"

namespace {

// Every LAGUER_STEP_PERIOD-th iteration moves only a fraction of the Laguerre
// step, which breaks limit cycles; LAGUER_FRACTIONS sets how many such
// fractions there are, and so the iteration limit.
constexpr int LAGUER_FRACTIONS = 8;
constexpr int LAGUER_STEP_PERIOD = 10;
constexpr int LAGUER_MAX_ITERATIONS = LAGUER_FRACTIONS * LAGUER_STEP_PERIOD;

// Relative size of the rounding error of the polynomial value below which the
// value counts as zero.
constexpr double LAGUER_ROUNDING = 1e-9;

// Step fraction of iteration k * LAGUER_STEP_PERIOD, at index k (1..8).
constexpr std::array<double, LAGUER_FRACTIONS + 1> LAGUER_FRAC = {0.0,  0.5,  0.25, 0.75, 0.13,
                                                                  0.38, 0.62, 0.88, 1.0};

}  // namespace

void laguer(std::span<const Cnum> a, int m, Cnum& x, int& iterations) {
  for (int iter = 1; iter <= LAGUER_MAX_ITERATIONS; ++iter) {
    iterations = iter;
    // Value b, first derivative d and half the second derivative f at x by
    // Horner's scheme, with a running bound err on the rounding error of b.
    Cnum b = a[m];
    double err = Cabs(b);
    Cnum d = Complex(0.0, 0.0);
    Cnum f = Complex(0.0, 0.0);
    const double abx = Cabs(x);
    for (int j = m - 1; j >= 0; --j) {
      f = Cadd(Cmul(x, f), d);
      d = Cadd(Cmul(x, d), b);
      b = Cadd(Cmul(x, b), a[j]);
      err = Cabs(b) + abx * err;
    }
    err *= LAGUER_ROUNDING;
    if (Cabs(b) <= err) return;  // x is a root to within rounding

    const Cnum g = Cdiv(d, b);
    const Cnum g2 = Cmul(g, g);
    const Cnum h = Csub(g2, RCmul(2.0, Cdiv(f, b)));
    const Cnum sq =
        Csqrt(RCmul(static_cast<double>(m - 1), Csub(RCmul(static_cast<double>(m), h), g2)));
    Cnum gp = Cadd(g, sq);
    const Cnum gm = Csub(g, sq);
    const double abp = Cabs(gp);
    const double abm = Cabs(gm);
    if (abp < abm) gp = gm;  // the denominator of larger magnitude

    // Both denominators zero (or not numbers): a step of length 1 + |x| in a
    // direction that turns with the iteration number. The length is formed as
    // exp(log(1 + |x|)) on purpose: the roots found depend on its exact bits.
    const double ab_max = (abp > abm) ? abp : abm;
    const Cnum dx = (ab_max > 0.0) ? Cdiv(Complex(static_cast<double>(m), 0.0), gp)
                                   : RCmul(std::exp(std::log(1.0 + abx)),
                                           Complex(std::cos(static_cast<double>(iter)),
                                                   std::sin(static_cast<double>(iter))));
    const Cnum x1 = Csub(x, dx);
    if (x.r == x1.r && x.i == x1.i) return;  // converged: x no longer moves
    if (iter % LAGUER_STEP_PERIOD != 0) {
      x = x1;
    } else {
      x = Csub(x, RCmul(LAGUER_FRAC[iter / LAGUER_STEP_PERIOD], dx));
    }
  }
  nrerror("too many iterations in laguer");
}
