// Formant extraction: LP polynomials built from known poles.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/constants.h"
#include "lpc/formant.h"
#include "support/library_error.h"

namespace {

// Relative accuracy of frequencies and bandwidths from known poles.
constexpr double FORMANT_TOL = 1e-9;

// Output arrays as large as the driver's, pre-filled to show what is written.
struct Formants {
  std::array<double, MAX_LPC_ORDER / 2 + 2> freq;
  std::array<double, MAX_LPC_ORDER / 2 + 2> bw;
  int count;
  std::string messages;  // the lines extract_formant appended
};

Formants run(const std::vector<double>& a, int fs) {
  Formants out{};
  out.freq.fill(7.0);
  out.bw.fill(7.0);
  out.count =
      extract_formant(a, static_cast<int>(a.size()) - 1, out.freq, out.bw, fs, out.messages);
  return out;
}

// A(z) with a conjugate pole pair rho e^(+-i theta) per entry.
std::vector<double> resonators(const std::vector<std::pair<double, double>>& poles) {
  std::vector<double> a = {1.0};
  for (const auto& [rho, theta] : poles) {
    const double c1 = -2.0 * rho * std::cos(theta);
    const double c2 = rho * rho;
    std::vector<double> next(a.size() + 2, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i) {
      next[i] += a[i];
      next[i + 1] += c1 * a[i];
      next[i + 2] += c2 * a[i];
    }
    a = next;
  }
  return a;
}

TEST(ExtractFormant, OneResonatorAtOrderTwo) {
  const auto out = run(resonators({{0.95, 0.6}}), 10000);
  ASSERT_EQ(out.count, 1);
  EXPECT_NEAR(out.freq[1], 0.6 * 10000 / TWO_PI_DECIMAL, FORMANT_TOL * 1000.0);
  EXPECT_NEAR(out.bw[1], -std::log(0.95) * 10000 / PI_DECIMAL, FORMANT_TOL * 1000.0);
  EXPECT_NEAR(out.freq[1], 954.93, 0.005);
  EXPECT_NEAR(out.bw[1], 163.27, 0.005);
  EXPECT_EQ(out.freq[0], -1.0);
  EXPECT_EQ(out.bw[0], -1.0);
  EXPECT_EQ(out.freq[2], 7.0);  // beyond half = 1: untouched
  EXPECT_EQ(out.bw[2], 7.0);
}

TEST(ExtractFormant, RealPolesAndOrderOne) {
  // Two real poles 0.4 and 0.5: no formant, both slots marked empty.
  const auto real = run({1.0, -0.9, 0.2}, 10000);
  EXPECT_EQ(real.count, 0);
  EXPECT_EQ(real.freq[0], -1.0);
  EXPECT_EQ(real.freq[1], -1.0);
  EXPECT_EQ(real.bw[0], -1.0);
  EXPECT_EQ(real.bw[1], -1.0);

  // Order 1: the single real pole 0.5 is a formant at 0 Hz.
  const auto one = run({1.0, -0.5}, 8000);
  ASSERT_EQ(one.count, 1);
  EXPECT_EQ(one.freq[1], 0.0);
  EXPECT_DOUBLE_EQ(one.bw[1], std::log(2.0) * 8000 / PI_DECIMAL);
}

TEST(ExtractFormant, PoleOutsideTheUnitCircleGivesNegativeBandwidth) {
  const auto out = run(resonators({{1.25, 1.0}}), 10000);
  ASSERT_EQ(out.count, 1);
  EXPECT_NEAR(out.bw[1], -std::log(1.25) * 10000 / PI_DECIMAL, FORMANT_TOL * 1000.0);
  EXPECT_LT(out.bw[1], 0.0);
}

TEST(ExtractFormant, TwentyPolesFillTenSlotsInAscendingOrder) {
  // Listed out of order; every angle away from pi/2.
  const std::vector<std::pair<double, double>> poles = {
      {0.97, 2.2}, {0.90, 0.3}, {0.85, 2.9},  {0.95, 1.1}, {0.80, 0.7},
      {0.93, 1.9}, {0.70, 2.5}, {0.98, 0.15}, {0.88, 1.3}, {0.92, 2.7}};
  const int fs = 16000;
  const auto out = run(resonators(poles), fs);
  ASSERT_EQ(out.count, 10);
  auto sorted = poles;
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& x, const auto& y) { return x.second < y.second; });
  for (int f = 1; f <= 10; ++f) {
    SCOPED_TRACE(f);
    const auto [rho, theta] = sorted[f - 1];
    EXPECT_NEAR(out.freq[f], theta * fs / TWO_PI_DECIMAL, 1e-6 * fs);
    EXPECT_NEAR(out.bw[f], -std::log(rho) * fs / PI_DECIMAL, 1e-6 * fs);
  }
  EXPECT_EQ(out.freq[0], -1.0);
  EXPECT_EQ(out.freq[11], 7.0);
}

TEST(ExtractFormant, OddOrderRealPoleLeavesTheLastSlotEmpty) {
  // Order 5 = two resonators and a real pole 0.3: half = 3, two formants.
  auto a = resonators({{0.9, 0.5}, {0.8, 2.0}});
  a.push_back(0.0);
  for (std::size_t i = a.size() - 1; i >= 1; --i) a[i] -= 0.3 * a[i - 1];  // times (1 - 0.3 z^-1)
  const auto out = run(a, 10000);
  ASSERT_EQ(out.count, 2);
  EXPECT_NEAR(out.freq[1], 0.5 * 10000 / TWO_PI_DECIMAL, 1e-6);
  EXPECT_NEAR(out.freq[2], 2.0 * 10000 / TWO_PI_DECIMAL, 1e-6);
  EXPECT_EQ(out.freq[3], -1.0);
}

TEST(ExtractFormant, PoleOnTheImaginaryAxisIsReported) {
  const auto out = run({1.0, 0.0, 0.81}, 10000);  // poles +-0.9i
  EXPECT_EQ(out.count, -1);
  EXPECT_EQ(out.messages,
            "real part of pole is almost zero.\n"
            "1 z.r: 0.000000e+00 z.i: -9.000000e-01\n");
}

TEST(ExtractFormantErrors, NanCoefficientsEndInTheRootFinder) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_LIBRARY_ERROR(run({1.0, nan, nan}, 10000), "too many iterations in laguer\n");
}

TEST(ExtractFormantErrors, OrderBeyondTheWorkArraysIsRefused) {
  std::vector<double> a(MAX_LPC_ORDER + 2, 0.0);
  a[0] = 1.0;
  EXPECT_LIBRARY_ERROR(run(a, 10000), "^error: extract_formant\\(\\): LP order too large\\.\n$");
}

}  // namespace
