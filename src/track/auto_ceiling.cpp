// The automatic ceiling, in the manner of Barreda's FastTrack (2021): the
// sound is analysed at several ceilings, and the analysis whose F1..F3
// tracks follow smooth curves most closely is kept. Smoothness alone hardly
// tells the ceilings apart on steady vowels (every one gives smooth tracks),
// so it is joined by how well F3 and F4 fit the resonances of the uniform
// tube each ceiling stands for: a vocal tract length estimate. On the
// benchmark's synthetic voices the two together pick about 5000 Hz for men,
// 6000 for women and 6400 for children (bench/README.md).
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include "track/analysis.h"

namespace {

// Longest stretch of frames one cubic is fitted to [s].
constexpr double CUBIC_STRETCH_S = 0.5;

// Fewest frames a stretch needs for a fit; shorter ones count as missing.
constexpr int CUBIC_MIN_FRAMES = 8;

// Cost of a frame that has formants but lacks one of F1..F3 (as a residual
// of ln F: a miss counts like a 20 % deviation).
constexpr double MISSING_COST = 0.2;

// Formants whose smoothness counts: F1..F3.
constexpr int SMOOTH_FORMANTS = 3;

// Formants compared with the tube's resonances (F3, F4), and the weight of
// that comparison against the smoothness.
constexpr int TUBE_FIRST = 3;
constexpr int TUBE_LAST = 4;
constexpr double TUBE_WEIGHT = 0.5;

// Deviation counted for a frame where F3 or F4 is missing (|ln| of e).
constexpr double TUBE_MISSING_COST = 1.0;

// Sum of |residual| of the least-squares cubic through (u[k], v[k]).
double cubic_residual(const double* u, const double* v, int m) {
  // Normal equations G c = h of the basis 1, u, u^2, u^3.
  std::array<std::array<double, 5>, 4> g{};
  for (int k = 0; k < m; ++k) {
    const double powers[4] = {1.0, u[k], u[k] * u[k], u[k] * u[k] * u[k]};
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) g[r][c] += powers[r] * powers[c];
      g[r][4] += powers[r] * v[k];
    }
  }
  // Gaussian elimination with partial pivoting.
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(g[r][col]) > std::fabs(g[pivot][col])) pivot = r;
    std::swap(g[col], g[pivot]);
    if (g[col][col] == 0.0) return 0.0;
    for (int r = col + 1; r < 4; ++r) {
      const double f = g[r][col] / g[col][col];
      for (int c = col; c < 5; ++c) g[r][c] -= f * g[col][c];
    }
  }
  std::array<double, 4> coef{};
  for (int r = 3; r >= 0; --r) {
    double s = g[r][4];
    for (int c = r + 1; c < 4; ++c) s -= g[r][c] * coef[c];
    coef[r] = s / g[r][r];
  }
  double sum = 0.0;
  for (int k = 0; k < m; ++k) {
    const double fit = coef[0] + u[k] * (coef[1] + u[k] * (coef[2] + u[k] * coef[3]));
    sum += std::fabs(v[k] - fit);
  }
  return sum;
}

}  // namespace

double ceiling_cost(const vocana::FormantTracks& tracks) {
  const int n = tracks.formants;
  const std::size_t frames = tracks.time.size();
  const double step = frames > 1 ? tracks.time[1] - tracks.time[0] : 1.0;
  const auto longest =
      static_cast<std::size_t>(std::max(CUBIC_STRETCH_S / step, 1.0 * CUBIC_MIN_FRAMES));
  std::vector<double> u(longest), v(longest);
  // Frames with any formant at all are the ones that should have F1..F3.
  auto voiced = [&](std::size_t t) {
    for (int i = 0; i < n; ++i)
      if (!std::isnan(tracks.frequency[t * n + i])) return true;
    return false;
  };
  double cost = 0.0;
  bool any = false;
  for (int i = 0; i < std::min(n, SMOOTH_FORMANTS); ++i) {
    double residual = 0.0;
    double points = 0.0;
    double missing = 0.0;
    std::size_t t = 0;
    while (t < frames) {
      if (std::isnan(tracks.frequency[t * n + i])) {
        if (voiced(t)) missing += 1.0;
        ++t;
        continue;
      }
      std::size_t m = 0;
      while (t + m < frames && m < longest && !std::isnan(tracks.frequency[(t + m) * n + i])) ++m;
      if (m < static_cast<std::size_t>(CUBIC_MIN_FRAMES)) {
        missing += static_cast<double>(m);
      } else {
        const double half = 0.5 * static_cast<double>(m - 1);
        for (std::size_t k = 0; k < m; ++k) {
          u[k] = (static_cast<double>(k) - half) / half;
          v[k] = std::log(tracks.frequency[(t + k) * n + i]);
        }
        residual += cubic_residual(u.data(), v.data(), static_cast<int>(m));
        points += static_cast<double>(m);
      }
      t += m;
    }
    if (points + missing == 0.0) continue;
    any = any || points > 0.0;
    cost += (residual + MISSING_COST * missing) / (points + missing);
  }
  if (!any) return std::numeric_limits<double>::infinity();
  // How far F3 and F4 lie from the resonances of the uniform tube the
  // ceiling stands for: (2i - 1) ceiling / 10 for Fi.
  double tube = 0.0;
  int tube_formants = 0;
  for (int i = TUBE_FIRST; i <= TUBE_LAST && i <= n; ++i) {
    const double nominal = (2.0 * i - 1.0) * tracks.ceiling / 10.0;
    double sum = 0.0;
    double points = 0.0;
    for (std::size_t t = 0; t < frames; ++t) {
      const double f = tracks.frequency[t * n + i - 1];
      if (std::isnan(f)) {
        if (voiced(t)) {
          sum += TUBE_MISSING_COST;
          points += 1.0;
        }
        continue;
      }
      sum += std::fabs(std::log(f / nominal));
      points += 1.0;
    }
    tube += points > 0.0 ? sum / points : TUBE_MISSING_COST;
    ++tube_formants;
  }
  if (tube_formants > 0) cost += TUBE_WEIGHT * tube / tube_formants;
  return cost;
}

vocana::FormantTracks analyse_auto_ceiling(std::span<const double> samples, int rate,
                                           const vocana::TrackSettings& settings, double end,
                                           const vocana::TrackProgress& progress) {
  std::vector<double> ceilings;
  for (double c = vocana::AUTO_CEILING_LOW; c <= vocana::AUTO_CEILING_HIGH + 1e-9;
       c += vocana::AUTO_CEILING_STEP) {
    ceilings.push_back(c);
  }

  const Frames grid = frame_grid(samples, rate, settings, settings.start, end);
  vocana::FormantTracks best;
  double best_cost = std::numeric_limits<double>::infinity();
  const double parts = static_cast<double>(ceilings.size());
  for (std::size_t k = 0; k < ceilings.size(); ++k) {
    vocana::TrackProgress part;
    if (progress) part = [&](double done) { progress((static_cast<double>(k) + done) / parts); };
    vocana::FormantTracks tracks =
        analyse_at_ceiling(resample_span(samples, rate, ceilings[k], settings.start, end), grid,
                           settings, ceilings[k], part);
    const double cost = ceiling_cost(tracks);
    if (k == 0 || cost < best_cost) {
      best_cost = cost;
      best = std::move(tracks);
    }
  }
  return best;
}
