#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "spectrum/fft_func.h"
#include "support/library_error.h"

namespace {

// Largest error of a transform relative to the largest magnitude of the
// exact result, for every oracle comparison in this file: rounding level for
// lengths up to 512.
constexpr double RELATIVE_TOL = 1e-13;

std::vector<double> random_values(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<double> v(static_cast<std::size_t>(n));
  for (double& x : v) x = dist(gen);
  return v;
}

// Direct O(N^2) DFT in long double with the true 2*pi, the exponent reduced
// modulo N: X[k] = sum x[j] e^(-sign i 2 pi j k / N), divided by N for the
// inverse.
void direct_dft(const std::vector<double>& re, const std::vector<double>& im, int sign,
                std::vector<double>& out_re, std::vector<double>& out_im) {
  const long n = static_cast<long>(re.size());
  const long double two_pi = 2.0L * std::numbers::pi_v<long double>;
  out_re.assign(re.size(), 0.0);
  out_im.assign(re.size(), 0.0);
  for (long k = 0; k < n; ++k) {
    long double sr = 0.0L;
    long double si = 0.0L;
    for (long j = 0; j < n; ++j) {
      const long double angle = two_pi * static_cast<long double>((j * k) % n) / n;
      const long double c = std::cos(angle);
      const long double s = -sign * std::sin(angle);
      sr += re[j] * c - im[j] * s;
      si += re[j] * s + im[j] * c;
    }
    if (sign < 0) {
      sr /= n;
      si /= n;
    }
    out_re[k] = static_cast<double>(sr);
    out_im[k] = static_cast<double>(si);
  }
}

double relative_error(const std::vector<double>& re, const std::vector<double>& im,
                      const std::vector<double>& ref_re, const std::vector<double>& ref_im) {
  double worst = 0.0;
  double scale = 0.0;
  for (std::size_t i = 0; i < re.size(); ++i) {
    worst = std::max(worst, std::hypot(re[i] - ref_re[i], im[i] - ref_im[i]));
    scale = std::max(scale, std::hypot(ref_re[i], ref_im[i]));
  }
  return worst / scale;
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(IsPow2, ResultAndExponent) {
  struct Case {
    int n;
    int result;
    int m;
  };
  const Case cases[] = {
      {1, 1, 0},   {2, 1, 1},        {3, 0, 2},        {4, 1, 2},        {5, 0, 3},  {6, 0, 3},
      {300, 0, 9}, {512, 1, 9},      {4096, 1, 12},    {4097, 0, 13},    {0, -1, 0}, {-1, -1, 0},
      {-8, -1, 0}, {INT_MIN, -1, 0}, {INT_MAX, 0, 31}, {1 << 30, 1, 30},
  };
  for (const Case& c : cases) {
    int m = 99;
    EXPECT_EQ(is_pow_2(c.n, m), c.result) << "n = " << c.n;
    EXPECT_EQ(m, c.m) << "n = " << c.n;
  }
}

TEST(Fft, SingleValueIsLeftAsItIs) {
  for (int sign : {+1, -1}) {
    double re[1] = {3.5};
    double im[1] = {-2.25};
    fft(re, im, 0, sign);
    EXPECT_EQ(re[0], 3.5);
    EXPECT_EQ(im[0], -2.25);
  }
}

TEST(Fft, HandWorkedEightPointCases) {
  constexpr double TINY = 1e-14;
  // A unit impulse at 0: 1 + 0i in every bin, exactly (no twiddle touches it
  // with anything but zero).
  std::vector<double> re(8, 0.0), im(8, 0.0);
  re[0] = 1.0;
  fft(re, im, 3, +1);
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(re[k], 1.0) << k;
    EXPECT_EQ(im[k], 0.0) << k;
  }
  // Eight ones: 8 in bin 0, zero elsewhere.
  re.assign(8, 1.0);
  im.assign(8, 0.0);
  fft(re, im, 3, +1);
  EXPECT_EQ(re[0], 8.0);
  EXPECT_EQ(im[0], 0.0);
  for (int k = 1; k < 8; ++k) {
    EXPECT_NEAR(re[k], 0.0, TINY) << k;
    EXPECT_NEAR(im[k], 0.0, TINY) << k;
  }
  // The inverse divides by N: 8 in bin 0 gives 1 everywhere.
  re.assign(8, 0.0);
  im.assign(8, 0.0);
  re[0] = 8.0;
  fft(re, im, 3, -1);
  for (int j = 0; j < 8; ++j) {
    EXPECT_EQ(re[j], 1.0) << j;
    EXPECT_EQ(im[j], 0.0) << j;
  }
}

TEST(Fft, PositiveFrequencyLandsInBinOne) {
  for (int m : {3, 6}) {
    const int n = 1 << m;
    std::vector<double> re(n), im(n);
    for (int j = 0; j < n; ++j) {
      re[j] = std::cos(2.0 * std::numbers::pi * j / n);
      im[j] = std::sin(2.0 * std::numbers::pi * j / n);
    }
    fft(re, im, m, +1);
    EXPECT_NEAR(re[1], n, 1e-12) << "N = " << n;
    EXPECT_NEAR(im[1], 0.0, 1e-12) << "N = " << n;
    for (int k = 0; k < n; ++k) {
      if (k == 1) continue;
      EXPECT_NEAR(std::hypot(re[k], im[k]), 0.0, 1e-12) << "N = " << n << ", bin " << k;
    }
  }
}

TEST(Fft, AgreesWithDirectDft) {
  for (int m = 0; m <= 9; ++m) {
    for (int sign : {+1, -1}) {
      const int n = 1 << m;
      const std::vector<double> in_re = random_values(n, 100 + m);
      const std::vector<double> in_im = random_values(n, 200 + m);
      std::vector<double> re = in_re, im = in_im, ref_re, ref_im;
      fft(re, im, m, sign);
      direct_dft(in_re, in_im, sign, ref_re, ref_im);
      EXPECT_LT(relative_error(re, im, ref_re, ref_im), RELATIVE_TOL)
          << "m = " << m << ", sign = " << sign;
    }
  }
}

TEST(Fft, ForwardThenInverseRestoresTheSignal) {
  const int m = 12;
  const std::vector<double> in_re = random_values(1 << m, 7);
  const std::vector<double> in_im = random_values(1 << m, 8);
  std::vector<double> re = in_re, im = in_im;
  fft(re, im, m, +1);
  fft(re, im, m, -1);
  EXPECT_LT(relative_error(re, im, in_re, in_im), RELATIVE_TOL);
}

TEST(FftCal, PadsAndWarnsWhenNotAPowerOfTwo) {
  const std::vector<double> data_re = random_values(300, 11);
  const std::vector<double> data_im = random_values(300, 12);
  // Garbage past the data must be replaced by zeros.
  std::vector<double> re(512, 1e300), im(512, -7.0);
  std::copy(data_re.begin(), data_re.end(), re.begin());
  std::copy(data_im.begin(), data_im.end(), im.begin());
  std::vector<double> expect_re(512, 0.0), expect_im(512, 0.0);
  std::copy(data_re.begin(), data_re.end(), expect_re.begin());
  std::copy(data_im.begin(), data_im.end(), expect_im.begin());
  fft(expect_re, expect_im, 9, +1);

  std::string messages;
  fft_cal(re, im, 300, +1, messages);
  EXPECT_EQ(messages,
            "CAUTION: fft_cal: number of data 300 is not power of 2.\n"
            "                  zero added to the tail of data.\n"
            "                  number of data increased to 512 \n"
            "<<< Please check whether the caller has enough memory for data.>>>\n");
  EXPECT_TRUE(same_bits(re, expect_re));
  EXPECT_TRUE(same_bits(im, expect_im));
}

TEST(FftCal, PowerOfTwoIsSilentAndUnpadded) {
  std::vector<double> re = random_values(256, 21), im = random_values(256, 22);
  std::vector<double> expect_re = re, expect_im = im;
  fft(expect_re, expect_im, 8, -1);
  std::string messages;
  fft_cal(re, im, 256, -1, messages);
  EXPECT_EQ(messages, "");
  EXPECT_TRUE(same_bits(re, expect_re));
  EXPECT_TRUE(same_bits(im, expect_im));
}

TEST(FftCalErrors, FewerThanTwoValuesIsRefused) {
  for (int n : {1, 0, -5}) {
    double re[2] = {1.0, 2.0};
    double im[2] = {0.0, 0.0};
    std::string messages;
    EXPECT_LIBRARY_ERROR(fft_cal(re, im, n, +1, messages),
                         "^error: fft_cal: number of data is smaller than 2\\.\n$")
        << "n = " << n;
  }
}

TEST(FftCalErrors, ArraysWithoutRoomForPaddingAreNeverOverrun) {
  std::vector<double> re(300, 1.0), im(300, 0.0);
  std::string messages;
  EXPECT_LIBRARY_ERROR(fft_cal(re, im, 300, +1, messages),
                       "error: fft_cal: arrays hold fewer than 512 values\\.\n$");
}

// The twiddle tables must reproduce fft()'s own on-the-fly cosines and sines
// bit for bit, for every length the program accepts.
TEST(FftWithTwiddles, SameBitsAsFftForEveryLength) {
  FftTwiddles t;
  for (int m = 0; m <= 12; ++m) {
    const int n = 1 << m;
    std::vector<double> re = random_values(n, 300 + m), im = random_values(n, 400 + m);
    std::vector<double> expect_re = re, expect_im = im;
    fft(expect_re, expect_im, m, +1);
    fft_twiddles(m, t);
    EXPECT_EQ(t.m, m);
    fft_with_twiddles(re, im, m, t);
    EXPECT_TRUE(same_bits(re, expect_re)) << "m = " << m;
    EXPECT_TRUE(same_bits(im, expect_im)) << "m = " << m;
  }
}

TEST(FftWithTwiddles, TablesOfAnotherLengthAreNotUsed) {
  FftTwiddles t;
  fft_twiddles(10, t);
  std::vector<double> re = random_values(256, 31), im = random_values(256, 32);
  std::vector<double> expect_re = re, expect_im = im;
  fft(expect_re, expect_im, 8, +1);
  fft_with_twiddles(re, im, 8, t);
  EXPECT_TRUE(same_bits(re, expect_re));
  EXPECT_TRUE(same_bits(im, expect_im));
}

}  // namespace
