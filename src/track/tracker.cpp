#include "track/tracker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace {

// Weights of the costs (each term is dimensionless).
constexpr double BANDWIDTH_REFERENCE = 500.0;  // [Hz]
constexpr double COST_BANDWIDTH = 1.0;         // times bandwidth / BANDWIDTH_REFERENCE
constexpr double COST_NOMINAL = 1.0;           // times |ln(f / nominal)|
constexpr double COST_EMPTY = 0.5;             // per empty track above the highest labelled one
constexpr double COST_HOLE = 2.0;              // per empty track below a labelled one
constexpr double COST_CHANGE = 4.0;            // times |ln(f / previous f)| per track
// Per unused candidate: COST_UNUSED (1 - bandwidth / UNUSED_REFERENCE) when
// positive, so that a narrow resonance is dear to leave out, a wide one free.
constexpr double UNUSED_REFERENCE = 1000.0;  // [Hz]
constexpr double COST_UNUSED = 2.0;

// Labellings whose cost in their own frame exceeds the frame's cheapest by
// more than this are not followed (a beam: the frame-to-frame costs that
// could make up for it are those of jumps of a third in several tracks).
constexpr double PRUNE_BEYOND = 3.0;

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
  Enumerator(const Candidate* cand, int count, int n,
             const std::array<TrackRange, MAX_TRACKS>& range, std::vector<Labels>& out)
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

// Two doubles side by side; element-wise operations round exactly as the
// scalar ones do (no contraction: -ffp-contract=off).
typedef double Pair __attribute__((vector_size(16)));
typedef long long PairBits __attribute__((vector_size(16)));

Pair load_pair(const double* at) {
  Pair v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

// changes: total[r] = sum over tracks i, in increasing i, of
// |value[i][s] - prev[i][r]| where both have a value, for r in
// [0..prev_count-1]; two predecessors at a time, each summed in the same
// order as one at a time.
void changes(const std::vector<double>& value, const std::vector<double>& has, std::size_t stride,
             std::size_t s, const std::vector<double>& prev_value,
             const std::vector<double>& prev_has, std::size_t prev_stride, std::size_t prev_count,
             int n, std::vector<double>& total) {
  total.assign(prev_stride, 0.0);
  const Pair sign_mask = {-0.0, -0.0};
  for (int i = 0; i < n; ++i) {
    const double vs = value[i * stride + s];
    const double hs = has[i * stride + s];
    if (hs == 0.0) continue;  // adds only zeros
    const Pair v = {vs, vs};
    const double* pv = prev_value.data() + i * prev_stride;
    const double* ph = prev_has.data() + i * prev_stride;
    for (std::size_t r = 0; r < prev_count; r += 2) {
      Pair d = v - load_pair(pv + r);
      // |d| by clearing the sign bit, as fabs does.
      d = reinterpret_cast<Pair>(reinterpret_cast<PairBits>(d) &
                                 ~reinterpret_cast<PairBits>(sign_mask));
      Pair sum = load_pair(total.data() + r) + d * load_pair(ph + r);
      std::memcpy(total.data() + r, &sum, sizeof sum);
    }
  }
}

// The cost of one frame's labelling: bandwidth and distance from the
// nominal frequency of each labelled candidate, empty tracks, and the
// candidates left unused (the narrower, the dearer).
double local_cost(const Labels& labels, const Candidate* c, const double* lf, int count, int n,
                  const std::array<double, MAX_TRACKS>& log_nominal) {
  int highest = -1;
  for (int i = 0; i < n; ++i)
    if (labels[i] != EMPTY) highest = i;
  double local = 0.0;
  unsigned taken = 0;
  for (int i = 0; i < n; ++i) {
    const int k = labels[i];
    if (k == EMPTY) {
      if (count > 0) local += i < highest ? COST_HOLE : COST_EMPTY;
      continue;
    }
    taken |= 1u << k;
    local += COST_BANDWIDTH * c[k].b / BANDWIDTH_REFERENCE +
             COST_NOMINAL * std::fabs(lf[k] - log_nominal[i]);
  }
  for (int k = 0; k < count; ++k)
    if ((taken & (1u << k)) == 0)
      local += COST_UNUSED * std::max(0.0, 1.0 - c[k].b / UNUSED_REFERENCE);
  return local;
}

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
  // ln f and presence of each track in each state of the previous and this
  // frame (layout below).
  std::vector<double> prev_value, prev_has, value, has;
  std::vector<double> local;
  std::vector<double> total;  // change into the current state from each previous one
  std::size_t prev_stride = 0;
  for (std::size_t t = 0; t < frames; ++t) {
    first[t] = states.size();
    const Candidate* c = cand.data() + t * n;
    const double* lf = log_f.data() + t * n;
    Enumerator(c, count[t], n, range, states).run();
    const std::size_t begin = first[t];
    // The local cost of each labelling; those dearer than the cheapest by
    // more than PRUNE_BEYOND are dropped before the search.
    local.clear();
    double cheapest = std::numeric_limits<double>::infinity();
    for (std::size_t s = begin; s < states.size(); ++s) {
      local.push_back(local_cost(states[s], c, lf, count[t], n, log_nominal));
      cheapest = std::min(cheapest, local.back());
    }
    std::size_t end = begin;
    for (std::size_t s = begin; s < states.size(); ++s) {
      if (local[s - begin] > cheapest + PRUNE_BEYOND) continue;
      local[end - begin] = local[s - begin];
      states[end++] = states[s];
    }
    states.resize(end);
    // ln f of each track and 1 where it has a value (0: empty), track after
    // track, states side by side (padded to an even count).
    const std::size_t count_now = end - begin;
    const std::size_t stride = count_now + (count_now & 1);
    value.assign(n * stride, 0.0);
    has.assign(n * stride, 0.0);
    for (std::size_t s = begin; s < end; ++s) {
      for (int i = 0; i < n; ++i) {
        if (states[s][i] == EMPTY) continue;
        value[i * stride + (s - begin)] = lf[states[s][i]];
        has[i * stride + (s - begin)] = 1.0;
      }
    }
    const std::size_t prev_begin = t > 0 ? first[t - 1] : 0;
    const std::size_t prev_count = begin - prev_begin;
    for (std::size_t s = begin; s < end; ++s) {
      // The best way into it: the first predecessor of least total.
      double best = 0.0;
      std::uint32_t best_from = 0;
      if (t > 0) {
        changes(value, has, stride, s - begin, prev_value, prev_has, prev_stride, prev_count, n,
                total);
        best = std::numeric_limits<double>::infinity();
        for (std::size_t r = 0; r < prev_count; ++r) {
          const double candidate = cost[prev_begin + r] + COST_CHANGE * total[r];
          if (candidate < best) {
            best = candidate;
            best_from = static_cast<std::uint32_t>(prev_begin + r);
          }
        }
      }
      cost.push_back(best + local[s - begin]);
      back.push_back(best_from);
    }
    std::swap(value, prev_value);
    std::swap(has, prev_has);
    prev_stride = stride;
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
