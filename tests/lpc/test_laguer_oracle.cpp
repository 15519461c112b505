// laguer decides "the value is zero to within rounding" from a cheap bracket
// of its rounding bound; the root and the iteration count must be those of
// the direct formula (a division and a square root per coefficient) bit for
// bit. The oracle below is that direct formula, kept here for the test only.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "lpc/complex.h"
#include "lpc/laguer.h"
#include "lpc/lpc_func.h"
#include "lpc/roots_pair.h"
#include "lpc/zroots.h"

namespace {

struct OracleResult {
  Cnum x;
  int iterations;
  bool converged;
  int close_calls;  // tests with |b| within a factor 1.5 of the bound
  bool settled;     // returned in the first iteration with |b| within the bound
};

// laguer with the rounding bound computed directly at every coefficient;
// returns instead of ending the process when it does not converge.
OracleResult oracle_laguer(const std::vector<Cnum>& a, int m, Cnum x) {
  static constexpr std::array<double, 9> frac = {0.0, 0.5, 0.25, 0.75, 0.13, 0.38, 0.62, 0.88, 1.0};
  OracleResult out{x, 0, false, 0, false};
  for (int iter = 1; iter <= 80; ++iter) {
    out.iterations = iter;
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
    err *= 1e-9;
    if (Cabs(b) <= 1.5 * err && 1.5 * Cabs(b) > err) ++out.close_calls;
    if (Cabs(b) <= err) {
      out.settled = iter == 1;
      break;
    }
    const Cnum g = Cdiv(d, b);
    const Cnum g2 = Cmul(g, g);
    const Cnum h = Csub(g2, RCmul(2.0, Cdiv(f, b)));
    const Cnum sq = Csqrt(RCmul(m - 1.0, Csub(RCmul(static_cast<double>(m), h), g2)));
    Cnum gp = Cadd(g, sq);
    const Cnum gm = Csub(g, sq);
    const double abp = Cabs(gp);
    const double abm = Cabs(gm);
    if (abp < abm) gp = gm;
    const Cnum dx =
        ((abp > abm ? abp : abm) > 0.0)
            ? Cdiv(Complex(m, 0.0), gp)
            : RCmul(std::exp(std::log(1.0 + abx)), Complex(std::cos(iter), std::sin(iter)));
    const Cnum x1 = Csub(x, dx);
    if (x.r == x1.r && x.i == x1.i) break;
    x = (iter % 10 != 0) ? x1 : Csub(x, RCmul(frac[iter / 10], dx));
    if (iter == 80) return out;
  }
  out.x = x;
  out.converged = true;
  return out;
}

std::uint64_t bits(double v) {
  std::uint64_t u;
  std::memcpy(&u, &v, sizeof u);
  return u;
}

// Runs both from x and compares them, and settled (laguer_settled's answer
// at x) with the oracle's first iteration; returns the oracle's close calls.
int compare_from(const std::vector<Cnum>& a, Cnum x, bool settled) {
  const int m = static_cast<int>(a.size()) - 1;
  const OracleResult want = oracle_laguer(a, m, x);
  EXPECT_EQ(settled, want.settled) << "from " << x.r << " " << x.i;
  if (!want.converged) return 0;  // the fatal path is tested elsewhere
  Cnum got = x;
  int iterations = 0;
  laguer(a, m, got, iterations);
  EXPECT_EQ(bits(got.r), bits(want.x.r)) << "from " << x.r << " " << x.i;
  EXPECT_EQ(bits(got.i), bits(want.x.i)) << "from " << x.r << " " << x.i;
  EXPECT_EQ(iterations, want.iterations) << "from " << x.r << " " << x.i;
  return want.close_calls;
}

// The roots by deflation with the oracle, as the root search finds them;
// empty when one does not converge.
std::vector<Cnum> oracle_roots(std::vector<Cnum> a) {
  std::vector<Cnum> roots;
  for (int j = static_cast<int>(a.size()) - 1; j >= 1; --j) {
    const OracleResult found = oracle_laguer(a, j, Complex(0.0, 0.0));
    if (!found.converged) return {};
    roots.push_back(found.x);
    Cnum b = a[j];
    for (int jj = j - 1; jj >= 0; --jj) {
      const Cnum c = a[jj];
      a[jj] = b;
      b = Cadd(Cmul(found.x, b), c);
    }
    a.pop_back();
  }
  return roots;
}

// From the origin (as the root search starts), from every root (as polishing
// starts) and from each root moved by relative steps of 1e-4 down to 1e-16,
// which sweeps the value through the rounding bound. laguer_settled, which
// takes the points two at a time, answers for all of them at once as the
// oracle's first iteration does.
int compare_all_starts(const std::vector<Cnum>& a, std::mt19937& rng) {
  std::uniform_real_distribution<double> angle(0.0, 6.283185307179586);
  std::vector<Cnum> starts = {Complex(0.0, 0.0)};
  for (const Cnum root : oracle_roots(a)) {
    starts.push_back(root);
    for (double step = 1e-4; step > 1e-17; step *= 0.1) {
      const double t = angle(rng);
      const double s = step * (1.0 + Cabs(root));
      starts.push_back(Cadd(root, Complex(s * std::cos(t), s * std::sin(t))));
    }
  }
  const int m = static_cast<int>(a.size()) - 1;
  std::unique_ptr<bool[]> settled(new bool[starts.size()]);
  laguer_settled(a, m, starts, std::span<bool>(settled.get(), starts.size()));
  int close = 0;
  for (std::size_t k = 0; k < starts.size(); ++k) close += compare_from(a, starts[k], settled[k]);
  return close;
}

TEST(LaguerOracle, RandomPolynomialsOfDegreeTwoToTwenty) {
  std::mt19937 rng(7u);
  std::uniform_real_distribution<double> coef(-1.0, 1.0);
  std::uniform_real_distribution<double> exponent(-3.0, 3.0);
  int close = 0;
  for (int trial = 0; trial < 190; ++trial) {
    const int m = 2 + trial % 19;
    const bool complex_coefs = trial % 2 == 1;
    std::vector<Cnum> a(m + 1);
    for (Cnum& c : a) {
      const double scale = std::pow(10.0, exponent(rng));
      c = Complex(scale * coef(rng), complex_coefs ? scale * coef(rng) : 0.0);
    }
    SCOPED_TRACE(testing::Message() << "trial " << trial << " degree " << m);
    close += compare_all_starts(a, rng);
  }
  EXPECT_GT(close, 100);  // the close calls, where the bracket cannot decide, were met
}

// z^p A(z) of a Hamming-windowed frame of resonances at random frequencies
// with random damping, repeated at a random period, and some noise.
std::vector<Cnum> lp_polynomial(std::mt19937& rng, int p) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::normal_distribution<double> noise(0.0, 1.0);
  constexpr int n = 256;
  std::vector<double> x(n, 0.0);
  for (int k = 0; k < 4; ++k) {
    const double w = 3.14159265358979 * (0.02 + 0.9 * unit(rng));
    const double rho = 0.9 + 0.099 * unit(rng);
    const int period = 40 + static_cast<int>(100 * unit(rng));
    for (int t = 0; t < n; ++t) x[t] += std::pow(rho, t % period) * std::cos(w * t);
  }
  for (int t = 0; t < n; ++t) {
    x[t] = (1000.0 * x[t] + noise(rng)) * (0.54 - 0.46 * std::cos(6.28318530717958 * t / n));
  }
  std::vector<double> r(p + 1), k(p), lp(p + 1);
  autocor(x, r, n, p);
  durb(r, k, lp, p);
  std::vector<Cnum> a(p + 1);
  for (int i = 0; i <= p; ++i) a[i] = Complex(lp[p - i], 0.0);
  return a;
}

