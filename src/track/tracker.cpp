#include "track/tracker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace {

// Weights of the costs (each term is dimensionless).
constexpr double BANDWIDTH_REFERENCE = 500.0;  // [Hz]
constexpr double COST_BANDWIDTH = 1.0;  // times bandwidth / BANDWIDTH_REFERENCE
constexpr double COST_NOMINAL = 1.0;    // times |ln(f / nominal)|
constexpr double COST_EMPTY = 0.5;      // per empty track above the highest labelled one
constexpr double COST_HOLE = 2.0;       // per empty track below a labelled one
constexpr double COST_UNUSED = 1.0;     // times (1 - bandwidth / reference), if > 0, per unused candidate
constexpr double COST_CHANGE = 4.0;     // times |ln(f / previous f)| per track

// Lowest frequency any track takes [Hz].
constexpr double RANGE_FLOOR = 50.0;

constexpr int MAX_TRACKS = vocana::MAX_TRACK_FORMANTS;
constexpr std::int8_t EMPTY = -1;

// A labelling: the candidate index each track takes, or EMPTY.
using Labels = std::array<std::int8_t, MAX_TRACKS>;

// All labellings of one frame that the order and the ranges allow and that
// leave no track empty where it could take a candidate.
class Enumerator {
 public:
  Enumerator(const Candidate* cand, int count, int n, const std::array<TrackRange, MAX_TRACKS>& range,
             std::vector<Labels>& out)
      : cand_(cand), count_(count), n_(n), range_(range), out_(out) {}

  void run() {
    Labels labels;
    labels.fill(EMPTY);
    place(labels, 0, 0, -1);
  }

 private:
  bool fits(int track, int c) const {
    return cand_[c].f >= range_[track].low && cand_[c].f <= range_[track].high;
  }

  // Whether none of the empty tracks [t0, t1) fits a candidate of [c0, c1).
  bool gap_ok(int t0, int t1, int c0, int c1) const {
    for (int e = t0; e < t1; ++e)
      for (int c = c0; c < c1; ++c)
        if (fits(e, c)) return false;
    return true;
  }

  // Labels track and those after it; candidates from next on are free, and
  // the tracks after last_track so far are empty.
  void place(Labels& labels, int track, int next, int last_track) {
    if (track == n_) {
      if (gap_ok(last_track + 1, n_, next, count_)) out_.push_back(labels);
      return;
    }
    labels[track] = EMPTY;
    place(labels, track + 1, next, last_track);
    for (int c = next; c < count_; ++c) {
      // Skipping candidates [next, c) must leave none an empty track fits;
      // a larger c skips more, so the first failure ends the loop.
      if (!gap_ok(last_track + 1, track, next, c)) break;
      if (!fits(track, c)) continue;
      labels[track] = static_cast<std::int8_t>(c);
      place(labels, track + 1, c + 1, track);
    }
    labels[track] = EMPTY;
  }

  const Candidate* cand_;
  int count_;
  int n_;
  const std::array<TrackRange, MAX_TRACKS>& range_;
  std::vector<Labels>& out_;
};

}  // namespace

TrackRange track_range(int i, double ceiling) {
  // In units of a fifth of the ceiling (the spacing of the tube's
  // resonances), track i + 1 ranges from 0.75 (i + 1) - 1 to 1.75 (i + 1) - 0.25.
  const double unit = ceiling / 5.0;
  const double number = i + 1.0;
  const double low = unit * (0.75 * number - 1.0);
  return TrackRange{low < RANGE_FLOOR ? RANGE_FLOOR : low, unit * (1.75 * number - 0.25),
                    unit * (number - 0.5)};
}

