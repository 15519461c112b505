#include "lpc/formant.h"

#include <array>
#include <cmath>

#include "common/constants.h"
#include "common/messages.h"
#include "lpc/complex.h"
#include "lpc/roots_pair.h"
#include "lpc/zroots.h"

namespace {

// A pole whose real part is below this in magnitude stops the extraction.
constexpr double FORMANT_REAL_PART_MIN = 1e-9;

// Mark of an empty formant slot.
constexpr double FORMANT_EMPTY = -1.0;

}  // namespace

namespace {

// z^p A(z) of the LP coefficients a[0..p]: coefficient i (of z^i) is a[p - i].
void lp_polynomial(std::span<const double> a, int p, std::span<Cnum> polynomial) {
  for (int i = 0; i <= p; ++i) polynomial[i] = Complex(a[p - i], 0.0);
}

void check_order(int p) {
  // The work arrays hold MAX_LPC_ORDER + 1 values.
  if (p > MAX_LPC_ORDER)
    throw_error(vocana::ErrorKind::settings, "error: extract_formant(): LP order too large.\n");
}

// The formants of the roots[1..p] of z^p A(z), as extract_formant returns them.
int formants_of_roots(std::span<const Cnum> roots, int p, std::span<double> freq,
                      std::span<double> bw, int fs, std::string& messages) {
  const int half = (p + 1) / 2;
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

}  // namespace

int extract_formant(std::span<const double> a, int p, std::span<double> freq, std::span<double> bw,
                    int fs, std::string& messages) {
  check_order(p);
  std::array<Cnum, MAX_LPC_ORDER + 1> polynomial{};
  std::array<Cnum, MAX_LPC_ORDER + 1> roots{};
  lp_polynomial(a, p, polynomial);
  zroots(std::span<const Cnum>(polynomial.data(), p + 1), p, std::span<Cnum>(roots.data(), p + 1),
         1);
  return formants_of_roots(roots, p, freq, bw, fs, messages);
}

bool extract_formant_pair(std::array<FormantFrame, 2>& frames, int p, int fs) {
  check_order(p);
  std::array<std::array<Cnum, MAX_LPC_ORDER + 1>, 2> polynomial{};
  std::array<std::array<Cnum, MAX_LPC_ORDER + 1>, 2> roots{};
  for (int k = 0; k < 2; ++k) lp_polynomial(frames[k].a, p, polynomial[k]);
  bool paired = false;
  try {
    paired = zroots_pair(std::span<const Cnum>(polynomial[0].data(), p + 1),
                         std::span<const Cnum>(polynomial[1].data(), p + 1), p,
                         std::span<Cnum>(roots[0].data(), p + 1),
                         std::span<Cnum>(roots[1].data(), p + 1), 1);
  } catch (const vocana::Error&) {
    paired = false;
  }
  if (!paired) return false;
  for (int k = 0; k < 2; ++k) {
    FormantFrame& frame = frames[k];
    frame.count = formants_of_roots(roots[k], p, frame.freq, frame.bw, fs, *frame.messages);
  }
  return true;
}
