// Laguerre root finder: exact small cases, random polynomials checked by
// evaluation at each root and by rebuilding the polynomial from its roots,
// and the fatal exits.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "lpc/complex.h"
#include "lpc/laguer.h"
#include "lpc/nrutil.h"
#include "lpc/zroots.h"
#include "support/library_error.h"

namespace {

// Relative size of the polynomial value at a polished root. Laguerre stops
// once the value is below 1e-9 of its running bound on the Horner sums, a
// bound some times larger than sum |a_k| |x|^k; so 1e-8 of the latter.
constexpr double ROOT_TOL = 1e-8;

constexpr const char* LAGUER_FATAL =
    "^Numerical Recipes run-time error\\.\\.\\.\n"
    "too many iterations in laguer\n"
    "\\.\\.\\.now exiting to system\\.\\.\\.\n$";

std::vector<Cnum> real_poly(std::initializer_list<double> coefs) {
  std::vector<Cnum> a;
  for (const double c : coefs) a.push_back(Complex(c, 0.0));
  return a;
}

// All roots, as zroots returns them in roots[1..m], with roots[0] marked.
std::vector<Cnum> all_roots(const std::vector<Cnum>& a, int polish = 1) {
  const int m = static_cast<int>(a.size()) - 1;
  std::vector<Cnum> roots(m + 1, Complex(-99.0, -99.0));
  zroots(a, m, roots, polish);
  EXPECT_EQ(roots[0].r, -99.0);
  EXPECT_EQ(roots[0].i, -99.0);
  return roots;
}

TEST(Laguer, DegreeOneLandsInOneStep) {
  const auto a = real_poly({3.0, 2.0});  // 2x + 3
  Cnum x = Complex(0.0, 0.0);
  int iterations = 0;
  laguer(a, 1, x, iterations);
  EXPECT_EQ(x.r, -1.5);
  EXPECT_EQ(x.i, 0.0);
  EXPECT_EQ(iterations, 2);  // lands in the first, returns in the second
}

TEST(Laguer, StartingOnARootReturnsInTheFirstIteration) {
  const auto a = real_poly({-6.0, 11.0, -6.0, 1.0});
  Cnum x = Complex(2.0, 0.0);
  int iterations = 0;
  laguer(a, 3, x, iterations);
  EXPECT_EQ(x.r, 2.0);
  EXPECT_EQ(x.i, 0.0);
  EXPECT_EQ(iterations, 1);
}

TEST(Laguer, VanishingDenominatorsTakeTheFallbackStep) {
  // x^3 + 1 at 0: the first and second derivatives vanish, so both Laguerre
  // denominators are 0; the step of length 1 + |x| at angle 1 rad is taken.
  const auto a = real_poly({1.0, 0.0, 0.0, 1.0});
  Cnum x = Complex(0.0, 0.0);
  int iterations = 0;
  laguer(a, 3, x, iterations);
  EXPECT_GT(iterations, 1);
  const Cnum x3 = Cmul(x, Cmul(x, x));
  EXPECT_NEAR(x3.r, -1.0, 1e-12);
  EXPECT_NEAR(x3.i, 0.0, 1e-12);
}

TEST(Zroots, DegreeZeroWritesNothing) {
  const auto roots = all_roots(real_poly({5.0}));
  EXPECT_EQ(roots.size(), 1u);
}

TEST(Zroots, SmallExactCases) {
  struct Case {
    const char* name;
    std::vector<Cnum> a;
    std::vector<Cnum> roots;  // roots[1..m]
  };
  const Case cases[] = {
      {"2x + 3", real_poly({3.0, 2.0}), {{0, 0}, {-1.5, 0.0}}},
      // +i is found first, stored at roots[2]; equal real parts keep that order.
      {"x^2 + 1", real_poly({1.0, 0.0, 1.0}), {{0, 0}, {0.0, -1.0}, {0.0, 1.0}}},
      {"(x-1)(x-2)(x-3)",
       real_poly({-6.0, 11.0, -6.0, 1.0}),
       {{0, 0}, {1.0, 0.0}, {2.0, 0.0}, {3.0, 0.0}}},
      {"x^3", real_poly({0.0, 0.0, 0.0, 1.0}), {{0, 0}, {0.0, 0.0}, {0.0, 0.0}, {0.0, 0.0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto roots = all_roots(c.a);
    for (std::size_t j = 1; j < roots.size(); ++j) {
      SCOPED_TRACE(j);
      EXPECT_NEAR(roots[j].r, c.roots[j].r, 1e-15);
      EXPECT_EQ(roots[j].i, c.roots[j].i);  // exactly
    }
  }
}

TEST(Zroots, LeavesTheCallersCoefficientsAlone) {
  const auto a = real_poly({-6.0, 11.0, -6.0, 1.0});
  const auto copy = a;
  all_roots(a);
  for (std::size_t j = 0; j < a.size(); ++j) {
    EXPECT_EQ(a[j].r, copy[j].r);
    EXPECT_EQ(a[j].i, copy[j].i);
  }
}

TEST(Zroots, SortsByRealPartOnly) {
  // (x + 1)(x^2 + 4x + 29): roots -1 and -2 +- 5i.
  const auto roots = all_roots(real_poly({29.0, 33.0, 5.0, 1.0}));
  EXPECT_NEAR(roots[1].r, -2.0, 1e-14);
  EXPECT_NEAR(roots[2].r, -2.0, 1e-14);
  EXPECT_NEAR(std::fabs(roots[1].i), 5.0, 1e-14);
  EXPECT_NEAR(roots[2].i, -roots[1].i, 1e-14);
  EXPECT_NEAR(roots[3].r, -1.0, 1e-14);
  EXPECT_EQ(roots[3].i, 0.0);
}

TEST(Zroots, ImaginaryPartsBelowTheRealThresholdAreDropped) {
  // (x - 1)^2 + s^2: roots 1 +- s i. Without polishing, a found root with
  // |imag| <= 4e-6 |real| is made real, and so is the real quotient.
  struct Case {
    double s;
    bool real;
  };
  for (const Case c : {Case{3e-6, true}, Case{5e-6, false}}) {
    SCOPED_TRACE(c.s);
    const auto roots = all_roots(real_poly({1.0 + c.s * c.s, -2.0, 1.0}), 0);
    if (c.real) {
      EXPECT_EQ(roots[1].i, 0.0);
      EXPECT_EQ(roots[2].i, 0.0);
    } else {
      EXPECT_NEAR(std::fabs(roots[1].i), c.s, 1e-12);
      EXPECT_NEAR(roots[2].i, -roots[1].i, 1e-12);
    }
  }
}

// Random real polynomials: each polished root nearly zeroes the polynomial,
// complex roots come in conjugate pairs, the real parts ascend, and the
// product of (x - root) gives back the polynomial.
TEST(Zroots, RandomRealPolynomials) {
  std::mt19937 rng(20240611u);
  std::uniform_real_distribution<double> coef(-1.0, 1.0);
  for (int trial = 0; trial < 200; ++trial) {
    const int m = 1 + trial % 20;
    SCOPED_TRACE(testing::Message() << "trial " << trial << " degree " << m);
    std::vector<Cnum> a(m + 1);
    for (Cnum& c : a) c = Complex(coef(rng), 0.0);
    const auto roots = all_roots(a);

    double scale = 1.0;  // prod (1 + |root|), bounds the rebuilt coefficients
    for (int j = 1; j <= m; ++j) {
      const Cnum x = roots[j];
      // Value and its size bound sum |a_k| |x|^k, by Horner's scheme.
      Cnum value = a[m];
      double bound = Cabs(a[m]);
      for (int k = m - 1; k >= 0; --k) {
        value = Cadd(Cmul(x, value), a[k]);
        bound = bound * Cabs(x) + Cabs(a[k]);
      }
      EXPECT_LE(Cabs(value), ROOT_TOL * bound) << "root " << j;
      if (j > 1) {
        EXPECT_LE(roots[j - 1].r, x.r);
      }
      if (std::fabs(x.i) > ROOT_TOL * (1.0 + Cabs(x))) {
        bool paired = false;
        for (int k = 1; k <= m; ++k) {
          const Cnum diff = Csub(roots[k], Conjg(x));
          if (k != j && Cabs(diff) <= 1e-6 * (1.0 + Cabs(x))) paired = true;
        }
        EXPECT_TRUE(paired) << "root " << j << " has no conjugate";
      }
      scale *= 1.0 + Cabs(x);
    }

    // Rebuild a[m] * prod (x - root[j]), ascending powers, and compare with a.
    std::vector<Cnum> rebuilt(m + 1, Complex(0.0, 0.0));
    rebuilt[0] = a[m];
    for (int j = 1; j <= m; ++j) {
      for (int k = j; k >= 1; --k) {
        rebuilt[k] = Csub(rebuilt[k - 1], Cmul(roots[j], rebuilt[k]));
      }
      rebuilt[0] = Csub(Complex(0.0, 0.0), Cmul(roots[j], rebuilt[0]));
    }
    for (int k = 0; k <= m; ++k) {
      const Cnum diff = Csub(rebuilt[k], a[k]);
      EXPECT_LE(Cabs(diff), 1e-8 * scale * Cabs(a[m])) << "coefficient " << k;
    }
  }
}

TEST(ZrootsErrors, NanCoefficientEndsWithTheLaguerError) {
  const auto a = real_poly({std::numeric_limits<double>::quiet_NaN(), 1.0});
  std::vector<Cnum> roots(2);
  EXPECT_LIBRARY_ERROR(zroots(a, 1, roots, 1), LAGUER_FATAL);
}

TEST(ZrootsErrors, DegreeAboveTheWorkspaceIsRefused) {
  std::vector<Cnum> a(101, Complex(1.0, 0.0));
  std::vector<Cnum> roots(101);
  EXPECT_LIBRARY_ERROR(zroots(a, 100, roots, 1),
                       "^Numerical Recipes run-time error\\.\\.\\.\n"
                       "degree too large in zroots\n"
                       "\\.\\.\\.now exiting to system\\.\\.\\.\n$");
}

TEST(Zroots, DegreeNinetyNineFitsTheWorkspace) {
  // x^99 - 1: the 99th roots of unity.
  std::vector<Cnum> a(100, Complex(0.0, 0.0));
  a[0] = Complex(-1.0, 0.0);
  a[99] = Complex(1.0, 0.0);
  std::vector<Cnum> roots(100);
  zroots(a, 99, roots, 1);
  for (int j = 1; j <= 99; ++j) EXPECT_NEAR(Cabs(roots[j]), 1.0, ROOT_TOL);
}

TEST(NrerrorErrors, ThrowsItsThreeLinesAsAnAnalysisError) {
  EXPECT_LIBRARY_ERROR(nrerror("some text"),
                       "^Numerical Recipes run-time error\\.\\.\\.\nsome text\n"
                       "\\.\\.\\.now exiting to system\\.\\.\\.\n$");
  try {
    nrerror("some text");
  } catch (const vocana::Error& error) {
    EXPECT_EQ(error.kind(), vocana::ErrorKind::analysis);
  }
}

}  // namespace
