// Formant tracks F1..FN of a recording: resampling to twice the ceiling,
// pre-emphasis, windowed frames, linear prediction, candidate formants from
// the roots of the LP polynomial, and a dynamic-programming tracker that
// labels them; optionally the ceiling is chosen per recording.
#pragma once

#include <vocana/export.h>

#include <functional>
#include <span>
#include <vector>

namespace vocana {

enum class LpMethod { burg, autocorrelation };
enum class WindowShape { gaussian, hamming };

// Ceilings tried by the automatic choice [Hz]: LOW, LOW + STEP, ..., HIGH,
// for every sampling rate (the sound is resampled to twice each, upwards
// too). The choice keeps the ceiling whose F1..F3 follow smooth curves most
// closely (FastTrack, Barreda 2021) and whose F3 and F4 lie closest to the
// resonances of the uniform tube the ceiling stands for (see
// src/track/auto_ceiling.cpp).
inline constexpr double AUTO_CEILING_LOW = 4500.0;
inline constexpr double AUTO_CEILING_HIGH = 8000.0;
inline constexpr double AUTO_CEILING_STEP = 250.0;

// Frames whose intensity is more than this far below the loudest frame of
// the analysed span [dB], and frames of digital silence, get no formants.
inline constexpr double SILENCE_BELOW_LOUDEST_DB = 50.0;

// Largest number of formants (the LP order is twice the number).
inline constexpr int MAX_TRACK_FORMANTS = 10;

struct TrackSettings {
  double ceiling = 5500.0;     // [Hz] highest formant sought; ignored with auto_ceiling
  bool auto_ceiling = false;   // choose the ceiling per recording
  int formants = 5;            // number of tracks F1..FN [1..MAX_TRACK_FORMANTS]
  double window = 0.025;       // [s] effective window length; the window spans twice this
  double step = 0.005;         // [s] time between frame centres
  double pre_emphasis = 50.0;  // [Hz] pre-emphasis from this frequency; 0: none
  double start = 0.0;          // [s] start of the analysed span
  double end = -1.0;           // [s] end of the span; negative: the end of the sound
  LpMethod method = LpMethod::autocorrelation;
  WindowShape shape = WindowShape::hamming;
};

struct FormantTracks {
  double ceiling = 0.0;           // [Hz] ceiling used (the chosen one with auto_ceiling)
  int formants = 0;               // N, tracks per frame
  std::vector<double> time;       // [0..frames-1] frame centres [s] from the sound's start
  std::vector<double> frequency;  // [frame * N + i] F(i+1) [Hz]; NaN: no value
  std::vector<double> bandwidth;  // [frame * N + i] B(i+1) [Hz]; NaN: no value
  std::vector<double> intensity;  // [0..frames-1] RMS of the frame [dB re 1.0]; -inf: silence
  long failed_frames = 0;         // frames where the root finder failed (their formants NaN)
};

// Called now and then with the share of the work done [0..1].
using TrackProgress = std::function<void(double done)>;

// check_track_settings: whether the settings can be used at all.
//   settings  in  the settings
// Throws vocana::Error(ErrorKind::settings), one line naming the field (by
// its command-line option) and the allowed range. Allocates nothing.
VOCANA_API void check_track_settings(const TrackSettings& settings);

// track_formants: formant tracks of a sound.
//   samples   in  samples[0..n-1], full scale +-1.0
//   rate      in  sampling rate [Hz], > 0
//   settings  in  as check_track_settings accepts
//   progress  in  optional; called with the share done
// Returns one row per frame: windows spanning twice settings.window, every
// settings.step, as many as fit in the span, centred in it. The intensity is
// that of the samples given, over settings.window around the frame's centre.
// Frames of digital silence, and those more than SILENCE_BELOW_LOUDEST_DB
// below the loudest frame, have NaN formants. A frame where the root finder
// fails has NaN formants and is counted in failed_frames; the analysis goes
// on.
// Throws vocana::Error: ErrorKind::settings for bad settings or a span
// outside the sound; ErrorKind::analysis when the span is shorter than one
// window (the text gives both durations). Allocates the result and working
// arrays of the resampled sound.
VOCANA_API FormantTracks track_formants(std::span<const double> samples, int rate,
                                        const TrackSettings& settings,
                                        const TrackProgress& progress = {});

// tracks_at_times: the tracks read at given times.
//   tracks  in  from track_formants
//   times   in  times[0..m-1] [s], any order
// Returns a FormantTracks of m rows: each value linearly interpolated
// between the two frames around the time when both have one; a time within
// half a step outside the first or last frame takes that frame; otherwise
// NaN (intensity too). Never throws except std::bad_alloc.
VOCANA_API FormantTracks tracks_at_times(const FormantTracks& tracks,
                                         std::span<const double> times);

}  // namespace vocana