TEST(LaguerOracle, LpPolynomialsOfSpeechLikeFrames) {
  std::mt19937 rng(11u);
  int close = 0;
  for (int trial = 0; trial < 120; ++trial) {
    const int p = 8 + trial % 13;
    SCOPED_TRACE(testing::Message() << "trial " << trial << " order " << p);
    close += compare_all_starts(lp_polynomial(rng, p), rng);
  }
  EXPECT_GT(close, 100);
}

// zroots_pair against zroots on each polynomial, bit for bit: pairs of LP
// polynomials of speech-like frames, and of random complex polynomials
// (whose searches take the scalar form's rare paths more often). When the
// pair reports a failure, one of the two must fail alone.
TEST(LaguerOracle, PairSearchGivesTheRootsOfEach) {
  std::mt19937 rng(13u);
  std::uniform_real_distribution<double> coef(-1.0, 1.0);
  int pairs = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const int m = trial < 200 ? 8 + trial % 13 : 2 + trial % 19;
    std::vector<Cnum> a[2];
    for (std::vector<Cnum>& poly : a) {
      if (trial < 200) {
        poly = lp_polynomial(rng, m);
      } else {
        poly.resize(m + 1);
        for (Cnum& c : poly) c = Complex(coef(rng), coef(rng));
      }
    }
    SCOPED_TRACE(testing::Message() << "trial " << trial << " degree " << m);
    std::vector<Cnum> want[2] = {std::vector<Cnum>(m + 1), std::vector<Cnum>(m + 1)};
    bool failed = false;
    for (int k = 0; k < 2; ++k) {
      try {
        zroots(a[k], m, want[k], 1);
      } catch (const std::exception&) {
        failed = true;
      }
    }
    std::vector<Cnum> got[2] = {std::vector<Cnum>(m + 1), std::vector<Cnum>(m + 1)};
    bool paired = false;
    try {
      paired = zroots_pair(a[0], a[1], m, got[0], got[1], 1);
    } catch (const std::exception&) {
    }
    if (failed) {
      EXPECT_FALSE(paired);
      continue;
    }
    ASSERT_TRUE(paired);
    ++pairs;
    for (int k = 0; k < 2; ++k) {
      for (int j = 1; j <= m; ++j) {
        EXPECT_EQ(bits(got[k][j].r), bits(want[k][j].r)) << "lane " << k << " root " << j;
        EXPECT_EQ(bits(got[k][j].i), bits(want[k][j].i)) << "lane " << k << " root " << j;
      }
    }
  }
  EXPECT_GT(pairs, 390);
}

}  // namespace
