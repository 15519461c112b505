// Complex arithmetic: hand-worked exact cases of the scaled forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lpc/complex.h"

namespace {

TEST(Complex, CabsScaledFormIsExactOnPythagoreanTriples) {
  EXPECT_EQ(Cabs(Complex(3.0, 4.0)), 5.0);  // 4 * sqrt(1 + 0.75^2)
  EXPECT_EQ(Cabs(Complex(-4.0, 3.0)), 5.0);
  EXPECT_EQ(Cabs(Complex(0.0, 0.0)), 0.0);
  EXPECT_EQ(Cabs(Complex(-2.0, 0.0)), 2.0);
  EXPECT_EQ(Cabs(Complex(0.0, -7.5)), 7.5);
  // Squaring the components would overflow here; the scaled form does not.
  EXPECT_DOUBLE_EQ(Cabs(Complex(3e200, 4e200)), 5e200);
}

TEST(Complex, CsqrtPrincipalBranch) {
  struct Case {
    const char* name;
    Cnum z;
    Cnum root;
  };
  const Case cases[] = {
      {"4", {4.0, 0.0}, {2.0, 0.0}},
      {"-4", {-4.0, 0.0}, {0.0, 2.0}},
      {"-4 with negative zero imaginary part", {-4.0, -0.0}, {0.0, 2.0}},
      {"-3+4i", {-3.0, 4.0}, {1.0, 2.0}},
      {"3+4i", {3.0, 4.0}, {2.0, 1.0}},
      {"-3-4i", {-3.0, -4.0}, {1.0, -2.0}},
      {"0", {0.0, 0.0}, {0.0, 0.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Cnum s = Csqrt(c.z);
    EXPECT_EQ(s.r, c.root.r);
    EXPECT_EQ(s.i, c.root.i);
  }
}

TEST(Complex, CsqrtJustBelowTheNegativeRealAxis) {
  const double eps = 1e-12;
  const Cnum s = Csqrt(Complex(-4.0, -eps));
  EXPECT_NEAR(s.i, -2.0, 1e-15);
  EXPECT_GE(s.r, 0.0);
  EXPECT_NEAR(s.r, eps / 4.0, 1e-27);
}

TEST(Complex, CsqrtSquaresBack) {
  const Cnum zs[] = {{0.3, -7.0}, {-1e-3, 2.5}, {123.0, 0.5}, {-8.0, -8.0}};
  for (const Cnum z : zs) {
    const Cnum s = Csqrt(z);
    const Cnum back = Cmul(s, s);
    EXPECT_GE(s.r, 0.0);
    EXPECT_NEAR(back.r, z.r, 1e-14 * Cabs(z));
    EXPECT_NEAR(back.i, z.i, 1e-14 * Cabs(z));
  }
}

TEST(Complex, CdivBothBranches) {
  const Cnum by_i = Cdiv(Complex(1.0, 0.0), Complex(0.0, 1.0));  // second branch
  EXPECT_EQ(by_i.r, 0.0);
  EXPECT_EQ(by_i.i, -1.0);

  // (7 + 4i) / (1 + 2i) = 3 - 2i, (7 + 4i) / (2 + 1i) = 18/5 + 1/5 i: one per branch.
  const Cnum q1 = Cdiv(Complex(7.0, 4.0), Complex(1.0, 2.0));
  EXPECT_DOUBLE_EQ(q1.r, 3.0);
  EXPECT_DOUBLE_EQ(q1.i, -2.0);
  const Cnum q2 = Cdiv(Complex(7.0, 4.0), Complex(2.0, 1.0));
  EXPECT_DOUBLE_EQ(q2.r, 3.6);
  EXPECT_DOUBLE_EQ(q2.i, 0.2);
}

TEST(Complex, CdivByZeroGivesNonFiniteWithoutStopping) {
  const Cnum q = Cdiv(Complex(1.0, 1.0), Complex(0.0, 0.0));
  EXPECT_FALSE(std::isfinite(q.r));
  EXPECT_FALSE(std::isfinite(q.i));
}

}  // namespace
