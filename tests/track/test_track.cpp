// The formant tracker as a library: known formants of synthetic vowels, the
// silence rule, the reading at given times, the warm-started root finder
// against zroots, the labelling of spurious candidates, and the settings.
#include <gtest/gtest.h>
#include <vocana/error.h>
#include <vocana/track.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "lpc/zroots.h"
#include "track/lp_frame.h"
#include "track/track_signals.h"
#include "track/tracker.h"

namespace {

using track_test::vowel;

// Largest error of a formant in the middle of a steady synthetic vowel [%]:
// LP pulls a low F1 up to 5 % towards the nearest harmonic of a 120 Hz voice.
constexpr double STEADY_TOLERANCE_PERCENT = 6.0;

// Median of track i over the frames between the times lo and hi [s].
double median_track(const vocana::FormantTracks& t, int i, double lo, double hi) {
  std::vector<double> v;
  for (std::size_t j = 0; j < t.time.size(); ++j)
    if (t.time[j] >= lo && t.time[j] <= hi) v.push_back(t.frequency[j * t.formants + i]);
  for (double x : v)
    if (std::isnan(x)) return NAN;
  std::sort(v.begin(), v.end());
  return v.empty() ? NAN : v[v.size() / 2];
}

TEST(TrackFormants, SteadyVowelsAtCommonRatesAndBothMethods) {
  const std::vector<std::vector<double>> vowels = {
      {730, 1090, 2440, 3400, 4500}, {270, 2290, 3010, 3700, 4600}, {300, 870, 2240, 3300, 4400}};
  for (int rate : {16000, 44100}) {
    for (const auto& f : vowels) {
      for (auto method : {vocana::LpMethod::autocorrelation, vocana::LpMethod::burg}) {
        vocana::TrackSettings s;
        s.method = method;
        const auto t = vocana::track_formants(vowel(rate, rate * 4 / 10, 120.0, f), rate, s);
        for (int i = 0; i < 3; ++i) {
          const double got = median_track(t, i, 0.1, 0.3);
          EXPECT_NEAR(got, f[i], f[i] * STEADY_TOLERANCE_PERCENT / 100.0)
              << "F" << i + 1 << " rate " << rate << " method " << static_cast<int>(method);
        }
      }
    }
  }
}

TEST(TrackFormants, FramesAreCentredInTheSpanAndFollowAGlide) {
  const int rate = 16000;
  vocana::TrackSettings s;
  s.start = 0.1;
  s.end = 0.6;
  const auto x =
      vowel(rate, rate * 7 / 10, 110.0, {730, 1090, 2440, 3400}, {270, 2290, 3010, 3700});
  const auto t = vocana::track_formants(x, rate, s);
  // 0.5 s of span, 0.05 s window: 91 frames every 5 ms, centred.
  ASSERT_EQ(t.time.size(), 91u);
  EXPECT_NEAR(t.time.front(), 0.125, 1e-12);
  EXPECT_NEAR(t.time.back(), 0.575, 1e-12);
  // F2 rises with the glide: 1090 + (2290 - 1090) * time / 0.7.
  for (double at : {0.2, 0.35, 0.5}) {
    const double expected = 1090.0 + 1200.0 * at / 0.7;
    EXPECT_NEAR(median_track(t, 1, at - 0.01, at + 0.01), expected, expected * 0.05) << at;
  }
}

TEST(TrackFormants, SilenceAndQuietFramesKeepTheirRowsWithoutFormants) {
  const int rate = 16000;
  auto x = vowel(rate, rate / 2, 120.0, {500, 1500, 2500, 3500});
  for (int n = rate / 4; n < rate / 2; ++n)
    x[n] = n < rate * 3 / 8 ? 0.0 : x[n] * 1e-3;  // silence, then -60 dB
  const auto t = vocana::track_formants(x, rate, vocana::TrackSettings{});
  for (std::size_t j = 0; j < t.time.size(); ++j) {
    if (t.time[j] > 0.28 && t.time[j] < 0.35) {
      EXPECT_TRUE(std::isinf(t.intensity[j]) && t.intensity[j] < 0) << t.time[j];
      EXPECT_TRUE(std::isnan(t.frequency[j * t.formants])) << t.time[j];
    }
    if (t.time[j] > 0.4) {
      EXPECT_NEAR(t.intensity[j], t.intensity[10] - 60.0, 3.0) << t.time[j];
      EXPECT_TRUE(std::isnan(t.frequency[j * t.formants])) << t.time[j];
    }
    if (t.time[j] < 0.2) {
      EXPECT_FALSE(std::isnan(t.frequency[j * t.formants])) << t.time[j];
    }
  }
  EXPECT_EQ(t.failed_frames, 0);
}

TEST(TrackFormants, RefusesASpanShorterThanTheWindowAndBadSettings) {
  const std::vector<double> x(700, 0.1);  // 43.75 ms at 16 kHz, the window spans 50 ms
  try {
    vocana::track_formants(x, 16000, vocana::TrackSettings{});
    FAIL() << "no error";
  } catch (const vocana::Error& e) {
    EXPECT_EQ(e.kind(), vocana::ErrorKind::analysis);
    EXPECT_STREQ(
        e.what(),
        "0.044 s of sound is shorter than one analysis window (0.050 s, twice --window)\n");
  }
  vocana::TrackSettings s;
  s.formants = 11;
  EXPECT_THROW(vocana::check_track_settings(s), vocana::Error);
  s = {};
  s.step = 0.0;
  EXPECT_THROW(vocana::check_track_settings(s), vocana::Error);
  s = {};
  s.end = 0.0;  // not after the start
  EXPECT_THROW(vocana::check_track_settings(s), vocana::Error);
}

TEST(TracksAtTimes, InterpolatesBetweenFramesAndLeavesGapsOpen) {
  vocana::FormantTracks t;
  t.formants = 1;
  t.time = {0.10, 0.11, 0.12};
  t.frequency = {500.0, 600.0, NAN};
  t.bandwidth = {50.0, 70.0, NAN};
  t.intensity = {-20.0, -10.0, -30.0};
  const std::vector<double> at = {0.105, 0.11, 0.115, 0.096, 0.09, 0.124};
  const auto r = vocana::tracks_at_times(t, at);
  EXPECT_NEAR(r.frequency[0], 550.0, 1e-9);
  EXPECT_NEAR(r.bandwidth[0], 60.0, 1e-9);
  EXPECT_NEAR(r.intensity[0], -15.0, 1e-9);
  EXPECT_EQ(r.frequency[1], 600.0);         // on a frame whose neighbour has none
  EXPECT_TRUE(std::isnan(r.frequency[2]));  // between a value and none
  EXPECT_EQ(r.frequency[3], 500.0);         // within half a step before the first frame
  EXPECT_TRUE(std::isnan(r.frequency[4]));
  EXPECT_TRUE(std::isnan(r.intensity[4]));
  EXPECT_EQ(r.intensity[5], -30.0);
}

// Agreement of the candidates with the exact roots [Hz]: neither root finder
// polishes the roots of the deflated polynomials, and close wide roots are
// ill-conditioned (errors of tenths of a hertz, far below the analysis's).
constexpr double ROOT_AGREEMENT_HZ = 1.0;

// Started from the previous frame's roots or from 0 (zroots), the candidates
// are the exact roots of random products of five resonators.
TEST(LpCandidates, WarmAndColdStartsFindTheExactRoots) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  const double fs = 11000.0, ceiling = 5500.0;
  RootSeeds seeds;
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<double> a = {1.0};
    std::vector<Candidate> exact;
    for (int k = 0; k < 5; ++k) {
      const double r = 0.8 + 0.19 * uniform(random);
      const double w = M_PI * (0.02 + 0.95 * uniform(random));
      const double f = w * fs / (2.0 * M_PI);
      if (f > 50.0 && f < ceiling - 50.0) exact.push_back({f, -std::log(r) * fs / M_PI});
      std::vector<double> next(a.size() + 2, 0.0);
      for (std::size_t i = 0; i < a.size(); ++i) {
        next[i] += a[i];
        next[i + 1] += -2.0 * r * std::cos(w) * a[i];
        next[i + 2] += r * r * a[i];
      }
      a = next;
    }
    std::sort(exact.begin(), exact.end(), [](Candidate l, Candidate r) { return l.f < r.f; });
    Candidate warm[5], cold[5];
    RootSeeds none;
    const int n_warm = lp_candidates(a, 10, fs, ceiling, warm, seeds);  // seeds: the last trial's
    const int n_cold = lp_candidates(a, 10, fs, ceiling, cold, none);
    ASSERT_EQ(n_warm, static_cast<int>(exact.size())) << trial;
    ASSERT_EQ(n_cold, static_cast<int>(exact.size())) << trial;
    for (std::size_t k = 0; k < exact.size(); ++k) {
      EXPECT_NEAR(warm[k].f, exact[k].f, ROOT_AGREEMENT_HZ) << trial;
      EXPECT_NEAR(warm[k].b, exact[k].b, ROOT_AGREEMENT_HZ) << trial;
      EXPECT_NEAR(cold[k].f, exact[k].f, ROOT_AGREEMENT_HZ) << trial;
      EXPECT_NEAR(cold[k].b, exact[k].b, ROOT_AGREEMENT_HZ) << trial;
    }
  }
}

// A wide spurious candidate between F2 and F3 is left out, and a track is
// left empty only above the last labelled one.
TEST(TrackCandidates, LeavesOutAWideSpuriousCandidate) {
  const int frames = 20, n = 5;
  std::vector<Candidate> cand(frames * n);
  std::vector<int> count(frames, 5);
  for (int t = 0; t < frames; ++t) {
    const Candidate c[5] = {{340, 60}, {900, 70}, {2230, 120}, {2650, 1200}, {3320, 130}};
    for (int k = 0; k < 5; ++k) cand[t * n + k] = c[k];
  }
  std::vector<double> f(frames * n), b(frames * n);
  track_candidates(cand, count, n, 5500.0, f, b);
  for (int t = 0; t < frames; ++t) {
    EXPECT_EQ(f[t * n + 0], 340);
    EXPECT_EQ(f[t * n + 1], 900);
    EXPECT_EQ(f[t * n + 2], 2230);
    EXPECT_EQ(f[t * n + 3], 3320);
    EXPECT_TRUE(std::isnan(f[t * n + 4]));
  }
}

}  // namespace
