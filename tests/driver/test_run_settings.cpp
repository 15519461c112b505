// Number conversion of the command line.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "driver/run_settings.h"

namespace {

TEST(ParseInt, ReadsLikeStrtolAndSaturates) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"14", 14},
      {"  +7", 7},
      {"-12abc", -12},
      {"abc", 0},
      {"", 0},
      {"0x10", 0},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"4294967310", INT_MAX},
      {"99999999999999999999999", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-2147483649", INT_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_int(c.text), c.value) << c.text;
}

TEST(ParseDouble, ReadsLikeStrtod) {
  EXPECT_EQ(parse_double("0.05"), 0.05);
  EXPECT_EQ(parse_double(" 20ms"), 20.0);
  EXPECT_EQ(parse_double("x"), 0.0);
  EXPECT_TRUE(std::isnan(parse_double("nan")));
  EXPECT_TRUE(std::isinf(parse_double("1e999")));
}

TEST(MsToPoints, DividesFirstThenTruncatesTowardZero) {
  const struct {
    int fs;
    double ms;
    int points;
  } cases[] = {
      {16000, 10.0, 160},      {12000, 0.05, 0},
      {12000, 20.0, 240},      {10000, 0.3, 3},
      {12000, -1.0, -12},      {12000, -0.05, 0},
      {12000, 1e300, INT_MAX}, {12000, -1e300, INT_MIN},
      {12000, NAN, INT_MIN},   {12000, INFINITY, INT_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(ms_to_points(c.fs, c.ms), c.points) << c.fs << " " << c.ms;
}

TEST(ResultStreams, OnlyFormantFrequenciesStartOpen) {
  const ResultStreams slots = default_result_streams();
  for (int s = 0; s < RESULT_STREAM_COUNT; ++s) {
    EXPECT_EQ(slots[s].file_name, nullptr);
    EXPECT_EQ(slots[s].stream, s == SLOT_FORMANTS ? stdout : nullptr) << s;
  }
  EXPECT_STREQ(slots[SLOT_TILT].label, "spectral tilts [db/oct] at 1 kHz");
}

}  // namespace
