// Critical second-order model and its spectral tilt.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "spectrum/spctilt.h"
#include "support/library_error.h"

namespace {

std::string six_decimals(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", v);
  return text;
}

// E(x) = sum over i, j of a[i] a[j] r[|i - j|], straight from the definition.
double residual_energy(const std::array<double, 3>& r, double x) {
  const std::array<double, 3> a = {1.0, x, x * x / 4.0};
  double e = 0.0;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) e += a[i] * a[j] * r[std::abs(i - j)];
  }
  return e;
}

TEST(Critical2ndOrderCoefs, OneAdmissibleRoot) {
  struct Case {
    std::array<double, 3> r;
    const char* x;
    const char* a2;
    const char* energy;
  };
  const Case cases[] = {
      {{1.0, 0.0, 0.0}, "0.000000", "0.000000", "1.000000"},
      {{1.0, 0.8, 0.5}, "-1.060709", "0.281276", "0.310998"},
      {{1.0, -0.5, 0.1}, "0.570253", "0.081297", "0.731444"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    std::array<double, 3> a = {9.0, 9.0, 9.0};
    std::string messages;
    const double e = Critical2ndOrderCoefs(c.r, a, 2, messages);
    EXPECT_EQ(messages, "");
    EXPECT_EQ(a[0], 1.0);
    EXPECT_EQ(six_decimals(a[1]), c.x);
    EXPECT_EQ(six_decimals(a[2]), c.a2);
    EXPECT_EQ(six_decimals(e), c.energy);
    EXPECT_NEAR(e, residual_energy(c.r, a[1]), 1e-14);
    // A minimum of E: a small move either way costs energy.
    EXPECT_LT(e, residual_energy(c.r, a[1] + 1e-4));
    EXPECT_LT(e, residual_energy(c.r, a[1] - 1e-4));
  }
  std::array<double, 3> a{};
  std::string messages;
  Critical2ndOrderCoefs(std::array<double, 3>{1.0, 0.0, 0.0}, a, 2, messages);
  EXPECT_EQ(a[1], 0.0);
  EXPECT_EQ(a[2], 0.0);
}

TEST(Critical2ndOrderCoefs, RefusalsListTheRootsAndLeaveTheCoefficients) {
  struct Case {
    std::array<double, 3> r;
    const char* message;
  };
  const Case cases[] = {
      {{1.0, 0.0, -4.0},
       "error: Critical2ndOrderCoefs(): illegal number of real roots.\n"
       "x[ 1].r: -2.828427e+00 x[ 1].i: +0.000000e+00\n"
       "x[ 2].r: +0.000000e+00 x[ 2].i: +0.000000e+00\n"
       "x[ 3].r: +2.828427e+00 x[ 3].i: +0.000000e+00\n"},
      {{1.0, 2.0, 2.0},
       "error: Critical2ndOrderCoefs(): illegal range of coefs.\n"
       "x[ 1].r: -1.063726e+01 x[ 1].i: +0.000000e+00\n"
       "x[ 2].r: -6.813718e-01 x[ 2].i: +1.019745e+00\n"
       "x[ 3].r: -6.813718e-01 x[ 3].i: -1.019745e+00\n"},
      {{0.0, 0.0, 0.0},
       "error: Critical2ndOrderCoefs(): illegal number of real roots.\n"
       "x[ 1].r: +0.000000e+00 x[ 1].i: +0.000000e+00\n"
       "x[ 2].r: +0.000000e+00 x[ 2].i: +0.000000e+00\n"
       "x[ 3].r: +0.000000e+00 x[ 3].i: +0.000000e+00\n"},
  };
  for (const Case& c : cases) {
    std::array<double, 3> a = {9.0, 8.0, 7.0};
    std::string err;
    const double e = Critical2ndOrderCoefs(c.r, a, 2, err);
    EXPECT_EQ(e, -1.0);
    EXPECT_EQ(err, c.message);
    EXPECT_EQ(a, (std::array<double, 3>{9.0, 8.0, 7.0}));
  }
}

TEST(Critical2ndOrderCoefsErrors, OrderOtherThanTwoIsRefused) {
  const std::array<double, 4> r = {1.0, 0.5, 0.2, 0.1};
  std::array<double, 4> a{};
  std::string messages;
  EXPECT_LIBRARY_ERROR(Critical2ndOrderCoefs(r, a, 3, messages),
                       "^error: Critical2ndOrderCoefs\\(\\): filter order is not 2\\.\n$");
}

TEST(SpectralTilt, KnownSlopes) {
  struct Case {
    double x;
    int fs;
    const char* tilt;
  };
  const Case cases[] = {
      {-1.8, 12000, "-11.296407"}, {-1.0, 12000, "-4.104931"}, {0.0, 12000, "0.000000"},
      {0.5, 12000, "0.526973"},    {1.0, 12000, "0.744882"},   {-1.8, 16000, "-11.077576"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(six_decimals(spectralTilt(1000.0, c.x, c.fs)), c.tilt);
  }
}

TEST(SpectralTilt, MatchesANumericalDerivativeOfTheModelSpectrum) {
  // -10 log10 |A(e^jw)|^2 against log2 f, by a central difference.
  const auto level = [](double f, double x, int fs) {
    const double w = 6.28318530717958 * f / fs;
    const double re = 1.0 + x * std::cos(w) + x * x / 4.0 * std::cos(2.0 * w);
    const double im = -x * std::sin(w) - x * x / 4.0 * std::sin(2.0 * w);
    return -10.0 * std::log10(re * re + im * im);
  };
  for (const double x : {-1.5, -0.3, 0.7, 1.9}) {
    for (const double f : {200.0, 1000.0, 3500.0}) {
      const double h = 1e-4;  // octaves
      const double slope =
          (level(f * std::exp2(h), x, 10000) - level(f * std::exp2(-h), x, 10000)) / (2 * h);
      EXPECT_NEAR(spectralTilt(f, x, 10000), slope, 1e-6) << "x " << x << " f " << f;
    }
  }
}

}  // namespace
