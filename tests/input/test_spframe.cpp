// Span of speech above a threshold, and Hamming-windowed frames.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "input/spframe.h"

namespace {

const std::string FORWARD_FAILURE = "error: detect_sp_duration: forward scanning failure.\n";
const std::string BACKWARD_FAILURE = "error: detect_sp_duration: backward scanning failure.\n";
constexpr int UNSET = -7;

struct SpanCase {
  const char* what;
  int n;                     // samples in the sound
  std::vector<int> loud_at;  // indexes given the loud value, the rest are 0
  Sample loud;               // value put at those indexes
  int threshold;
  int min_len;
  int result, start, end;  // expected; UNSET: not written
  const std::string* err;  // expected standard error, nullptr: none
};

TEST(DetectSpDuration, Table) {
  const SpanCase cases[] = {
      {"T=0: every sample loud", 5, {}, 0, 0, 256, 5, 0, 4, nullptr},
      {"T=32768: -32768 is loud", 1000, {3, 999}, -32768, 32768, 256, 997, 3, 999, nullptr},
      {"T=32768: 32767 is quiet",
       1000,
       {3, 999},
       32767,
       32768,
       256,
       0,
       UNSET,
       UNSET,
       &FORWARD_FAILURE},
      {"T above 32768", 10, {0, 1, 2}, -32768, 32769, 1, 0, UNSET, UNSET, &FORWARD_FAILURE},
      {"all quiet", 1000, {}, 0, 1, 256, 0, UNSET, UNSET, &FORWARD_FAILURE},
      {"loud exactly at threshold", 10, {4}, -5, 5, 0, 1, 4, 4, nullptr},
      {"backward stops above start + L",
       1000,
       {100, 300},
       9,
       9,
       256,
       0,
       100,
       UNSET,
       &BACKWARD_FAILURE},
      {"end at start + L", 1000, {100, 356}, 9, 9, 256, 257, 100, 356, nullptr},
      {"end one short of start + L", 1000, {100, 355}, 9, 9, 256, 0, 100, UNSET, &BACKWARD_FAILURE},
      {"forward stops at n - L", 1000, {800}, 9, 9, 256, 0, UNSET, UNSET, &FORWARD_FAILURE},
      {"start at n - L, loud last", 1000, {744, 999}, 9, 9, 256, 256, 744, 999, nullptr},
      {"start at n - L, end missing", 1000, {744}, 9, 9, 256, 0, 744, UNSET, &BACKWARD_FAILURE},
      {"start one past n - L", 1000, {745, 999}, 9, 9, 256, 0, UNSET, UNSET, &FORWARD_FAILURE},
      {"n < L: ends loud", 100, {0, 99}, 9, 9, 256, 100, 0, 99, nullptr},
      {"n < L: only sample 0 examined", 100, {1, 99}, 9, 9, 256, 0, UNSET, UNSET, &FORWARD_FAILURE},
      {"n < L: start without end", 100, {0, 50}, 9, 9, 256, 0, 0, UNSET, &BACKWARD_FAILURE},
      {"n = 0", 0, {}, 0, 0, 256, 0, UNSET, UNSET, &FORWARD_FAILURE},
      {"L = 0: a single loud last sample", 10, {9}, 9, 9, 0, 1, 9, 9, nullptr},
      {"L < 0", 10, {9}, 9, 9, -2147483647 - 1, 1, 9, 9, nullptr},
      {"L at int max", 10, {0, 9}, 9, 9, 2147483647, 10, 0, 9, nullptr},
  };
  for (const SpanCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Sample> samples(static_cast<std::size_t>(c.n), 0);
    for (int k : c.loud_at) samples[static_cast<std::size_t>(k)] = c.loud;
    int start = UNSET;
    int end = UNSET;
    std::string err;
    const int result = detect_sp_duration(samples, c.n, c.threshold, c.min_len, start, end, err);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(start, c.start);
    EXPECT_EQ(end, c.end);
    EXPECT_EQ(err, c.err ? *c.err : "");
  }
}

TEST(DetectSpDuration, CountBeyondArrayReadsOnlyTheArray) {
  const std::vector<Sample> samples(10, 0);
  int start = UNSET;
  int end = UNSET;
  std::string messages;
  EXPECT_EQ(detect_sp_duration(samples, 1 << 30, 1, 0, start, end, messages), 0);
  EXPECT_EQ(messages, FORWARD_FAILURE);
}

std::vector<Sample> random_samples(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(-32768, 32767);
  std::vector<Sample> samples(n);
  for (Sample& s : samples) s = static_cast<Sample>(value(random));
  samples[0] = -32768;
  return samples;
}

TEST(GetFrameHmw, FitChecksAndUntouchedFrame) {
  const std::vector<Sample> samples = random_samples(1000, 1);
  struct Case {
    int last, first, n, result;
  };
  const Case cases[] = {
      {999, -1, 256, -1},  {999, 744, 256, 256}, {999, 745, 256, 0}, {500, 245, 256, 256},
      {500, 246, 256, 0},  {999, 0, 1, 1},       {999, 999, 1, 1},   {-1, 0, 1, 0},
      {2000, 900, 256, 0},  // a last index past the sound: the frame would leave it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.last << " " << c.first << " " << c.n);
    std::vector<double> frame(MAX_FRAME_LENGTH, -123.0);
    EXPECT_EQ(get_frame_hmw(samples, c.last, c.first, c.n, frame), c.result);
    if (c.result != c.n) {
      EXPECT_EQ(frame, std::vector<double>(MAX_FRAME_LENGTH, -123.0));
    } else {
      EXPECT_EQ(frame[static_cast<std::size_t>(c.n)], -123.0);  // nothing past n
    }
  }
  std::vector<double> small(10);
  EXPECT_EQ(get_frame_hmw(samples, 999, 0, 11, small), 0);  // frame array too small
}

// Window values worked out separately (Python's math.cos over the same
// expression), bit for bit: the circle constant is 6.28318530717958, so
// points 1 and 255 of N = 256 differ in their last bits.
TEST(GetFrameHmw, KnownWindowValues) {
  std::vector<Sample> ones(4096, 1);
  std::vector<double> frame(4096);
  ASSERT_EQ(get_frame_hmw(ones, 4095, 0, 256, frame), 256);
  EXPECT_EQ(frame[0], 0x1.47ae147ae147cp-4);  // 0.54 - 0.46, about 0.08
  EXPECT_EQ(frame[1], 0x1.483f5a70d0d6cp-4);
  EXPECT_EQ(frame[128], 1.0);
  EXPECT_EQ(frame[255], 0x1.483f5a70d0d74p-4);
  ASSERT_EQ(get_frame_hmw(ones, 4095, 0, 300, frame), 300);
  EXPECT_EQ(frame[7], 0x1.5be48420f49a8p-4);

  const std::vector<Sample> extremes{-32768, 32767};
  ASSERT_EQ(get_frame_hmw(extremes, 1, 0, 1, frame), 1);
  EXPECT_EQ(frame[0], -32768.0 * 0x1.47ae147ae147cp-4);
  ASSERT_EQ(get_frame_hmw(extremes, 1, 1, 1, frame), 1);
  EXPECT_EQ(frame[0], 32767.0 * 0x1.47ae147ae147cp-4);
}

TEST(GetFrameWindowed, SameBitsAsGetFrameHmw) {
  const std::vector<Sample> samples = random_samples(10000, 42);
  for (int n : {1, 2, 255, 256, 300, 4096}) {
    SCOPED_TRACE(n);
    std::vector<double> window(static_cast<std::size_t>(n));
    hamming_window(n, window);
    for (int first : {0, 17, 10000 - n}) {
      std::vector<double> direct(static_cast<std::size_t>(n));
      std::vector<double> tabled(static_cast<std::size_t>(n));
      ASSERT_EQ(get_frame_hmw(samples, 9999, first, n, direct), n);
      ASSERT_EQ(get_frame_windowed(samples, 9999, first, n, window, tabled), n);
      EXPECT_EQ(std::memcmp(direct.data(), tabled.data(), direct.size() * sizeof(double)), 0);
    }
    std::vector<double> frame(static_cast<std::size_t>(n), -1.0);
    EXPECT_EQ(get_frame_windowed(samples, 9999, -1, n, window, frame), -1);
    EXPECT_EQ(get_frame_windowed(samples, 9999, 10001 - n, n, window, frame), 0);
    EXPECT_EQ(frame, std::vector<double>(static_cast<std::size_t>(n), -1.0));
  }
  std::vector<double> short_window(255);
  std::vector<double> frame(256);
  EXPECT_EQ(get_frame_windowed(samples, 9999, 0, 256, short_window, frame), 0);
}

}  // namespace
