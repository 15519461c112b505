#include "lpc/formant.h"

#include <array>
#include <cmath>

#include "common/constants.h"
#include "common/messages.h"
#include "lpc/complex.h"
#include "lpc/zroots.h"

namespace {

// A pole whose real part is below this in magnitude stops the extraction.
constexpr double FORMANT_REAL_PART_MIN = 1e-9;

// Mark of an empty formant slot.
constexpr double FORMANT_EMPTY = -1.0;

}  // namespace

int extract_formant(std::span<const double> a, int p, std::span<double> freq, std::span<double> bw,
                    int fs, std::string& messages) {
  // The work arrays below hold MAX_LPC_ORDER + 1 values.
  if (p > MAX_LPC_ORDER)
    throw_error(vocana::ErrorKind::settings, "error: extract_formant(): LP order too large.\n");

  const int half = (p + 1) / 2;

  // z^p A(z): coefficient i (of z^i) is a[p - i].
  std::array<Cnum, MAX_LPC_ORDER + 1> polynomial{};
  std::array<Cnum, MAX_LPC_ORDER + 1> roots{};
  for (int i = 0; i <= p; ++i) polynomial[i] = Complex(a[p - i], 0.0);
  zroots(std::span<const Cnum>(polynomial.data(), p + 1), p, std::span<Cnum>(roots.data(), p + 1),
         1);

  for (int i = 0; i <= half; ++i) {
    freq[i] = FORMANT_EMPTY;
    bw[i] = FORMANT_EMPTY;
  }

  const double fs_hz = static_cast<double>(fs);
  int count = 0;
  for (int j = 1; j <= p; ++j) {
    if (std::fabs(roots[j].r) < FORMANT_REAL_PART_MIN) {
      messages += "real part of pole is almost zero.\n";
      append_text(messages, "%d z.r: %e z.i: %e\n", j, roots[j].r, roots[j].i);
      return -1;
    }
    // Real poles and the lower member of each conjugate pair give no formant;
    // the single pole of order 1 always does.
    if (p > 1 && roots[j].i <= 0.0) continue;
    if (count + 1 <= half) {
      ++count;
      freq[count] = std::atan2(roots[j].i, roots[j].r) * fs_hz / TWO_PI_DECIMAL;
      bw[count] = -std::log(Cabs(roots[j])) * fs_hz / PI_DECIMAL;
    }
  }

  // Exchange sort by frequency, bandwidths carried along.
  for (int i = 1; i <= count - 1; ++i) {
    for (int j = i + 1; j <= count; ++j) {
      if (freq[i] > freq[j]) {
        const double f = freq[i];
        freq[i] = freq[j];
        freq[j] = f;
        const double b = bw[i];
        bw[i] = bw[j];
        bw[j] = b;
      }
    }
  }
  return count;
}
