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
                        vocana::FrameResult& result, bool spectrum_work) {
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
    }
    if ((settings.fft_spectrum || settings.lpc_spectrum) && spectrum_work) {
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

namespace {

// How far frame_lp took a frame.
enum class Lp { not_whole, done, formants };

// analyze_frame up to the formants: the frame, its autocorrelation and its LP
// coefficients, or the end of a frame that is not analysed.
Lp frame_lp(std::span<const Sample> samples, const vocana::AnalysisSettings& settings, int start,
            FrameWork& work, vocana::FrameResult& result) {
  const int n = settings.frame_length;
  const int p = settings.lpc_order;
  const int fs = settings.sampling_frequency;
  if (get_frame_windowed(samples, settings.end_point, start, n, work.window, work.frame) != n)
    return Lp::not_whole;
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
      return Lp::done;
    }
    result.tilt = spectralTilt(TILT_FREQUENCY, result.coefs[1], fs);
    result.has_tilt = true;
  } else {
    // A frame of digital silence has no LP model.
    if (work.autocorrelation[0] == 0.0) {
      result.error = 0.0;
      not_analyzed(result, vocana::FrameStatus::silence, n);
      return Lp::done;
    }
    result.error = durb(work.autocorrelation, result.reflection, result.coefs, p);
    work.carried = !(result.error > 0.0);
  }
  return Lp::formants;
}

// analyze_frame after the formants: count is extract_formant's result; the
// spectra are computed with spectrum.
void frame_rest(const vocana::AnalysisSettings& settings, int count, const FrameWork& work,
                SpectrumWork& spectrum, vocana::FrameResult& result) {
  const int n = settings.frame_length;
  const int fs = settings.sampling_frequency;
  if (count < 0) {
    not_analyzed(result, vocana::FrameStatus::imaginary_pole, n);
    return;
  }
  result.formant_count = count;
  const std::span<const double> frame(work.frame.data(), static_cast<std::size_t>(n));
  if (settings.fft_spectrum) {
    result.spectrum_points = fft_pws_work(frame, n, fs, result.frequencies, result.fft_power,
                                          spectrum, result.fft_messages);
  }
  if (settings.lpc_spectrum) {
    result.spectrum_points =
        lpc_pws_work(result.coefs, result.error, settings.lpc_order, n, fs, result.frequencies,
                     result.lpc_power, spectrum, result.lpc_messages);
  }
}

// extract_formant on the frame's coefficients, then the rest.
void formants_and_rest(const vocana::AnalysisSettings& settings, const FrameWork& work,
                       SpectrumWork& spectrum, vocana::FrameResult& result) {
  const int count =
      extract_formant(result.coefs, settings.lpc_order, result.formant_freq, result.formant_bw,
                      settings.sampling_frequency, result.messages);
  frame_rest(settings, count, work, spectrum, result);
}

}  // namespace

bool analyze_frame(std::span<const Sample> samples, const vocana::AnalysisSettings& settings,
                   int start, FrameWork& work, vocana::FrameResult& result) {
  const Lp lp = frame_lp(samples, settings, start, work, result);
  if (lp == Lp::formants) formants_and_rest(settings, work, work.spectrum, result);
  return lp != Lp::not_whole;
}

int analyze_frame_pair(std::span<const Sample> samples, const vocana::AnalysisSettings& settings,
                       long long start, std::array<FrameWork*, 2> work,
                       std::array<vocana::FrameResult*, 2> result, int& at) {
  at = 0;
  // The spectra of both frames are computed one after the other with the
  // first working set's buffers and tables.
  SpectrumWork& spectrum = work[0]->spectrum;
  const Lp first = frame_lp(samples, settings, static_cast<int>(start), *work[0], *result[0]);
  if (first == Lp::not_whole) return 0;
  // The second frame starts from the first's coefficients, as one record
  // reused for both would.
  result[1]->coefs = result[0]->coefs;
  result[1]->reflection = result[0]->reflection;
  const long long next = start + settings.frame_rate;
  const Lp second = next <= settings.end_point
                        ? frame_lp(samples, settings, static_cast<int>(next), *work[1], *result[1])
                        : Lp::not_whole;
  if (first == Lp::formants && second == Lp::formants) {
    // Both root searches side by side; a failure of either is found again
    // below, frame by frame, in order.
    std::array<FormantFrame, 2> frames;
    for (int k = 0; k < 2; ++k) {
      frames[k] = FormantFrame{result[k]->coefs, result[k]->formant_freq, result[k]->formant_bw,
                               &result[k]->messages, 0};
    }
    if (extract_formant_pair(frames, settings.lpc_order, settings.sampling_frequency)) {
      frame_rest(settings, frames[0].count, *work[0], spectrum, *result[0]);
      frame_rest(settings, frames[1].count, *work[1], spectrum, *result[1]);
      return 2;
    }
  }
  if (first == Lp::formants) formants_and_rest(settings, *work[0], spectrum, *result[0]);
  at = 1;
  if (second == Lp::not_whole) return 1;
  if (second == Lp::formants) formants_and_rest(settings, *work[1], spectrum, *result[1]);
  return 2;
}
