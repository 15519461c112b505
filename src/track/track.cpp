// The formant tracker's pipeline at one ceiling, the settings check and the
// reading of tracks at given times.
#include <vocana/error.h>
#include <vocana/track.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/messages.h"
#include "track/analysis.h"
#include "track/lp_frame.h"
#include "track/tracker.h"

using vocana::Error;
using vocana::ErrorKind;

namespace {

constexpr double TWO_PI = 6.283185307179586;  // nearest double to 2 pi
constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();

// Window values below this are left out of the LP analysis.
constexpr double WINDOW_FLOOR = 0.005;

// Frames between two calls of the progress function.
constexpr std::size_t PROGRESS_FRAMES = 2000;

// Bounds of the settings.
constexpr double MIN_CEILING = 500.0;    // [Hz]
constexpr double MAX_CEILING = 48000.0;  // [Hz]
constexpr double MIN_WINDOW = 0.001;     // [s]
constexpr double MAX_WINDOW = 1.0;       // [s]
constexpr double MIN_STEP = 0.0001;      // [s]

bool in_range(double x, double low, double high) { return x >= low && x <= high; }

}  // namespace

namespace vocana {

void check_track_settings(const TrackSettings& s) {
  if (!s.auto_ceiling && !in_range(s.ceiling, MIN_CEILING, MAX_CEILING))
    throw_error(ErrorKind::settings, "--ceiling %g: must be 'auto' or from %g to %g Hz\n",
                s.ceiling, MIN_CEILING, MAX_CEILING);
  if (s.formants < 1 || s.formants > MAX_TRACK_FORMANTS)
    throw_error(ErrorKind::settings, "--formants %d: must be from 1 to %d\n", s.formants,
                MAX_TRACK_FORMANTS);
  if (!in_range(s.window, MIN_WINDOW, MAX_WINDOW))
    throw_error(ErrorKind::settings, "--window %g: must be from %g to %g seconds\n", s.window,
                MIN_WINDOW, MAX_WINDOW);
  if (!in_range(s.step, MIN_STEP, MAX_WINDOW))
    throw_error(ErrorKind::settings, "--step %g: must be from %g to %g seconds\n", s.step, MIN_STEP,
                MAX_WINDOW);
  if (!(s.pre_emphasis >= 0.0) || !std::isfinite(s.pre_emphasis))
    throw_error(ErrorKind::settings, "--pre-emphasis %g: must be 0 (none) or a frequency in Hz\n",
                s.pre_emphasis);
  if (!(s.start >= 0.0) || !std::isfinite(s.start))
    throw_error(ErrorKind::settings, "--start %g: must be 0 or more seconds\n", s.start);
  if (!std::isfinite(s.end) || (s.end >= 0.0 && s.end <= s.start))
    throw_error(ErrorKind::settings, "--end %g: must be after --start (%g s)\n", s.end, s.start);
}

FormantTracks track_formants(std::span<const double> samples, int rate,
                             const TrackSettings& settings, const TrackProgress& progress) {
  check_track_settings(settings);
  if (rate <= 0) throw_error(ErrorKind::settings, "sampling rate %d Hz: must be above 0\n", rate);
  const double duration = static_cast<double>(samples.size()) / rate;
  const double end = settings.end < 0.0 ? duration : std::min(settings.end, duration);
  if (settings.start >= duration)
    throw_error(ErrorKind::settings, "--start %g: the sound lasts only %.3f s\n", settings.start,
                duration);
  if (end - settings.start < 2.0 * settings.window)
    throw_error(ErrorKind::analysis,
                "%.3f s of sound is shorter than one analysis window (%.3f s, twice --window)\n",
                end - settings.start, 2.0 * settings.window);
  if (!settings.auto_ceiling) {
    return analyse_at_ceiling(resample_span(samples, rate, settings.ceiling, settings.start, end),
                              frame_grid(samples, rate, settings, settings.start, end), settings,
                              settings.ceiling, progress);
  }
  return analyse_auto_ceiling(samples, rate, settings, end, progress);
}

}  // namespace vocana

