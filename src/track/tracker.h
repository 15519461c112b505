// Labelling of candidate formants as F1..FN over a whole sound by dynamic
// programming (Viterbi), in the manner of Talkin's 1987 formant tracker.
#pragma once

#include <span>

#include "track/lp_frame.h"

// Frequency range [Hz] in which track i (0-based: F1 is 0) may take a
// candidate, and its nominal frequency, at a ceiling [Hz]: the resonances of
// a uniform tube, (2i + 1) ceiling / 10, which is 550, 1650, 2750, ... at
// 5500 Hz; the range reaches 0.24 ceiling either side.
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
// the one of least total cost is chosen; the cost adds per frame the
// bandwidth over the frequency and the relative distance from the nominal
// frequency of each labelled candidate and a fixed cost per empty track, and
// between frames the size of each track's change (|ln f1/f0|).
// Allocates working arrays of a few bytes per frame and state.
void track_candidates(std::span<const Candidate> cand, std::span<const int> count, int n,
                      double ceiling, std::span<double> freq, std::span<double> bw);
