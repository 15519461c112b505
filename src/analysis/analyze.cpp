// The frame loop: every whole frame of the span, in order, to the caller's sink.
#include <sched.h>
#include <vocana/analysis.h>
#include <vocana/error.h>

#include <array>
#include <thread>

#include "analysis/frame_analysis.h"
#include "analysis/frame_pool.h"

namespace vocana {

namespace {

// Analyses the frames on the calling thread, two at a time (their root
// searches side by side). Each frame starts from the coefficients of the
// frame before, as one reused record would hold them: coefficients that an
// early stop of the Durbin recursion does not reach keep those values.
void analyze_in_order(std::span<const Sample> samples, const AnalysisSettings& settings,
                      const FrameSink& sink, const AnalysisReady& ready) {
  std::array<FrameWork, 2> work;
  std::array<FrameResult, 2> result;
  prepare_frame_work(settings, work[0], result[0]);
  prepare_frame_work(settings, work[1], result[1], false);
  if (ready) ready();
  for (long long next = settings.start_point; next <= settings.end_point;
       next += 2LL * settings.frame_rate) {
    int whole = 0;
    int at = 0;
    try {
      whole = analyze_frame_pair(samples, settings, next, {&work[0], &work[1]},
                                 {&result[0], &result[1]}, at);
    } catch (const Error& error) {
      if (error.kind() != ErrorKind::analysis) throw;
      if (at == 1) sink(result[0]);
      result[at].status = FrameStatus::failed;
      sink(result[at]);
      throw;
    }
    for (int k = 0; k < whole; ++k) sink(result[k]);
    if (whole < 2) break;
    result[0].coefs = result[1].coefs;
    result[0].reflection = result[1].reflection;
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
