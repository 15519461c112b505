#include "lpc/roots_pair.h"

#include <emmintrin.h>

#include <array>
#include <limits>

#include "lpc/laguer.h"
#include "lpc/laguer_limits.h"
#include "lpc/zroots.h"

namespace {

// Lane masks: all bits set where a lane-wise comparison holds.
typedef long long Mask __attribute__((vector_size(16)));

// Lane-wise m ? a : b, through the bits (no branch).
Pair pick(Mask m, Pair a, Pair b) {
  return reinterpret_cast<Pair>((reinterpret_cast<Mask>(a) & m) | (reinterpret_cast<Mask>(b) & ~m));
}

Pair magnitude(Pair v) {
  const Mask bits = {0x7fffffffffffffffLL, 0x7fffffffffffffffLL};
  return reinterpret_cast<Pair>(reinterpret_cast<Mask>(v) & bits);
}

Pair square_root(Pair v) {
  return reinterpret_cast<Pair>(_mm_sqrt_pd(reinterpret_cast<__m128d>(v)));
}

Pair splat(double v) { return Pair{v, v}; }

// Complex numbers, one per lane.
struct Lanes {
  Pair r;
  Pair i;
};

// Cmul, Cadd and Csub lane by lane, part by part as they compute.
Lanes mul(Lanes a, Lanes b) { return Lanes{a.r * b.r - a.i * b.i, a.i * b.r + a.r * b.i}; }
Lanes add(Lanes a, Lanes b) { return Lanes{a.r + b.r, a.i + b.i}; }
Lanes sub(Lanes a, Lanes b) { return Lanes{a.r - b.r, a.i - b.i}; }

// Cdiv lane by lane. Each lane takes the case |b.r| >= |b.i| or the other as
// Cdiv does, and its operations: with (p, s) = (b.r, b.i) or (b.i, b.r),
// q = s / p and den = p + q s, the parts are (a.r + q a.i, a.i - q a.r) or
// (a.r q + a.i, a.i q - a.r), over den. The products q a.r and a.r q are the
// same number for numbers (no NaN reaches a result used: see the iteration).
Lanes divide(Lanes a, Lanes b) {
  const Mask c = magnitude(b.r) >= magnitude(b.i);
  const Pair p = pick(c, b.r, b.i);
  const Pair s = pick(c, b.i, b.r);
  const Pair q = s / p;
  const Pair den = p + q * s;
  const Pair qar = q * a.r;
  const Pair qai = q * a.i;
  const Pair re = pick(c, a.r, qar) + pick(c, qai, a.i);
  const Pair im = pick(c, a.i, qai) - pick(c, qar, a.r);
  return Lanes{re / den, im / den};
}

// Csqrt lane by lane: with x = |z.r|, y = |z.i| and the case x >= y or the
// other, Csqrt's w is sqrt(big) sqrt(0.5 (1 + sqrt(1 + t t))) or
// sqrt(big) sqrt(0.5 (t + sqrt(1 + t t))), t = small / big; then (w, z.i / 2w)
// for z.r >= 0, else (z.i / 2v, v) with v = w or -w as z.i >= 0 or not; and
// 0 for z = 0.
Lanes root(Lanes z) {
  const Pair x = magnitude(z.r);
  const Pair y = magnitude(z.i);
  const Mask c = x >= y;
  const Pair big = pick(c, x, y);
  const Pair t = pick(c, y, x) / big;
  const Pair w =
      square_root(big) *
      square_root(splat(0.5) * (pick(c, splat(1.0), t) + square_root(splat(1.0) + t * t)));
  const Mask right = z.r >= splat(0.0);
  const Pair v = pick(right, w, pick(z.i >= splat(0.0), w, -w));
  const Pair other = z.i / (splat(2.0) * v);
  const Mask zero = (z.r == splat(0.0)) & (z.i == splat(0.0));
  return Lanes{pick(zero, splat(0.0), pick(right, w, other)),
               pick(zero, splat(0.0), pick(right, other, v))};
}

// What one iteration did in a lane.
enum class Step { moved, root, scalar };

// Iteration iter (not a multiple of LAGUER_STEP_PERIOD) of laguer() on the
// polynomials ar + i ai of degree m, lane by lane, from x. A lane ends as
// laguer_iteration() would, or is marked scalar where that function takes a
// path this form does not have: the bracket of the rounding bound cannot
// decide (or is not finite), or the denominators' squared moduli are not
// clear and in range. Every NaN or infinity of the iteration ends in one of
// those, so a lane that is not scalar computed only numbers, for which each
// operation here is the scalar one; its x is then the scalar iteration's.
void iterate(const Pair* ar, const Pair* ai, int m, Lanes& x, std::array<Step, 2>& steps) {
  const Pair mx = pick(magnitude(x.r) > magnitude(x.i), magnitude(x.r), magnitude(x.i));
  const Pair mx_high = splat(1.5) * mx;
  Lanes b = {ar[m], ai[m]};
  Lanes d = {splat(0.0), splat(0.0)};
  Lanes f = d;
  Pair low = splat(0.0);
  Pair high = splat(0.0);
  for (int j = m;; --j) {
    const Pair re = magnitude(b.r);
    const Pair im = magnitude(b.i);
    const Pair big = pick(re > im, re, im);
    low = big * splat(1.0) + mx * low;
    high = big * splat(1.5) + mx_high * high;
    if (j == 0) break;
    f = add(mul(x, f), d);
    d = add(mul(x, d), b);
    b = add(mul(x, b), Lanes{ar[j - 1], ai[j - 1]});
  }
  const Pair re = magnitude(b.r);
  const Pair im = magnitude(b.i);
  const Mask finite = high <= splat(std::numeric_limits<double>::max());
  const Mask within = finite & (splat(1.5) * (re + im) <= low * splat(LAGUER_ROUNDING));
  const Mask outside = finite & (pick(re > im, re, im) > high * splat(LAGUER_ROUNDING));

  const Lanes g = divide(d, b);
  const Lanes g2 = mul(g, g);
  const Lanes fb = divide(f, b);
  const Lanes h = sub(g2, Lanes{splat(2.0) * fb.r, splat(2.0) * fb.i});
  const Lanes mh = {splat(static_cast<double>(m)) * h.r, splat(static_cast<double>(m)) * h.i};
  const Lanes diff = sub(mh, g2);
  const Pair m1 = splat(static_cast<double>(m - 1));
  const Lanes sq = root(Lanes{m1 * diff.r, m1 * diff.i});
  const Lanes gp = add(g, sq);
  const Lanes gm = sub(g, sq);
  const Pair np = gp.r * gp.r + gp.i * gp.i;
  const Pair nm = gm.r * gm.r + gm.i * gm.i;
  const Mask in_range = (np >= splat(DENOMINATOR_NORM_MIN)) & (np <= splat(DENOMINATOR_NORM_MAX)) &
                        (nm >= splat(DENOMINATOR_NORM_MIN)) & (nm <= splat(DENOMINATOR_NORM_MAX));
  const Mask minus = np < nm * splat(1.0 - DENOMINATOR_NORM_GAP);
  const Mask plus = np > nm * splat(1.0 + DENOMINATOR_NORM_GAP);
  const Mask clear = in_range & (minus | plus);
  const Lanes denominator = {pick(minus, gm.r, gp.r), pick(minus, gm.i, gp.i)};
  const Lanes dx = divide(Lanes{splat(static_cast<double>(m)), splat(0.0)}, denominator);
  const Lanes x1 = sub(x, dx);
  const Mask still = (x.r == x1.r) & (x.i == x1.i);
  for (int lane = 0; lane < 2; ++lane) {
    if (within[lane]) {
      steps[lane] = Step::root;
    } else if (!outside[lane] || !clear[lane]) {
      steps[lane] = Step::scalar;
    } else if (still[lane]) {
      steps[lane] = Step::root;
    } else {
      steps[lane] = Step::moved;
    }
  }
  const Mask moved = {steps[0] == Step::moved ? -1LL : 0LL, steps[1] == Step::moved ? -1LL : 0LL};
  x.r = pick(moved, x1.r, x.r);
  x.i = pick(moved, x1.i, x.i);
}

// Lane lane of the polynomial of degree m as scalars.
void lane_polynomial(const Pair* ar, const Pair* ai, int m, int lane, std::span<Cnum> out) {
  for (int j = 0; j <= m; ++j) out[j] = Cnum{ar[j][lane], ai[j][lane]};
}

// deflate_roots(a, m, roots, {}) for both lanes in lock-step; false when a
// lane's root does not converge.
bool search_pair(std::span<const Cnum> a0, std::span<const Cnum> a1, int m, std::span<Cnum> roots0,
                 std::span<Cnum> roots1) {
  std::array<Pair, ZROOTS_MAX_DEGREE + 1> ar;
  std::array<Pair, ZROOTS_MAX_DEGREE + 1> ai;
  std::array<Cnum, ZROOTS_MAX_DEGREE + 1> scalar;
  for (int j = 0; j <= m; ++j) {
    ar[j] = Pair{a0[j].r, a1[j].r};
    ai[j] = Pair{a0[j].i, a1[j].i};
  }
  for (int j = m; j >= 1; --j) {
    Lanes x = {splat(0.0), splat(0.0)};
    std::array<bool, 2> done = {false, false};
    for (int iter = 1; iter <= LAGUER_MAX_ITERATIONS && !(done[0] && done[1]); ++iter) {
      std::array<Step, 2> steps = {Step::scalar, Step::scalar};
      if (iter % LAGUER_STEP_PERIOD != 0) iterate(ar.data(), ai.data(), j, x, steps);
      for (int lane = 0; lane < 2; ++lane) {
        if (done[lane]) continue;
        if (steps[lane] == Step::root) done[lane] = true;
        if (steps[lane] != Step::scalar) continue;
        lane_polynomial(ar.data(), ai.data(), j, lane, scalar);
        Cnum guess = {x.r[lane], x.i[lane]};
        done[lane] = laguer_iteration(std::span<const Cnum>(scalar.data(), j + 1), j, guess, iter);
        x.r[lane] = guess.r;
        x.i[lane] = guess.i;
      }
    }
    if (!(done[0] && done[1])) return false;
    const Cnum found0 = found_root(Cnum{x.r[0], x.i[0]});
    const Cnum found1 = found_root(Cnum{x.r[1], x.i[1]});
    roots0[j] = found0;
    roots1[j] = found1;
    // Synthetic division by (z - x) in each lane; the remainder is discarded.
    const Lanes z = {Pair{found0.r, found1.r}, Pair{found0.i, found1.i}};
    Lanes b = {ar[j], ai[j]};
    for (int jj = j - 1; jj >= 0; --jj) {
      const Lanes c = {ar[jj], ai[jj]};
      ar[jj] = b.r;
      ai[jj] = b.i;
      b = add(mul(z, b), c);
    }
  }
  return true;
}

}  // namespace

bool zroots_pair(std::span<const Cnum> a0, std::span<const Cnum> a1, int m, std::span<Cnum> roots0,
                 std::span<Cnum> roots1, int polish) {
  if (m > ZROOTS_MAX_DEGREE || !search_pair(a0, a1, m, roots0, roots1)) return false;
  finish_roots(a0, m, roots0, polish);
  finish_roots(a1, m, roots1, polish);
  return true;
}