using vocana::FormantTracks;
using vocana::TrackProgress;
using vocana::TrackSettings;

Resampled resample_span(std::span<const double> samples, int rate, double ceiling, double start,
                        double end) {
  Resampled out;
  out.fs = 2.0 * ceiling;
  // The span plus a margin for the resampling filter to settle in.
  const double margin = 0.01;
  const auto first = static_cast<std::size_t>(std::max(0.0, std::floor((start - margin) * rate)));
  const auto last =
      std::min(samples.size(), static_cast<std::size_t>(std::ceil((end + margin) * rate)));
  out.offset = static_cast<double>(first) / rate;
  out.x = resample(samples.subspan(first, last - first), rate, out.fs);
  out.start = start;
  out.end = end;
  return out;
}

Frames frame_grid(std::span<const double> samples, int rate, const TrackSettings& settings,
                  double start, double end) {
  Frames f;
  const double length = end - start;
  const auto count = static_cast<std::size_t>(
                         std::floor((length - 2.0 * settings.window) / settings.step + 1e-9)) +
                     1;
  const double t0 = start + 0.5 * (length - static_cast<double>(count - 1) * settings.step);
  const auto points =
      std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(settings.window * rate)));
  f.time.resize(count);
  f.intensity.resize(count);
  for (std::size_t j = 0; j < count; ++j) {
    const double t = t0 + static_cast<double>(j) * settings.step;
    f.time[j] = t;
    const double first = std::round(t * rate - 0.5 * static_cast<double>(points - 1));
    const auto b = static_cast<std::size_t>(std::clamp(
        first, 0.0, static_cast<double>(samples.size() - std::min(samples.size(), points))));
    double sum = 0.0;
    for (std::size_t i = b; i < b + points && i < samples.size(); ++i)
      sum += samples[i] * samples[i];
    f.intensity[j] = 10.0 * std::log10(sum / static_cast<double>(points));
  }
  return f;
}

FormantTracks analyse_at_ceiling(Resampled&& sound, const Frames& grid,
                                 const TrackSettings& settings, double ceiling,
                                 const TrackProgress& progress) {
  const double fs = sound.fs;
  const int n = settings.formants;
  const int p = 2 * n;
  const auto span_samples = static_cast<std::size_t>(std::lround(2.0 * settings.window * fs));
  const std::size_t window_points =
      std::max<std::size_t>(span_samples, static_cast<std::size_t>(p + 2));
  const std::size_t sound_points = sound.x.size();
  const std::size_t frames = grid.time.size();

  FormantTracks result;
  result.ceiling = ceiling;
  result.formants = n;
  result.time = grid.time;
  result.intensity = grid.intensity;
  result.frequency.assign(frames * n, NAN_VALUE);
  result.bandwidth.assign(frames * n, NAN_VALUE);

  std::vector<double> window(window_points);
  make_window(settings.shape, window);
  // The analysis uses the part of the window above WINDOW_FLOOR: the tails
  // beyond add less than WINDOW_FLOOR^2 of the frame's energy.
  std::size_t lead = 0;
  while (lead < window_points / 4 && window[lead] < WINDOW_FLOOR) ++lead;
  const std::size_t used_points = window_points - 2 * lead;

  // The first sample of each frame in the resampled sound.
  std::vector<std::size_t> begin(frames);
  const double last_begin =
      static_cast<double>(sound_points - std::min(sound_points, window_points));
  double loudest = -std::numeric_limits<double>::infinity();
  for (std::size_t j = 0; j < frames; ++j) {
    const double centre = (grid.time[j] - sound.offset) * fs;
    const double b = std::round(centre - 0.5 * static_cast<double>(window_points - 1));
    begin[j] = static_cast<std::size_t>(std::clamp(b, 0.0, last_begin));
    loudest = std::max(loudest, grid.intensity[j]);
  }

  // Pre-emphasis of the whole resampled sound, in place, once.
  std::vector<double>& y = sound.x;
  if (settings.pre_emphasis > 0.0) {
    const double alpha = std::exp(-TWO_PI * settings.pre_emphasis / fs);
    for (std::size_t i = y.size(); i-- > 1;) y[i] -= alpha * y[i - 1];
  }

  std::vector<Candidate> cand(frames * n, Candidate{0.0, 0.0});
  std::vector<int> count(frames, 0);
  std::vector<double> frame_points(used_points);
  const std::span<const double> frame(frame_points);
  std::vector<double> a(p + 1);
  std::vector<double> work(2 * window_points + 2 * p + 2);
  RootSeeds seeds;
  const double threshold = loudest - vocana::SILENCE_BELOW_LOUDEST_DB;
  for (std::size_t j = 0; j < frames; ++j) {
    if (progress && j % PROGRESS_FRAMES == 0) progress(static_cast<double>(j) / frames);
    if (!(result.intensity[j] > threshold) || begin[j] + window_points > sound_points) {
      seeds.p = 0;
      continue;
    }
    const double* in = y.data() + begin[j];
    for (std::size_t i = lead; i < lead + used_points; ++i)
      frame_points[i - lead] = in[i] * window[i];
    const bool ok = settings.method == vocana::LpMethod::burg
                        ? burg_lpc(frame, a, p, work)
                        : autocorrelation_lpc(frame, a, p, work);
    if (!ok) {
      seeds.p = 0;
      continue;
    }
    // The one place where a failure of the root finder is caught: the frame
    // keeps no candidates (NaN formants) and is counted.
    try {
      count[j] =
          lp_candidates(a, p, fs, ceiling, std::span<Candidate>(cand.data() + j * n, n), seeds);
    } catch (const Error&) {
      ++result.failed_frames;
    }
  }
  track_candidates(cand, count, n, ceiling, result.frequency, result.bandwidth);

  if (progress) progress(1.0);
  return result;
}

