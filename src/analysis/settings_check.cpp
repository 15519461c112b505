// The checks of the analysis settings and the span against the samples.
#include <vocana/analysis.h>
#include <vocana/error.h>

#include <string>

#include "common/messages.h"
#include "input/spframe.h"
#include "spectrum/fft_func.h"

namespace vocana {

void check_settings(const AnalysisSettings& settings) {
  const ErrorKind kind = ErrorKind::settings;
  if (settings.frame_length > MAX_FRAME_LENGTH)
    throw_error(kind, "Error: maximum value of frame length: %d\n", MAX_FRAME_LENGTH);
  if (settings.lpc_order > MAX_LPC_ORDER)
    throw_error(kind, "Error: maximum value of LPC order: %d\n", MAX_LPC_ORDER);
  if (settings.threshold != 0 && settings.start_point != -1 && settings.end_point != -1)
    throw_error(kind, "cannot use option -t, -d and -e, simultaniously...  exit\n");
  if (settings.critical && settings.lpc_order != 2)
    throw_error(kind, "cannot use option -2 and -m, simultaniously...  exit\n");
  // Lower bounds: a frame length or rate below 1 would repeat one frame for
  // ever, an order below 1 has no recursion.
  if (settings.frame_length < 1) throw_error(kind, "Error: minimum value of frame length: 1\n");
  if (settings.frame_rate < 1) throw_error(kind, "Error: minimum value of frame rate: 1\n");
  if (settings.lpc_order < 1) throw_error(kind, "Error: minimum value of LPC order: 1\n");
  // The model spectrum puts the order + 1 coefficients into the transform
  // buffer of the padded frame length.
  if (settings.lpc_spectrum) {
    int m = 0;
    is_pow_2(settings.frame_length, m);
    const int transform_length = 1 << m;
    if (transform_length < settings.lpc_order + 1) {
      throw_error(kind, "Error: LPC spectrum needs %d points at least, frame gives %d.\n",
                  settings.lpc_order + 1, transform_length);
    }
  }
}

void check_rate_and_points(const AnalysisSettings& settings) {
  if (settings.sampling_frequency < 1) {
    throw_error(ErrorKind::settings, "Error: illegal sampling frequency: %d Hz\n",
                settings.sampling_frequency);
  }
  if (settings.start_point < -1 || settings.end_point < -1) {
    throw_error(ErrorKind::settings, "Error: analysis starting and/or ending point is below 0.\n");
  }
}

void fix_span(std::span<const Sample> samples, AnalysisSettings& settings) {
  const long data_size = static_cast<long>(samples.size());
  if (settings.start_point >= data_size || settings.end_point >= data_size) {
    throw_error(ErrorKind::settings,
                "Error: analysis staring and/or ending point exceeds end of data.\n");
  }
  if (settings.start_point == -1 || settings.end_point == -1) {
    int first = 0;
    int last = 0;
    std::string messages;
    if (detect_sp_duration(samples, static_cast<int>(data_size), settings.threshold,
                           settings.frame_length, first, last, messages) <= 0) {
      throw Error(ErrorKind::settings, messages + "error at detect_sp_duration.\n");
    }
    if (settings.start_point == -1) settings.start_point = first;
    if (settings.end_point == -1) settings.end_point = last;
  }
  if (settings.end_point - settings.start_point + 1 < settings.frame_length)
    throw_error(ErrorKind::settings, "speech duration is shorter than frame length.\n");
}

long frame_count(const AnalysisSettings& settings) {
  const long long span = static_cast<long long>(settings.end_point) - settings.start_point + 1;
  if (settings.start_point < 0 || settings.frame_rate < 1 || span < settings.frame_length) return 0;
  return static_cast<long>((span - settings.frame_length) / settings.frame_rate + 1);
}

}  // namespace vocana
