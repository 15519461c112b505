#include "spectrum/spctilt.h"

#include <array>
#include <cmath>

#include "common/constants.h"
#include "common/messages.h"
#include "lpc/complex.h"
#include "lpc/zroots.h"

namespace {

// A root of the stationarity cubic counts as real below this |imaginary part|.
constexpr double CRITICAL_REAL_ROOT_TOL = 1e-9;

// The double pole -x/2 lies inside the unit circle for -2 < x < 2.
constexpr double CRITICAL_X_LIMIT = 2.0;

void list_cubic_roots(const std::array<Cnum, 4>& root, std::string& messages) {
  for (int j = 1; j <= 3; ++j) {
    append_text(messages, "x[%2d].r: %+e x[%2d].i: %+e\n", j, root[j].r, j, root[j].i);
  }
}

}  // namespace

double Critical2ndOrderCoefs(std::span<const double> r, std::span<double> a, int p,
                             std::string& messages) {
  if (p != 2)
    throw_error(vocana::ErrorKind::settings,
                "error: Critical2ndOrderCoefs(): filter order is not 2.\n");

  // dE/dx = 0, times 4: r0 x^3 + 6 r1 x^2 + (8 r0 + 4 r2) x + 8 r1.
  const std::array<Cnum, 4> cubic = {Complex(8.0 * r[1], 0.0),
                                     Complex(8.0 * r[0] + 4.0 * r[2], 0.0),
                                     Complex(6.0 * r[1], 0.0), Complex(r[0], 0.0)};
  std::array<Cnum, 4> root{};
  zroots(cubic, 3, root, 1);

  int real_count = 0;
  double x = 0.0;
  for (int j = 1; j <= 3; ++j) {
    if (std::fabs(root[j].i) < CRITICAL_REAL_ROOT_TOL) {
      ++real_count;
      x = root[j].r;
    }
  }

  if (real_count != 1) {
    messages += "error: Critical2ndOrderCoefs(): illegal number of real roots.\n";
    list_cubic_roots(root, messages);
    return -1.0;
  }
  if (!(-CRITICAL_X_LIMIT < x && x < CRITICAL_X_LIMIT)) {
    messages += "error: Critical2ndOrderCoefs(): illegal range of coefs.\n";
    list_cubic_roots(root, messages);
    return -1.0;
  }
  a[0] = 1.0;
  a[1] = x;
  a[2] = x * x / 4.0;
  // E(x) = sum over i, j of a[i] a[j] r[|i - j|]; x^4 and x^3 through pow(),
  // not products: the energy (the LPC spectrum's gain) depends on these bits.
  return r[0] * (x * x + 1.0 + std::pow(x, 4) / 16.0) + r[1] * (2.0 * x + std::pow(x, 3) / 2.0) +
         r[2] * (x * x / 2.0);
}

double spectralTilt(double f, double x, int fs) {
  const double ln2 = std::log(2.0);
  // The frequency enters through its octave number log2 f and back, as
  // exp(ln 2 * log2 f): the tilt depends on the bits of this round trip.
  const double octave = std::log(f) / ln2;
  const double f_again = std::exp(ln2 * octave);
  const double w = TWO_PI_DECIMAL * f_again / static_cast<double>(fs);

  // |A(e^jw)|^2 = d0 + d1 cos w + d2 cos 2w for A(z) = 1 + x z^-1 + (x^2/4) z^-2.
  // x^4 as a product here (unlike the energy's pow()): these bits are printed.
  const double d0 = 1.0 + x * x + x * x * x * x / 16.0;
  const double d1 = 2.0 * x * (1.0 + x * x / 4.0);
  const double d2 = x * x / 2.0;
  const double power = d0 + d1 * std::cos(w) + d2 * std::cos(2.0 * w);

  // Slope of -10 log10 |A|^2 in dB per radian, then per octave
  // (dw / d(log2 f) = w ln 2).
  const double slope =
      10.0 / std::log(10.0) * (d1 * std::sin(w) + x * x * std::sin(2.0 * w)) / power;
  return slope * w * ln2;
}