namespace vocana {

FormantTracks tracks_at_times(const FormantTracks& tracks, std::span<const double> times) {
  const int n = tracks.formants;
  FormantTracks out;
  out.ceiling = tracks.ceiling;
  out.formants = n;
  out.failed_frames = tracks.failed_frames;
  out.time.assign(times.begin(), times.end());
  out.intensity.assign(times.size(), NAN_VALUE);
  out.frequency.assign(times.size() * n, NAN_VALUE);
  out.bandwidth.assign(times.size() * n, NAN_VALUE);
  const std::size_t frames = tracks.time.size();
  if (frames == 0) return out;
  const double half_step = frames > 1 ? 0.5 * (tracks.time[1] - tracks.time[0]) : 0.0;
  // At a frame itself only that frame's value counts.
  auto mix = [](double l, double r, double w) {
    return w == 0.0 ? l : w == 1.0 ? r : l + w * (r - l);
  };
  for (std::size_t m = 0; m < times.size(); ++m) {
    const double t = times[m];
    if (!(t >= tracks.time.front() - half_step && t <= tracks.time.back() + half_step)) continue;
    const auto it = std::upper_bound(tracks.time.begin(), tracks.time.end(), t);
    std::size_t hi = static_cast<std::size_t>(it - tracks.time.begin());
    std::size_t lo = hi == 0 ? 0 : hi - 1;
    if (hi >= frames) hi = frames - 1;
    const double w =
        hi == lo
            ? 0.0
            : std::clamp((t - tracks.time[lo]) / (tracks.time[hi] - tracks.time[lo]), 0.0, 1.0);
    out.intensity[m] = mix(tracks.intensity[lo], tracks.intensity[hi], w);
    for (int i = 0; i < n; ++i) {
      out.frequency[m * n + i] = mix(tracks.frequency[lo * n + i], tracks.frequency[hi * n + i], w);
      out.bandwidth[m * n + i] = mix(tracks.bandwidth[lo * n + i], tracks.bandwidth[hi * n + i], w);
    }
  }
  return out;
}

}  // namespace vocana
