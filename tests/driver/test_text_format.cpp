// The fast number formatting against snprintf itself.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "driver/text_format.h"

namespace {

std::string fast_fixed(double v, int decimals, int width) {
  char buffer[FORMAT_MAX_CHARS];
  return std::string(buffer, put_fixed(buffer, v, decimals, width));
}

std::string fast_exponent(double v) {
  char buffer[FORMAT_MAX_CHARS];
  return std::string(buffer, put_exponent(buffer, v));
}

std::string printf_fixed(double v, int decimals, int width) {
  char buffer[FORMAT_MAX_CHARS];
  std::snprintf(buffer, sizeof buffer, "%*.*f", width, decimals, v);
  return buffer;
}

std::string printf_exponent(double v) {
  char buffer[FORMAT_MAX_CHARS];
  std::snprintf(buffer, sizeof buffer, "%+e", v);
  return buffer;
}

// Every conversion the result lines use, on one value.
void expect_same(double v) {
  ASSERT_EQ(fast_fixed(v, 1, 8), printf_fixed(v, 1, 8)) << std::hexfloat << v;
  ASSERT_EQ(fast_fixed(v, 2, 7), printf_fixed(v, 2, 7)) << std::hexfloat << v;
  ASSERT_EQ(fast_fixed(v, 6, 0), printf_fixed(v, 6, 0)) << std::hexfloat << v;
  ASSERT_EQ(fast_exponent(v), printf_exponent(v)) << std::hexfloat << v;
}

TEST(TextFormat, SpecialValues) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double v : {0.0,           -0.0,
                   inf,           -inf,
                   nan,           -nan,
                   0.05,          0.25,
                   0.125,         -0.04,
                   0.95,          9.95,
                   99.95,         0.005,
                   1e-300,        5e-324,
                   -5e-324,       1e11,
                   99999999999.9, 1e15,
                   1e300,         std::numeric_limits<double>::max(),
                   9999999.5,     9.9999995,
                   1e-15,         1e15 - 1}) {
    expect_same(v);
  }
  EXPECT_EQ(fast_exponent(-0.0), "-0.000000e+00");
  EXPECT_EQ(fast_fixed(-0.0, 1, 8), "    -0.0");
  EXPECT_EQ(fast_exponent(-nan), "-nan");
}

TEST(TextFormat, TiesRoundHalfToEven) {
  // Halfway cases that are exact in binary.
  for (int k = -4096; k <= 4096; ++k) {
    expect_same(k / 2.0);
    expect_same(k / 8.0);
    expect_same(k / 128.0);
    expect_same(k / 2048.0);
    expect_same(k * 1000000.5);
  }
}

TEST(TextFormat, MillionsOfValuesOverEveryMagnitude) {
  std::mt19937_64 generator(20261208);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> decade(-20, 20);
  for (int i = 0; i < 1000000; ++i) {
    const double v =
        mantissa(generator) * std::pow(10.0, decade(generator)) * (generator() & 1 ? -1.0 : 1.0);
    expect_same(v);
  }
  // Arbitrary bit patterns, NaNs and infinities included.
  for (int i = 0; i < 300000; ++i) {
    const std::uint64_t bits = generator();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    expect_same(v);
  }
  // Typical result values: rounded times, frequencies, powers, coefficients.
  for (int i = 0; i < 100000; ++i) {
    expect_same(static_cast<double>(static_cast<float>(i * 128 / 16000.0 * 1000.0)));
    expect_same(i * (16000.0 / 512.0));
    expect_same(10.0 * std::log10(static_cast<double>(i) + 0.5));
  }
}

TEST(TextFormat, LongsRightAligned) {
  for (long v : {0L, 7L, 128L, 99999L, 100000L, 123456789L, -5L, -99999L}) {
    char buffer[FORMAT_MAX_CHARS];
    char expected[64];
    std::snprintf(expected, sizeof expected, "%5ld", v);
    EXPECT_EQ(std::string(buffer, put_long(buffer, v, 5)), expected);
  }
}

}  // namespace
