// The frame loop: every whole frame of the span, in order, to the caller's sink.
#include <sched.h>
#include <vocana/analysis.h>
#include <vocana/error.h>

#include <thread>

#include "analysis/frame_analysis.h"
#include "analysis/frame_pool.h"

namespace vocana {

namespace {

// Analyses frame by frame on the calling thread. The result record is reused,
// so coefficients that an early stop of the Durbin recursion does not reach
// keep the values of the frame before.
void analyze_in_order(std::span<const Sample> samples, const AnalysisSettings& settings,
                      const FrameSink& sink, const AnalysisReady& ready) {
  FrameWork work;
  FrameResult result;
  prepare_frame_work(settings, work, result);
  if (ready) ready();
  for (long long next = settings.start_point; next <= settings.end_point;
       next += settings.frame_rate) {
    bool whole = false;
    try {
      whole = analyze_frame(samples, settings, static_cast<int>(next), work, result);
    } catch (const Error& error) {
      if (error.kind() != ErrorKind::analysis) throw;
      result.status = FrameStatus::failed;
      sink(result);
      throw;
    }
    if (!whole) break;
    sink(result);
  }
}

}  // namespace

void analyze(std::span<const Sample> samples, const AnalysisSettings& settings,
             const FrameSink& sink, const AnalysisReady& ready) {
  // A fixed span has both ends set; the threshold that detected them is then
  // no conflict, so the limits are checked without it.
  AnalysisSettings limits = settings;
  limits.threshold = 0;
  check_settings(limits);
  check_rate_and_points(settings);
  AnalysisSettings fixed = settings;
  fix_span(samples, fixed);
  const int threads = settings.threads == 0 ? available_threads() : settings.threads;
  if (threads > 1 && frame_count(fixed) > 1 &&
      analyze_on_threads(samples, fixed, threads, sink, ready)) {
    return;
  }
  analyze_in_order(samples, fixed, sink, ready);
}

int available_threads() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return count;
  }
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware > 0 ? static_cast<int>(hardware) : 1;
}

}  // namespace vocana
