// The frame analysis of the vocana program: a span of 16-bit samples cut into
// Hamming-windowed frames, each turned into LP coefficients (Durbin recursion,
// or the critically damped second-order fit), formants and bandwidths, and on
// request the FFT and LPC power spectra and the spectral tilt.
#pragma once

#include <vocana/export.h>
#include <vocana/types.h>

#include <array>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vocana {

// The settings of one analysis, with the program's defaults.
struct AnalysisSettings {
  int sampling_frequency = DEFAULT_SAMPLING_FREQUENCY;  // [Hz], >= 1
  int lpc_order = DEFAULT_LPC_ORDER;        // [1..MAX_LPC_ORDER]; must be 2 when critical
  int frame_length = DEFAULT_FRAME_LENGTH;  // [points] [1..MAX_FRAME_LENGTH]
  int frame_rate = DEFAULT_FRAME_RATE;      // [points] hop between frame starts, >= 1
  int start_point = -1;                     // [sample index] first point of the span; -1: detected
  int end_point = -1;                       // [sample index] last point (inclusive); -1: detected
  int threshold = 0;                        // [sample amplitude] of the detection of an unset end
  bool critical = false;                    // the critically damped second-order model and its tilt
  bool fft_spectrum = false;                // compute the FFT power spectrum of each frame
  bool lpc_spectrum = false;                // compute the LPC model spectrum of each frame
  int threads = 1;                          // threads analysing frames side by side; 0: the
                                            // cores available (at most four per core start)
};

// What became of a frame.
enum class FrameStatus {
  analyzed,        // coefficients, formants and the asked spectra are set
  silence,         // digital silence: r[0] = 0, no LP model
  imaginary_pole,  // a pole with |real part| < 1e-9: no formants
  fit_refused,     // critical mode: no admissible double real pole
  failed,          // the root finder did not converge; analyze() throws after it
};

// The result of one frame. Arrays indexed as noted. A frame not analysed has
// no formants (count 0, every slot -1.0); its coefficients are those the
// frames before it left. The Durbin recursion stops after an order whose
// residual energy is not > 0: the coefficients and reflection coefficients
// above that order are then those of the last frame before it that computed
// them, as the program has always written them.
struct FrameResult {
  int start = 0;         // [sample index] the frame's first point
  double time_ms = 0.0;  // [ms] start / fs * 1000, rounded to single precision (as printed)
  FrameStatus status = FrameStatus::analyzed;
  std::array<double, MAX_LPC_ORDER + 1> coefs{};   // a[0..p], a[0] = 1
  std::array<double, MAX_LPC_ORDER> reflection{};  // k[0..p-1], Durbin mode only
  double error = 0.0;     // residual error energy of the model (units of r[0])
  int formant_count = 0;  // [0..(p+1)/2]
  std::array<double, MAX_LPC_ORDER / 2 + 1> formant_freq{};  // [Hz] [1..count]; -1.0 at 0
  std::array<double, MAX_LPC_ORDER / 2 + 1> formant_bw{};    // [Hz] [1..count]; -1.0 at 0
  bool has_tilt = false;                                     // critical mode, the fit succeeded
  double tilt = 0.0;                // [dB/oct] slope of the model spectrum at 1 kHz
  int spectrum_points = 0;          // N/2 + 1 (N: frame length rounded up to 2^m) when asked
  std::vector<double> frequencies;  // [Hz] [0..points-1], i * fs / N
  std::vector<double> fft_power;    // [dB] [0..points-1], when fft_spectrum
  std::vector<double> lpc_power;    // [dB] [0..points-1], when lpc_spectrum
  std::string messages;             // the frame's lines up to its formants, in order: the refused
                                    // fit's root listing, the near-zero pole lines, and
                                    // "<first> -- <last> pnt: not analyzed\n"
  std::string fft_messages;         // the FFT spectrum's caution lines (length not a power of 2)
  std::string lpc_messages;         // the LPC spectrum's caution lines
};

// Receives every frame's result, in frame order, on the calling thread.
using FrameSink = std::function<void(const FrameResult&)>;

// Called once before the first frame, when the analysis has all its memory.
using AnalysisReady = std::function<void()>;

// check_settings: the limit and conflict checks of the settings, in the program's order.
// Throws Error (kind settings) with the program's line for the first that fails: frame
// length above MAX_FRAME_LENGTH, order above MAX_LPC_ORDER, a threshold with both span
// ends given, the critical mode with an order other than 2, frame length, rate or order
// below 1, an LPC spectrum whose transform is shorter than order + 1 points.
VOCANA_API void check_settings(const AnalysisSettings& settings);

// check_rate_and_points: sampling frequency >= 1 and span points >= -1.
// Throws Error (kind settings): "Error: illegal sampling frequency: %d Hz\n" or
// "Error: analysis starting and/or ending point is below 0.\n".
VOCANA_API void check_rate_and_points(const AnalysisSettings& settings);

// fix_span: fixes the span against the samples, detecting an unset end.
//   samples   in      the whole sound
//   settings  in/out  start_point, end_point set (detection: from the first to the last
//                     sample of magnitude >= threshold)
// Throws Error (kind settings) with the program's lines: a point beyond the data, a failed
// detection, a span shorter than one frame.
VOCANA_API void fix_span(std::span<const Sample> samples, AnalysisSettings& settings);

// frame_count: the number of whole frames in the fixed span.
VOCANA_API long frame_count(const AnalysisSettings& settings);

// analyze: every whole frame of the span, handed to sink in order.
//   samples   in  the whole sound
//   settings  in  the span as fix_span() leaves it, or with an end unset (-1) to detect
//   sink      in  called once per frame on the calling thread
//   ready     in  called once on the calling thread before the first frame, when the
//                 working memory and threads are had (may be empty): a program opens
//                 its result files there, so that want of memory leaves them untouched
// With settings.threads > 1 frames are analysed on that many threads (fewer, or the
// calling thread alone, when threads or their memory cannot be had); the results, and
// every line in them, are the same as with one. Want of memory before the first frame
// throws Error (kind analysis) "Error: cannot allocate working memory.\n", ready not called. Throws
// Error (kind analysis) when the root finder fails in a frame, after handing the sink every frame
// before it and that frame (status failed; its tilt set when the fit came before the failure).
// Throws Error (kind settings) for what check_settings(), check_rate_and_points() and fix_span()
// refuse, except the threshold beside both span ends (a fixed span has both). Whatever
// the sink throws passes through.
VOCANA_API void analyze(std::span<const Sample> samples, const AnalysisSettings& settings,
                        const FrameSink& sink, const AnalysisReady& ready = {});

// available_threads: the cores available to the process (at least 1).
VOCANA_API int available_threads();

}  // namespace vocana
