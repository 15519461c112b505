#include "lpc/zroots.h"

#include <array>
#include <cmath>

#include "lpc/laguer.h"
#include "lpc/nrutil.h"

namespace {

// A root whose imaginary part is at most this fraction of its real part is
// taken as real before it is divided out, so that a real polynomial deflates
// to a real quotient.
constexpr double ZROOTS_REAL_RATIO = 4e-6;

// One Laguerre search, advanced an iteration at a time.
struct Search {
  Cnum start;  // the guess it started from
  Cnum x;      // the current guess
  int iter;    // iterations done
};

// Advances s by one iteration on a[0..m]; true when s.x is the root. After
// the last iteration laguer() itself runs the search again from its start,
// so that a search which does not converge ends as laguer() ends it; its
// result, should it return, is taken.
bool advance(std::span<const Cnum> a, int m, Search& s) {
  if (s.iter == LAGUER_MAX_ITERATIONS) {
    int iterations = 0;
    s.x = s.start;
    laguer(a, m, s.x, iterations);
    return true;
  }
  ++s.iter;
  return laguer_iteration(a, m, s.x, s.iter);
}

}  // namespace

void zroots(std::span<const Cnum> a, int m, std::span<Cnum> roots, int polish) {
  // The deflated polynomial; degree m needs m + 1 coefficients.
  std::array<Cnum, ZROOTS_MAX_DEGREE + 1> ad;
  if (m > ZROOTS_MAX_DEGREE) nrerror("degree too large in zroots");
  for (int j = 0; j <= m; ++j) ad[j] = a[j];

  // The search for roots[j] on the deflated polynomial of degree j, from the
  // origin, and the polishing of an earlier root on a, from the root found,
  // run side by side, an iteration of each in turn: the two are independent,
  // so the processor overlaps their long chains of divisions and square
  // roots. Each keeps its own iteration sequence, so every root has the bits
  // it has when all searches run first and the polishing after (in any order).
  int j = m;
  Search search = {Complex(0.0, 0.0), Complex(0.0, 0.0), 0};
  int next_polish = m;  // roots[next_polish] is polished next, once found
  int polished = 0;     // the root being polished; 0: none
  Search polishing = {};
  while (j >= 1 || polished != 0) {
    if (j >= 1 && advance(std::span<const Cnum>(ad.data(), j + 1), j, search)) {
      Cnum x = search.x;
      if (std::fabs(x.i) <= ZROOTS_REAL_RATIO * std::fabs(x.r)) x.i = 0.0;
      roots[j] = x;
      // Synthetic division by (z - x); the remainder is discarded.
      Cnum b = ad[j];
      for (int jj = j - 1; jj >= 0; --jj) {
        const Cnum c = ad[jj];
        ad[jj] = b;
        b = Cadd(Cmul(x, b), c);
      }
      --j;
      search = Search{Complex(0.0, 0.0), Complex(0.0, 0.0), 0};
    }
    if (polished != 0 && advance(a, m, polishing)) {
      roots[polished] = polishing.x;
      polished = 0;
    }
    if (polish != 0 && polished == 0 && next_polish > j) {
      polished = next_polish--;
      polishing = Search{roots[polished], roots[polished], 0};
    }
  }
  // Straight insertion on the real part alone; stable for equal real parts.
  for (int j = 2; j <= m; ++j) {
    const Cnum x = roots[j];
    int i = j - 1;
    while (i >= 1 && roots[i].r > x.r) {
      roots[i + 1] = roots[i];
      --i;
    }
    roots[i + 1] = x;
  }
}