void track_candidates(std::span<const Candidate> cand, std::span<const int> count, int n,
                      double ceiling, std::span<double> freq, std::span<double> bw) {
  const std::size_t frames = count.size();
  std::array<TrackRange, MAX_TRACKS> range{};
  std::array<double, MAX_TRACKS> log_nominal{};
  for (int i = 0; i < n; ++i) {
    range[i] = track_range(i, ceiling);
    log_nominal[i] = std::log(range[i].nominal);
  }
  std::vector<double> log_f(cand.size(), 0.0);
  for (std::size_t t = 0; t < frames; ++t)
    for (int k = 0; k < count[t]; ++k) log_f[t * n + k] = std::log(cand[t * n + k].f);

  // The labellings of every frame, one after the other; first[t] is the
  // index of frame t's first one.
  std::vector<Labels> states;
  std::vector<std::size_t> first(frames + 1, 0);
  std::vector<double> cost;         // accumulated cost of each state
  std::vector<std::uint32_t> back;  // best predecessor (index into states)
  // ln f of each track in each state of the previous and this frame, and 1
  // where the track has a value (0: empty), state after state.
  std::vector<double> prev_value, prev_has, value, has;
  for (std::size_t t = 0; t < frames; ++t) {
    first[t] = states.size();
    const Candidate* c = cand.data() + t * n;
    const double* lf = log_f.data() + t * n;
    Enumerator(c, count[t], n, range, states).run();
    const std::size_t begin = first[t];
    const std::size_t end = states.size();
    value.assign((end - begin) * n, 0.0);
    has.assign((end - begin) * n, 0.0);
    for (std::size_t s = begin; s < end; ++s) {
      // The local cost of the state.
      double* v = value.data() + (s - begin) * n;
      double* h = has.data() + (s - begin) * n;
      double local = 0.0;
      unsigned taken = 0;
      int highest = -1;
      for (int i = 0; i < n; ++i)
        if (states[s][i] != EMPTY) highest = i;
      for (int i = 0; i < n; ++i) {
        const int k = states[s][i];
        if (k == EMPTY) {
          if (count[t] > 0) local += i < highest ? COST_HOLE : COST_EMPTY;
          continue;
        }
        taken |= 1u << k;
        v[i] = lf[k];
        h[i] = 1.0;
        local += COST_BANDWIDTH * c[k].b / BANDWIDTH_REFERENCE +
                 COST_NOMINAL * std::fabs(lf[k] - log_nominal[i]);
      }
      // Candidates left unused: the narrower, the dearer.
      for (int k = 0; k < count[t]; ++k)
        if ((taken & (1u << k)) == 0)
          local += COST_UNUSED * std::max(0.0, 1.0 - c[k].b / BANDWIDTH_REFERENCE);
      // The best way into it.
      double best = 0.0;
      std::uint32_t best_from = 0;
      if (t > 0) {
        best = std::numeric_limits<double>::infinity();
        const std::size_t prev_begin = first[t - 1];
        for (std::size_t r = prev_begin; r < begin; ++r) {
          if (!(cost[r] < best)) continue;
          const double* pv = prev_value.data() + (r - prev_begin) * n;
          const double* ph = prev_has.data() + (r - prev_begin) * n;
          double change = 0.0;
          for (int i = 0; i < n; ++i) change += std::fabs(v[i] - pv[i]) * (h[i] * ph[i]);
          const double total = cost[r] + COST_CHANGE * change;
          if (total < best) {
            best = total;
            best_from = static_cast<std::uint32_t>(r);
          }
        }
      }
      cost.push_back(best + local);
      back.push_back(best_from);
    }
    std::swap(value, prev_value);
    std::swap(has, prev_has);
  }
  first[frames] = states.size();

  // Trace back from the cheapest last state.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (frames == 0) return;
  std::size_t s = first[frames - 1];
  for (std::size_t r = s; r < first[frames]; ++r)
    if (cost[r] < cost[s]) s = r;
  for (std::size_t t = frames; t-- > 0;) {
    const Candidate* c = cand.data() + t * n;
    for (int i = 0; i < n; ++i) {
      const int k = states[s][i];
      freq[t * n + i] = k == EMPTY ? nan : c[k].f;
      bw[t * n + i] = k == EMPTY ? nan : c[k].b;
    }
    s = back[s];
  }
}
