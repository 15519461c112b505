// One frame of the analysis, on working arrays owned by the caller.
#pragma once

#include <vocana/analysis.h>

#include <array>
#include <span>
#include <vector>

#include "common/constants.h"
#include "spectrum/pws_func.h"

// Working arrays of one analysing thread, sized once.
struct FrameWork {
  std::vector<double> window;                               // [0..n-1] Hamming window
  std::array<double, MAX_FRAME_LENGTH> frame{};             // [0..n-1] windowed frame
  std::array<double, MAX_LPC_ORDER + 2> autocorrelation{};  // r[0..p]
  SpectrumWork spectrum;                                    // transform buffers, twiddles
  bool carried = false;  // the last frame's Durbin recursion ended with E <= 0, so it may
                         // have stopped early and left coefficients of the frame before
};

// prepare_frame_work: sizes work and fills the window for the settings; sizes
//   result's spectrum arrays when spectra are asked.
//   settings  in   checked settings
//   work      out  window made, buffers sized
//   result    out  frequencies, fft_power, lpc_power sized to N/2 + 1; every
//                  formant slot -1.0
//   spectrum_work  in  false: work.spectrum is left empty (the second working
//                       set of analyze_frame_pair, which uses the first's)
// Throws vocana::Error (kind analysis) when the memory cannot be had.
void prepare_frame_work(const vocana::AnalysisSettings& settings, FrameWork& work,
                        vocana::FrameResult& result, bool spectrum_work = true);

// reserve_messages: room for a frame's message lines, so that frames rarely
//   allocate.
void reserve_messages(vocana::FrameResult& result);

// analyze_frame: the frame that starts at point start.
//   samples   in      the whole sound
//   settings  in      checked, span fixed
//   start     in      [sample index] the frame's first point
//   work      in/out  from prepare_frame_work()
//   result    in/out  the frame's result; coefs and reflection are updated in
//                     place, so values an early stop of the Durbin recursion
//                     does not reach keep those of the frame analysed before
//                     in this record
// Returns false when no whole frame starts at start inside the span (nothing
// is written then); true otherwise. Throws vocana::Error (kind analysis) when
// the root finder fails; result then holds the frame up to the failure (its
// status is not yet failed: the caller sets it).
bool analyze_frame(std::span<const Sample> samples, const vocana::AnalysisSettings& settings,
                   int start, FrameWork& work, vocana::FrameResult& result);

// analyze_frame_pair: analyze_frame for the frame at start into *result[0]
//   and, when that frame is whole, for the next one (start + frame rate)
//   into *result[1], whose coefficients are first set to those of *result[0]
//   as one record reused for both would hold them. The two frames' root
//   searches run side by side.
//   samples, settings  in      as for analyze_frame
//   start              in      [sample index] the first frame's first point
//   work               in/out  one working set per frame; the spectra of
//                              both use work[0]'s spectrum buffers
//   result             in/out  one record per frame
//   at                 out     the frame (0 or 1) being analysed when a
//                              failure is thrown
// Returns the number of whole frames analysed: 0, 1 or 2. Throws as
// analyze_frame, for the frame at; a failure of the second comes after the
// first frame is complete.
int analyze_frame_pair(std::span<const Sample> samples, const vocana::AnalysisSettings& settings,
                       long long start, std::array<FrameWork*, 2> work,
                       std::array<vocana::FrameResult*, 2> result, int& at);
