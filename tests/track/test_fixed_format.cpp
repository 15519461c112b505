// The tables' number text against snprintf("%.*f"), byte for byte, over many
// values: random magnitudes, exact ties in binary, and values a hair either
// side of a decimal half.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "track/fixed_format.h"

namespace {

std::string by_printf(double x, int decimals) {
  char text[512];
  std::snprintf(text, sizeof text, "%.*f", decimals, x);
  return text;
}

std::string by_fixed(double x, int decimals) {
  std::string out;
  append_fixed(out, x, decimals);
  return out;
}

TEST(FixedFormat, WritesWhatPrintfWrites) {
  std::mt19937_64 random(20240807);
  std::uniform_real_distribution<double> exponent(-8.0, 13.0);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> values = {
      0.0,  -0.0,          0.5,    1.5,   2.5,     -0.5,      0.125,    0.005,     0.015, 0.025,
      1e12, 123456789.125, -0.001, -1e-9, 999.995, 0.0000005, INFINITY, -INFINITY, NAN};
  for (int k = 0; k < 300000; ++k) {
    const double x = std::pow(10.0, exponent(random)) * (unit(random) < 0.3 ? -1.0 : 1.0);
    values.push_back(x);
    // A value with a half in the last decimal, and its neighbours.
    const double half = (std::floor(x * 100.0) + 0.5) / 100.0;
    values.push_back(half);
    values.push_back(std::nextafter(half, INFINITY));
    values.push_back(std::nextafter(half, -INFINITY));
  }
  for (double x : values)
    for (int decimals : {0, 2, 6})
      ASSERT_EQ(by_fixed(x, decimals), by_printf(x, decimals)) << x << " %." << decimals << "f";
}

}  // namespace
