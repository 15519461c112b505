// The LP steps of the public API over the library's own units.
#include <vocana/lp.h>

#include <array>
#include <cstring>

#include "common/messages.h"
#include "input/spframe.h"
#include "lpc/formant.h"
#include "lpc/lpc_func.h"
#include "lpc/nrutil.h"
#include "lpc/zroots.h"

namespace vocana {

void hamming_window(int n, std::span<double> window) { ::hamming_window(n, window); }

int windowed_frame(std::span<const Sample> samples, int last, int first, int n,
                   std::span<const double> window, std::span<double> frame) {
  return get_frame_windowed(samples, last, first, n, window, frame);
}

void autocorrelation(std::span<const double> x, std::span<double> r, int n, int p) {
  autocor(x, r, n, p);
}

double durbin(std::span<const double> r, std::span<double> k, std::span<double> a, int p) {
  return durb(r, k, a, p);
}

void polynomial_roots(std::span<const std::complex<double>> c,
                      std::span<std::complex<double>> roots) {
  const int m = static_cast<int>(c.size()) - 1;
  if (m < 1 || roots.size() < static_cast<std::size_t>(m)) {
    throw_error(ErrorKind::settings, "error: polynomial_roots: %d coefficients, %zu roots.\n",
                m + 1, roots.size());
  }
  if (m > ZROOTS_MAX_DEGREE) nrerror("degree too large in zroots");
  // std::complex<double> holds the real and imaginary parts as two doubles,
  // in the layout of Cnum.
  std::array<Cnum, ZROOTS_MAX_DEGREE + 1> coefficients;
  std::array<Cnum, ZROOTS_MAX_DEGREE + 1> found;
  for (int j = 0; j <= m; ++j) coefficients[j] = Cnum{c[j].real(), c[j].imag()};
  zroots(std::span<const Cnum>(coefficients.data(), m + 1), m, std::span<Cnum>(found.data(), m + 1),
         1);
  for (int j = 1; j <= m; ++j) roots[j - 1] = {found[j].r, found[j].i};
}

int formants(std::span<const double> a, int p, std::span<double> freq, std::span<double> bw, int fs,
             std::string& messages) {
  return extract_formant(a, p, freq, bw, fs, messages);
}

}  // namespace vocana
