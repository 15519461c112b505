#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "lpc/lpc_func.h"
#include "spectrum/pws_func.h"
#include "support/library_error.h"

namespace {

constexpr int FS_HZ = 12000;
constexpr int MAX_POINTS = 4096 / 2 + 1;

std::vector<double> random_frame(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> dist(-1000.0, 1000.0);
  std::vector<double> v(static_cast<std::size_t>(n));
  for (double& x : v) x = dist(gen);
  return v;
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b, int count) {
  return std::memcmp(a.data(), b.data(), static_cast<std::size_t>(count) * sizeof(double)) == 0;
}

std::string caution(const char* name, int count, int n) {
  return std::string("CAUTION: ") + name + ": number of data " + std::to_string(count) +
         " is not power of 2.\n"
         "                  zero added to the tail of data.\n"
         "                  number of data is increased to " +
         std::to_string(n) +
         " \n"
         "<<< Please check whether the caller has enough memory\n"
         "    for the number of spectral samples.>>>\n\n";
}

struct Spectrum {
  // One element more than any spectrum, to see writes past N/2.
  std::vector<double> freq = std::vector<double>(MAX_POINTS + 1, -1.0);
  std::vector<double> power = std::vector<double>(MAX_POINTS + 1, -1.0);
  int count = 0;
  std::string err;  // the lines the call appended to its messages
};

Spectrum fft_spectrum(const std::vector<double>& frame, int n) {
  Spectrum s;
  s.count = fft_pws(frame, n, FS_HZ, s.freq, s.power, s.err);
  return s;
}

Spectrum lpc_spectrum(const std::vector<double>& a, double gain, int p, int count) {
  Spectrum s;
  s.count = lpc_pws(a, gain, p, count, FS_HZ, s.freq, s.power, s.err);
  return s;
}

void expect_same(const Spectrum& got, const Spectrum& want, const std::string& what) {
  EXPECT_EQ(got.count, want.count) << what;
  EXPECT_EQ(got.err, want.err) << what;
  EXPECT_TRUE(same_bits(got.freq, want.freq, MAX_POINTS + 1)) << what;
  EXPECT_TRUE(same_bits(got.power, want.power, MAX_POINTS + 1)) << what;
}

TEST(FftPws, PointsAndFrequencyGrid) {
  struct Case {
    int n;
    int points;
    double spacing;  // [Hz]
    bool warns;
  };
  const Case cases[] = {
      {256, 129, 46.875, false},
      {300, 257, 12000.0 / 512, true},
      {2, 2, 6000.0, false},
      {4096, 2049, 12000.0 / 4096, false},
  };
  for (const Case& c : cases) {
    const Spectrum s = fft_spectrum(random_frame(c.n, 1), c.n);
    EXPECT_EQ(s.count, c.points) << c.n;
    EXPECT_EQ(s.err, c.warns ? caution("fft_pws", c.n, 512) : "") << c.n;
    for (int i = 0; i < s.count; ++i) EXPECT_EQ(s.freq[i], i * c.spacing) << c.n << ", " << i;
    EXPECT_EQ(s.freq[s.count - 1], 6000.0) << c.n;
    EXPECT_EQ(s.freq[s.count], -1.0) << "written past N/2 for n = " << c.n;
  }
}

TEST(FftPws, PowerOfTheUnscaledDft) {
  // 256 points against a direct DFT (true 2 pi): agreement to 1e-9 dB, far
  // below any printed digit.
  const int n = 256;
  const std::vector<double> frame = random_frame(n, 2);
  const Spectrum s = fft_spectrum(frame, n);
  for (int k = 0; k <= n / 2; ++k) {
    long double sr = 0.0L, si = 0.0L;
    for (int j = 0; j < n; ++j) {
      const long double angle = 2.0L * std::numbers::pi_v<long double> * ((j * k) % n) / n;
      sr += frame[j] * std::cos(angle);
      si -= frame[j] * std::sin(angle);
    }
    const double expect = 10.0 * std::log10(static_cast<double>(sr * sr + si * si));
    EXPECT_NEAR(s.power[k], expect, 1e-9) << k;
  }
  // Two points by hand: X = (1 + 3, 1 - 3).
  const Spectrum two = fft_spectrum({1.0, 3.0}, 2);
  EXPECT_EQ(two.power[0], 10.0 * std::log10(16.0));
  EXPECT_EQ(two.power[1], 10.0 * std::log10(4.0));
}

TEST(FftPws, TailIsZeroPadded) {
  // 300 samples in a longer array: only the first 300 enter, as if the rest
  // were zero.
  std::vector<double> frame = random_frame(300, 3);
  std::vector<double> padded = frame;
  padded.resize(512, 0.0);
  frame.resize(600, 1e6);
  const Spectrum s = fft_spectrum(frame, 300);
  const Spectrum ref = fft_spectrum(padded, 512);
  EXPECT_TRUE(same_bits(s.power, ref.power, 257));
}

TEST(FftPws, ZeroFrameGivesMinusInfinity) {
  const Spectrum s = fft_spectrum(std::vector<double>(256, 0.0), 256);
  for (int i = 0; i < s.count; ++i) {
    EXPECT_EQ(s.power[i], -std::numeric_limits<double>::infinity()) << i;
  }
}

TEST(LpcPws, FlatModelGivesTheGain) {
  std::vector<double> a(15, 0.0);
  a[0] = 1.0;
  for (const auto& [gain, db] : {std::pair{1.0, 0.0}, std::pair{100.0, 20.0}}) {
    const Spectrum s = lpc_spectrum(a, gain, 14, 256);
    ASSERT_EQ(s.count, 129);
    EXPECT_EQ(s.err, "");
    for (int i = 0; i < s.count; ++i) {
      EXPECT_EQ(s.freq[i], i * 46.875);
      EXPECT_DOUBLE_EQ(s.power[i], db) << "gain " << gain << ", point " << i;
    }
  }
}

TEST(LpcPws, DoubleZeroAtPointNineFallsMonotonically) {
  const Spectrum s = lpc_spectrum({1.0, -1.8, 0.81}, 1.0, 2, 300);
  ASSERT_EQ(s.count, 257);
  EXPECT_EQ(s.err, caution("lpc_pws", 300, 512));
  for (int i = 1; i < s.count; ++i) EXPECT_LT(s.power[i], s.power[i - 1]) << i;
  // |A|^2 = (1 - 0.9)^4 at 0 Hz and (1 + 0.9)^4 at fs/2.
  EXPECT_NEAR(s.power[0], -10.0 * std::log10(std::pow(0.1, 4)), 1e-9);
  EXPECT_NEAR(s.power[256], -10.0 * std::log10(std::pow(1.9, 4)), 1e-9);
}

TEST(LpcPws, ZeroOfTheModelOnABinGivesPlusInfinity) {
  const Spectrum s = lpc_spectrum({1.0, -1.0}, 1.0, 1, 8);  // A(1) = 0
  EXPECT_EQ(s.power[0], std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isfinite(s.power[1]));
}

TEST(LpcPws, OrderFillingTheWholeBufferIsAccepted) {
  std::vector<double> a = random_frame(16, 4);
  a[0] = 1.0;
  EXPECT_EQ(lpc_spectrum(a, 2.0, 15, 16).count, 9);
}

TEST(LpPws, SameBitsAsAutocorDurbAndLpcPws) {
  struct Case {
    int n;
    int p;
    bool zero_frame;  // durb meets a zero energy and stops early
  };
  for (const Case& c :
       {Case{256, 14, false}, Case{300, 20, false}, Case{16, 1, false}, Case{64, 8, true}}) {
    const std::vector<double> frame =
        c.zero_frame ? std::vector<double>(c.n, 0.0) : random_frame(c.n, 5);
    std::vector<double> r(c.p + 1, 0.0), k(c.p, 0.0), a(c.p + 1, 0.0);
    autocor(frame, r, c.n, c.p);
    const double gain = durb(r, k, a, c.p);
    const Spectrum want = lpc_spectrum(a, gain, c.p, c.n);

    Spectrum got;
    got.count = lp_pws(frame, c.n, c.p, FS_HZ, got.freq, got.power, got.err);
    EXPECT_EQ(got.err, c.n == 300 ? caution("lp_pws", 300, 512) : "");
    got.err = want.err;  // the operation names differ
    expect_same(got, want, "n = " + std::to_string(c.n));
  }
}

// The workspace variants against the allocating ones: every transform length
// of the program, powers of two or not, with one workspace carried through
// calls of changing length, so that stale data or twiddles would show.
TEST(SpectrumWork, SameOutputAsThePlainOperations) {
  const int lengths[] = {2,    4,    8,   16,  32, 64,   128, 256, 512,  1024,
                         2048, 4096, 300, 256, 3,  4096, 17,  2,   1000, 256};
  SpectrumWork work;
  int seed = 10;
  for (int n : lengths) {
    const std::vector<double> frame = random_frame(n, ++seed);
    const Spectrum want = fft_spectrum(frame, n);
    Spectrum got;
    got.count = fft_pws_work(frame, n, FS_HZ, got.freq, got.power, work, got.err);
    expect_same(got, want, "fft, n = " + std::to_string(n));

    const int p = std::min(n - 1, 20);
    std::vector<double> a = random_frame(p + 1, ++seed);
    a[0] = 1.0;
    const Spectrum want_lpc = lpc_spectrum(a, 3.5, p, n);
    Spectrum got_lpc;
    got_lpc.count =
        lpc_pws_work(a, 3.5, p, n, FS_HZ, got_lpc.freq, got_lpc.power, work, got_lpc.err);
    expect_same(got_lpc, want_lpc, "lpc, n = " + std::to_string(n));
  }
}

TEST(PwsErrors, FewerThanTwoPointsIsRefused) {
  std::string messages;
  std::vector<double> frame(8, 1.0), freq(8), power(8);
  for (int n : {1, 0, -3}) {
    EXPECT_LIBRARY_ERROR(fft_pws(frame, n, FS_HZ, freq, power, messages),
                         "^error: fft_pws: number of data is smaller than 2\\.\n$");
    EXPECT_LIBRARY_ERROR(lpc_pws(frame, 1.0, 0, n, FS_HZ, freq, power, messages),
                         "^error: lpc_pws: number of data is smaller than 2\\.\n$");
    EXPECT_LIBRARY_ERROR(lp_pws(frame, n, 2, FS_HZ, freq, power, messages),
                         "^error: lp_pws: number of data is smaller than 2\\.\n$");
    SpectrumWork work;
    EXPECT_LIBRARY_ERROR(fft_pws_work(frame, n, FS_HZ, freq, power, work, messages),
                         "^error: fft_pws: number of data is smaller than 2\\.\n$");
  }
}

TEST(PwsErrors, OrderBeyondTheTransformIsRefused) {
  std::string messages;
  std::vector<double> a(21, 0.0), freq(MAX_POINTS), power(MAX_POINTS);
  a[0] = 1.0;
  EXPECT_LIBRARY_ERROR(lpc_pws(a, 1.0, 20, 16, FS_HZ, freq, power, messages),
                       "^error: lpc_pws: LPC order 20 needs 21 points at least\\.\n$");
  SpectrumWork work;
  EXPECT_LIBRARY_ERROR(lpc_pws_work(a, 1.0, 16, 16, FS_HZ, freq, power, work, messages),
                       "^error: lpc_pws: LPC order 16 needs 17 points at least\\.\n$");
  const std::vector<double> frame = random_frame(16, 6);
  EXPECT_LIBRARY_ERROR(lp_pws(frame, 16, 20, FS_HZ, freq, power, messages),
                       "^error: lp_pws: LPC order 20 needs 21 points at least\\.\n$");
  EXPECT_LIBRARY_ERROR(lp_pws(frame, 16, 0, FS_HZ, freq, power, messages),
                       "^error: lp_pws: LPC order 0 is out of range\\.\n$");
}

TEST(PwsErrors, ShortArraysAreNeverOverrun) {
  std::string messages;
  std::vector<double> frame(256, 1.0), freq(MAX_POINTS), power(MAX_POINTS), short_out(128);
  EXPECT_LIBRARY_ERROR(fft_pws(frame, 256, FS_HZ, short_out, power, messages),
                       "^error: fft_pws: arrays too short for the spectrum\\.\n$");
  EXPECT_LIBRARY_ERROR(fft_pws(frame, 300, FS_HZ, freq, power, messages),
                       "error: fft_pws: arrays too short for the spectrum\\.\n$");
  EXPECT_LIBRARY_ERROR(
      lpc_pws(std::vector<double>(3, 0.0), 1.0, 4, 256, FS_HZ, freq, power, messages),
      "^error: lpc_pws: arrays too short for the spectrum\\.\n$");
}

}  // namespace
