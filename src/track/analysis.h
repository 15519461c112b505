// Internal steps of the formant tracker shared by its units.
#pragma once

#include <vocana/track.h>

#include <cstddef>
#include <span>
#include <vector>

// resample: a sound at another sampling rate, by libsoxr at its high-quality
// setting (linear phase, so sample i of the result lies at time i / to).
//   x     in  x[0..n-1] at rate from [Hz]
//   from  in  [Hz] > 0
//   to    in  [Hz] > 0; equal to from: a copy
// Returns round(n * to / from) samples. Throws vocana::Error(ErrorKind::analysis)
// with libsoxr's reason if it fails. Allocates the result.
std::vector<double> resample(std::span<const double> x, int from, double to);

// A span of a sound resampled for analysis at one ceiling.
struct Resampled {
  std::vector<double> x;  // samples at fs, x[0] at time offset
  double fs = 0.0;        // [Hz] twice the ceiling
  double offset = 0.0;    // [s] time of x[0] in the original sound
  double start = 0.0;     // [s] the analysed span
  double end = 0.0;       // [s]
};

// resample_span: the span [start, end] [s] of samples (at rate [Hz]) and a
// short margin either side, resampled to 2 * ceiling [Hz]. Throws as resample.
Resampled resample_span(std::span<const double> samples, int rate, double ceiling, double start,
                        double end);

// The frames of an analysis: their centres and intensities, the same at
// every ceiling.
struct Frames {
  std::vector<double> time;       // [s] centres: centred in the span, every step
  std::vector<double> intensity;  // [dB re 1.0] RMS of the file's samples over
                                  // the effective window length; -inf: silence
};

// frame_grid: the frames of [start, end] [s] of samples (rate [Hz]): as
// many as windows of twice settings.window fit at settings.step.
//   The span must hold one window. Allocates the arrays.
Frames frame_grid(std::span<const double> samples, int rate, const vocana::TrackSettings& settings,
                  double start, double end);

// analyse_at_ceiling: LP, candidates and tracking at one ceiling.
//   sound     in  from resample_span at this ceiling, at least one window
//                 long; its samples are pre-emphasised in place
//   grid      in  from frame_grid
//   settings  in  checked settings (its ceiling field is not used)
//   ceiling   in  [Hz]
//   progress  in  optional
// Returns the tracks as track_formants describes. Allocates.
vocana::FormantTracks analyse_at_ceiling(Resampled&& sound, const Frames& grid,
                                         const vocana::TrackSettings& settings, double ceiling,
                                         const vocana::TrackProgress& progress);

// analyse_auto_ceiling: analyses at each ceiling of the automatic range
// (every one, whatever the rate) and keeps the analysis of least
// ceiling_cost; arguments as track_formants, end the end of the span [s].
vocana::FormantTracks analyse_auto_ceiling(std::span<const double> samples, int rate,
                                           const vocana::TrackSettings& settings, double end,
                                           const vocana::TrackProgress& progress);

// ceiling_cost: how poorly an analysis fits: for each of F1..F3 the mean
// absolute residual of ln F from cubics fitted to its stretches of frames
// with values (at most 0.5 s each; stretches shorter than 8 frames, and
// frames where the formant is missing but another has a value, count 0.2),
// summed; plus half the mean of |ln(F / ((2i - 1) ceiling / 10))| over
// F3 and F4 (a missing value counts 1).
//   tracks  in  as analyse_at_ceiling gives
// Returns the cost (dimensionless, lower is better); infinity when no frame
// has F1..F3. Allocates two arrays of one stretch.
double ceiling_cost(const vocana::FormantTracks& tracks);
