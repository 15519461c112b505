// Autocorrelation and Durbin recursion against direct formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "lpc/lpc_func.h"

namespace {

// Relative agreement of durb with the direct solve of the normal equations.
constexpr double DURB_TOL = 1e-9;

// Solves sum_j r[|i - j|] c[j] = -r[i] (i, j = 1..p) by Gaussian elimination
// with partial pivoting: the LP coefficients a[1..p] without the recursion.
std::vector<double> solve_normal_equations(const std::vector<double>& r, int p) {
  std::vector<std::vector<double>> m(p, std::vector<double>(p + 1));
  for (int i = 0; i < p; ++i) {
    for (int j = 0; j < p; ++j) m[i][j] = r[std::abs(i - j)];
    m[i][p] = -r[i + 1];
  }
  for (int col = 0; col < p; ++col) {
    int pivot = col;
    for (int row = col + 1; row < p; ++row) {
      if (std::fabs(m[row][col]) > std::fabs(m[pivot][col])) pivot = row;
    }
    std::swap(m[col], m[pivot]);
    for (int row = col + 1; row < p; ++row) {
      const double f = m[row][col] / m[col][col];
      for (int j = col; j <= p; ++j) m[row][j] -= f * m[col][j];
    }
  }
  std::vector<double> c(p);
  for (int i = p - 1; i >= 0; --i) {
    double s = m[i][p];
    for (int j = i + 1; j < p; ++j) s -= m[i][j] * c[j];
    c[i] = s / m[i][i];
  }
  return c;
}

TEST(Autocor, MatchesTheDirectSumAndZeroesLongLags) {
  const std::vector<double> x = {1.0, -2.0, 0.5, 3.0};
  std::vector<double> r(7, 99.0);
  autocor(x, r, 4, 6);
  const std::vector<double> expected = {1 + 4 + 0.25 + 9, -2 - 1 + 1.5, 0.5 - 6, 3, 0, 0, 0};
  for (int i = 0; i <= 6; ++i) EXPECT_EQ(r[i], expected[i]) << "lag " << i;
}

// The lags are accumulated side by side (in one pass up to order 20, in
// groups above); every lag must still have the bits of its own sum taken in
// increasing j, for odd and even orders and frames shorter than the order.
TEST(Autocor, SameBitsAsOneLagAfterTheOther) {
  std::mt19937 generator(77);
  std::uniform_real_distribution<double> value(-30000.0, 30000.0);
  for (int n : {1, 2, 3, 15, 21, 256, 300}) {
    for (int p = 0; p <= 23; ++p) {
      std::vector<double> x(n);
      for (double& v : x) v = value(generator);
      std::vector<double> r(p + 1);
      autocor(x, r, n, p);
      for (int i = 0; i <= p; ++i) {
        double direct = 0.0;
        for (int j = 0; j < n - i; ++j) direct += x[j] * x[j + i];
        EXPECT_EQ(r[i], direct) << "n " << n << " p " << p << " lag " << i;
      }
    }
  }
}

TEST(Durb, TwoPointFrameWorkedByHand) {
  const std::vector<double> x = {1.0, 1.0};
  std::vector<double> r(3), k(2), a(3);
  autocor(x, r, 2, 2);
  EXPECT_EQ(r, (std::vector<double>{2.0, 1.0, 0.0}));
  const double e = durb(r, k, a, 2);
  EXPECT_EQ(k[0], 0.5);
  EXPECT_EQ(k[1], -1.0 / 3.0);
  EXPECT_EQ(a[0], 1.0);
  EXPECT_DOUBLE_EQ(a[1], -2.0 / 3.0);
  EXPECT_EQ(a[2], 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(e, 4.0 / 3.0);
}

TEST(Durb, OrderOne) {
  const std::vector<double> r = {4.0, 1.0};
  std::vector<double> k(1), a(2);
  EXPECT_EQ(durb(r, k, a, 1), 4.0 - 0.25 * 0.25 * 4.0);
  EXPECT_EQ(k[0], 0.25);
  EXPECT_EQ(a[1], -0.25);
}

TEST(Durb, AgreesWithTheNormalEquationsOnRandomFrames) {
  std::mt19937 rng(7u);
  std::normal_distribution<double> noise(0.0, 1.0);
  for (int trial = 0; trial < 40; ++trial) {
    const int n = 64 + trial;
    const int p = 1 + trial % 20;
    SCOPED_TRACE(testing::Message() << "trial " << trial << " p " << p);
    // A coloured frame: white noise through a short moving sum.
    std::vector<double> w(n + 2), x(n);
    for (double& v : w) v = noise(rng);
    for (int t = 0; t < n; ++t) x[t] = w[t] + 0.8 * w[t + 1] - 0.3 * w[t + 2];
    std::vector<double> r(p + 1), k(p), a(p + 1);
    autocor(x, r, n, p);
    const double e = durb(r, k, a, p);
    const auto c = solve_normal_equations(r, p);
    EXPECT_EQ(a[0], 1.0);
    double direct_e = r[0];  // E = r0 + sum a_j r_j at the optimum
    for (int j = 1; j <= p; ++j) {
      EXPECT_NEAR(a[j], c[j - 1], DURB_TOL * (1.0 + std::fabs(c[j - 1]))) << "a[" << j << "]";
      direct_e += c[j - 1] * r[j];
    }
    EXPECT_NEAR(e, direct_e, DURB_TOL * r[0]);
    EXPECT_EQ(a[p], -k[p - 1]);
  }
}

TEST(Durb, StopsAfterOrderTwoWhenTheErrorVanishes) {
  // r[1] = r[0]: k[0] = 1, E = 0 after order 1; order 2 divides by 0 and
  // the recursion stops, leaving the rest of the caller's arrays alone.
  const std::vector<double> r = {1.0, 1.0, 0.5, 0.2, 0.1};
  std::vector<double> k(4, 7.0), a(5, 7.0);
  const double e = durb(r, k, a, 4);
  EXPECT_EQ(k[0], 1.0);
  EXPECT_FALSE(std::isfinite(k[1]));
  EXPECT_FALSE(e > 0.0);
  EXPECT_EQ(k[2], 7.0);
  EXPECT_EQ(k[3], 7.0);
  EXPECT_EQ(a[3], 7.0);
  EXPECT_EQ(a[4], 7.0);
}

}  // namespace
