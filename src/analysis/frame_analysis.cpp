#include "analysis/frame_analysis.h"

#include <new>

#include "common/messages.h"
#include "input/spframe.h"
#include "lpc/formant.h"
#include "lpc/lpc_func.h"
#include "spectrum/fft_func.h"
#include "spectrum/spctilt.h"

namespace {

// The tilt of the critical model is taken at this frequency [Hz].
constexpr double TILT_FREQUENCY = 1000.0;

// Room for a frame's message lines [characters]: a root listing and the
// "not analyzed" line, or the caution block of a spectrum.
constexpr std::size_t MESSAGE_ROOM = 512;

void not_analyzed(vocana::FrameResult& result, vocana::FrameStatus status, int n) {
  result.status = status;
  result.formant_freq.fill(-1.0);
  result.formant_bw.fill(-1.0);
  append_text(result.messages, "%ld -- %ld pnt: not analyzed\n", static_cast<long>(result.start),
              static_cast<long>(result.start) + n - 1);
}

}  // namespace

void prepare_frame_work(const vocana::AnalysisSettings& settings, FrameWork& work,
                        vocana::FrameResult& result) {
  const int n = settings.frame_length;
  result.formant_freq.fill(-1.0);
  result.formant_bw.fill(-1.0);
  try {
    work.window.assign(static_cast<std::size_t>(n), 0.0);
    hamming_window(n, work.window);
    if (settings.fft_spectrum || settings.lpc_spectrum) {
      int m = 0;
      is_pow_2(n, m);
      const std::size_t points = (static_cast<std::size_t>(1) << m) / 2 + 1;
      result.frequencies.assign(points, 0.0);
      if (settings.fft_spectrum) result.fft_power.assign(points, 0.0);
      if (settings.lpc_spectrum) result.lpc_power.assign(points, 0.0);
      // Sizes the transform buffers and twiddle tables before the first frame.
      std::string unused;
      const std::array<double, 2> probe{1.0, 0.0};
      fft_pws_work(probe, 2, settings.sampling_frequency, result.frequencies, result.frequencies,
                   work.spectrum, unused);
    }
    reserve_messages(result);
  } catch (const std::bad_alloc&) {
    throw vocana::Error(vocana::ErrorKind::analysis, "Error: cannot allocate working memory.\n");
  }
}

void reserve_messages(vocana::FrameResult& result) {
  result.messages.reserve(MESSAGE_ROOM);
  result.fft_messages.reserve(MESSAGE_ROOM);
  result.lpc_messages.reserve(MESSAGE_ROOM);
}

bool analyze_frame(std::span<const Sample> samples, const vocana::AnalysisSettings& settings,
                   int start, FrameWork& work, vocana::FrameResult& result) {
  const int n = settings.frame_length;
  const int p = settings.lpc_order;
  const int fs = settings.sampling_frequency;
  if (get_frame_windowed(samples, settings.end_point, start, n, work.window, work.frame) != n)
    return false;
  result.start = start;
  // Single precision on purpose: the printed time is this float's value
  // (11025 Hz, frame start 22925: 2079.36 ms, where the double gives 2079.37).
  result.time_ms = static_cast<float>(static_cast<double>(start) / fs * 1000.0);
  result.status = vocana::FrameStatus::analyzed;
  result.has_tilt = false;
  result.formant_count = 0;
  result.spectrum_points = 0;
  result.messages.clear();
  result.fft_messages.clear();
  result.lpc_messages.clear();
  work.carried = false;

  autocor(work.frame, work.autocorrelation, n, p);
  if (settings.critical) {
    result.error = Critical2ndOrderCoefs(work.autocorrelation, result.coefs, p, result.messages);
    if (result.error < 0.0) {
      not_analyzed(result, vocana::FrameStatus::fit_refused, n);
      return true;
    }
    result.tilt = spectralTilt(TILT_FREQUENCY, result.coefs[1], fs);
    result.has_tilt = true;
  } else {
    // A frame of digital silence has no LP model.
    if (work.autocorrelation[0] == 0.0) {
      result.error = 0.0;
      not_analyzed(result, vocana::FrameStatus::silence, n);
      return true;
    }
    result.error = durb(work.autocorrelation, result.reflection, result.coefs, p);
    work.carried = !(result.error > 0.0);
  }

  const int count =
      extract_formant(result.coefs, p, result.formant_freq, result.formant_bw, fs, result.messages);
  if (count < 0) {
    not_analyzed(result, vocana::FrameStatus::imaginary_pole, n);
    return true;
  }
  result.formant_count = count;
  const std::span<const double> frame(work.frame.data(), static_cast<std::size_t>(n));
  if (settings.fft_spectrum) {
    result.spectrum_points = fft_pws_work(frame, n, fs, result.frequencies, result.fft_power,
                                          work.spectrum, result.fft_messages);
  }
  if (settings.lpc_spectrum) {
    result.spectrum_points = lpc_pws_work(result.coefs, result.error, p, n, fs, result.frequencies,
                                          result.lpc_power, work.spectrum, result.lpc_messages);
  }
  return true;
}
