// Labelling of candidate formants as F1..FN over a whole sound by dynamic
// programming (Viterbi), in the manner of Talkin's 1987 formant tracker.
#pragma once

#include <span>

#include "track/lp_frame.h"

// Frequency range [Hz] in which track i (0-based: F1 is 0) may take a
// candidate, and its nominal frequency, at a ceiling [Hz]. In units u of a
// fifth of the ceiling (the spacing of a uniform tube's resonances), F(i+1)
// has the nominal frequency (i + 0.5) u (550, 1650, 2750, ... Hz at 5500 Hz)
// and the range from 0.75 (i + 1) - 1 u (at least 50 Hz) to
// 1.75 (i + 1) - 0.25 u: wide and overlapping, so that the order of the
// candidates and the costs decide, not the ranges.
struct TrackRange {
  double low;      // [Hz]
  double high;     // [Hz]
  double nominal;  // [Hz]
};
TrackRange track_range(int i, double ceiling);

// track_candidates: assigns each frame's candidates to the tracks.
//   cand     in   cand[frame * n + j], j in [0..count[frame]-1], increasing f
//   count    in   count[0..frames-1]; 0: no candidates (silent or failed frame)
//   n        in   number of tracks [1..MAX_TRACK_FORMANTS]
//   ceiling  in   [Hz], sets the ranges and nominal frequencies
//   freq     out  freq[frame * n + i] of track i [Hz]; NaN where it has none
//   bw       out  bw[frame * n + i] [Hz]; NaN where it has none
// In every frame the tracks take distinct candidates in increasing order of
// frequency, each inside its range, and a track is left empty only where no
// candidate that the order leaves it lies in its range. Among such labellings
// the one of least total cost is chosen by dynamic programming over the
// whole sound. The cost adds, per frame: for each labelled candidate its
// bandwidth / 500 Hz and |ln(f / nominal)|; 2 for each empty track below a
// labelled one (a hole) and 0.5 for each above the highest; for each unused
// candidate 2 (1 - bandwidth / 1000 Hz) when positive (a narrow resonance is
// dear to leave out, a wide one free); and between frames 4 |ln(f / f')| for
// each track labelled in both. Labellings dearer within their frame than its
// cheapest by more than 3 are not followed.
// Allocates working arrays of a few tens of bytes per frame and labelling.
void track_candidates(std::span<const Candidate> cand, std::span<const int> count, int n,
                      double ceiling, std::span<double> freq, std::span<double> bw);
