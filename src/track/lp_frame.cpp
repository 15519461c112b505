#include "track/lp_frame.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "lpc/complex.h"
#include "lpc/laguer.h"
#include "lpc/lpc_func.h"
#include "lpc/zroots.h"

namespace {

constexpr double TWO_PI = 6.283185307179586;  // nearest double to 2 pi
constexpr double PI = 3.141592653589793;      // nearest double to pi

// Candidates keep this distance from 0 Hz and from the ceiling [Hz].
constexpr double CANDIDATE_MARGIN = 50.0;

// A root wider than this is no resonance and no candidate [Hz].
constexpr double CANDIDATE_MAX_BANDWIDTH = 1500.0;

// Gaussian window: exp(-GAUSS_WIDTH x^2) with x the distance from the
// centre in units of the window span; the edges exp(-GAUSS_WIDTH / 4).
constexpr double GAUSS_WIDTH = 48.0;

constexpr int MAX_ORDER = 2 * vocana::MAX_TRACK_FORMANTS;

}  // namespace

void make_window(vocana::WindowShape shape, std::span<double> w) {
  const auto n = static_cast<double>(w.size());
  const double mid = 0.5 * (n - 1.0);
  if (shape == vocana::WindowShape::hamming) {
    for (std::size_t i = 0; i < w.size(); ++i)
      w[i] = 0.54 - 0.46 * std::cos(TWO_PI * static_cast<double>(i) / (n - 1.0));
    return;
  }
  const double edge = std::exp(-GAUSS_WIDTH / 4.0);
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double x = (static_cast<double>(i) - mid) / (n + 1.0);
    w[i] = (std::exp(-GAUSS_WIDTH * x * x) - edge) / (1.0 - edge);
  }
}

bool burg_lpc(std::span<const double> x, std::span<double> a, int p, std::span<double> work) {
  // Forward and backward prediction errors, and the previous order's
  // coefficients; the predictor x[j] ~ sum c[i] x[j - i] is kept as c = -a.
  const int n = static_cast<int>(x.size());
  double* const f = work.data();
  double* const b = work.data() + n;
  double* const old = work.data() + 2 * n;
  for (int j = 0; j < n; ++j) {
    f[j] = x[j];
    b[j] = x[j];
  }
  std::fill(a.begin(), a.begin() + p + 1, 0.0);
  a[0] = 1.0;
  // Order m pairs f[j] with b[j - 1], j = m..n-1; b is stored shifted so
  // that b[q] holds the backward error of sample q + m - 1 at order m.
  for (int m = 1; m <= p; ++m) {
    const int len = n - m;
    double* const fm = f + m;
    // Four partial sums in turn, added at the end: the sums do not wait on
    // each other, and the order of the additions stays fixed.
    std::array<double, 4> num4{};
    std::array<double, 4> den4{};
    int q = 0;
    for (; q + 4 <= len; q += 4) {
      for (int u = 0; u < 4; ++u) {
        num4[u] += fm[q + u] * b[q + u];
        den4[u] += fm[q + u] * fm[q + u] + b[q + u] * b[q + u];
      }
    }
    for (int u = 0; q < len; ++q, ++u) {
      num4[u] += fm[q] * b[q];
      den4[u] += fm[q] * fm[q] + b[q] * b[q];
    }
    const double num = (num4[0] + num4[1]) + (num4[2] + num4[3]);
    const double den = (den4[0] + den4[1]) + (den4[2] + den4[3]);
    if (!(den > 0.0)) return false;
    const double k = 2.0 * num / den;
    for (int i = 0; i <= m; ++i) old[i] = a[i];
    for (int i = 1; i < m; ++i) a[i] = old[i] - k * old[m - i];
    a[m] = -k;
    // f and b never overlap; saying so lets the compiler pair the updates.
    double* __restrict const fu = fm;
    double* __restrict const bu = b;
    for (int q = 0; q < len; ++q) {
      const double fq = fu[q];
      const double bq = bu[q];
      fu[q] = fq - k * bq;
      bu[q] = bq - k * fq;
    }
  }
  return true;
}

bool autocorrelation_lpc(std::span<const double> x, std::span<double> a, int p,
                         std::span<double> work) {
  std::span<double> r = work.subspan(0, p + 1);
  std::span<double> k = work.subspan(p + 1, p + 1);
  autocor(x, r, static_cast<int>(x.size()), p);
  if (!(r[0] > 0.0)) return false;
  std::fill(a.begin(), a.begin() + p + 1, 0.0);
  durb(r, k, a, p);
  return true;
}

int lp_candidates(std::span<const double> a, int p, double fs, double ceiling,
                  std::span<Candidate> out, RootSeeds& seeds) {
  // z^p A(z): the coefficient of z^i is a[p - i].
  std::array<Cnum, MAX_ORDER + 1> polynomial{};
  std::array<Cnum, MAX_ORDER + 1> roots{};
  for (int i = 0; i <= p; ++i) polynomial[i] = Complex(a[p - i], 0.0);
  const std::span<const Cnum> coefficients(polynomial.data(), p + 1);
  const std::span<Cnum> found(roots.data(), p + 1);
  const bool warm = seeds.p == p;
  seeds.p = 0;  // stays so if the root finder throws
  if (warm) {
    deflate_roots(coefficients, p, found, seeds.root);
  } else {
    zroots(coefficients, p, found, 0);
  }
  seeds.root = roots;
  seeds.p = p;
  int count = 0;
  const int room = static_cast<int>(out.size());
  for (int j = 1; j <= p && count < room; ++j) {
    Cnum z = roots[j];
    if (!(z.i > 0.0)) continue;
    double radius = Cabs(z);
    if (radius > 1.0) {  // reflect into the unit circle: same spectrum shape
      z = Complex(z.r / (radius * radius), z.i / (radius * radius));
      radius = 1.0 / radius;
    }
    const double f = std::atan2(z.i, z.r) * fs / TWO_PI;
    const double b = -std::log(radius) * fs / PI;
    if (f <= CANDIDATE_MARGIN || f >= ceiling - CANDIDATE_MARGIN || b > CANDIDATE_MAX_BANDWIDTH)
      continue;
    out[count++] = Candidate{f, b};
  }
  std::sort(out.begin(), out.begin() + count,
            [](const Candidate& l, const Candidate& r) { return l.f < r.f; });
  return count;
}
