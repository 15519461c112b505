// Formant frequencies and bandwidths from the roots of the LP polynomial.
#pragma once

#include <array>
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

// One frame's part in extract_formant_pair: extract_formant's arguments and
// result.
struct FormantFrame {
  std::span<const double> a;  // in   a[0..p]
  std::span<double> freq;     // out  as for extract_formant
  std::span<double> bw;       // out  as for extract_formant
  std::string* messages;      // in/out  as for extract_formant
  int count;                  // out  extract_formant's result
};

// extract_formant_pair: extract_formant for two frames of one order at once,
//   their roots found side by side (zroots_pair).
//   frames  in/out  the two frames
//   p, fs   in      as for extract_formant
// Returns true with each frame's outputs and count as extract_formant gives
// them. Returns false when a root search of either frame does not converge,
// having written no output: extract_formant on each frame in turn then gives
// the failure. Throws as extract_formant for p > MAX_LPC_ORDER. Allocates
// nothing.
bool extract_formant_pair(std::array<FormantFrame, 2>& frames, int p, int fs);
