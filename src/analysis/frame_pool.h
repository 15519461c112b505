// The frame loop on several threads, with results handed over in frame order.
#pragma once

#include <vocana/analysis.h>

#include <span>

#include "common/constants.h"

// analyze_on_threads: every whole frame of the fixed span, analysed by
//   `threads` worker threads in blocks of consecutive frames, and handed to
//   sink on the calling thread in frame order: the same results and lines, in
//   the same order, as the loop on one thread. A frame whose Durbin recursion
//   ends with a residual energy not > 0 (its upper coefficients may come from
//   the frame before) is analysed again on the calling thread, in order, on
//   the coefficients the frames before it left.
//   samples   in  the whole sound
//   settings  in  checked, span fixed
//   threads   in  worker threads, >= 2
//   sink      in  called once per frame
//   ready     in  called once before the first frame, when the memory and the
//                 threads are had (may be empty)
// Returns false, having called neither ready nor sink, when the pool's memory
// or its threads cannot be had: the caller analyses the frames in order.
// A root finder failure in frame k: the frames before k and frame k (status
// failed) reach the sink, nothing after it, then the Error is thrown. At most
// a fraction of a MB of results is in flight, whatever the length of the
// sound.
bool analyze_on_threads(std::span<const Sample> samples, const vocana::AnalysisSettings& settings,
                        int threads, const vocana::FrameSink& sink,
                        const vocana::AnalysisReady& ready);
