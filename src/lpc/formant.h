// Formant frequencies and bandwidths from the roots of the LP polynomial.
#pragma once

#include <span>
#include <string>

// extract_formant: poles of 1/A(z) in the upper half-plane as formants.
//   a     in   a[0..p], LP coefficients, a[0] = 1
//   p     in   LP order [1..MAX_LPC_ORDER]
//   freq  out  freq[1..count] [Hz], ascending; freq[0] and every slot from
//              count+1 to half = (p+1)/2 hold -1.0; needs half+1 elements
//   bw    out  bw[1..count] [Hz], bw[f] belongs to freq[f]; -1.0 as in freq
//   fs        in      sampling frequency [Hz]
//   messages  in/out  lines appended when a pole lies on the imaginary axis
// Returns the formant count [0..half], or -1 after appending "real part of
// pole is almost zero.\n" and the root's line "%d z.r: %e z.i: %e\n" when a
// root has |real part| < 1e-9. Throws vocana::Error: kind settings with
// "error: extract_formant(): LP order too large.\n" for p > MAX_LPC_ORDER,
// kind analysis when the root finder does not converge. Allocates nothing.
int extract_formant(std::span<const double> a, int p, std::span<double> freq, std::span<double> bw,
                    int fs, std::string& messages);
