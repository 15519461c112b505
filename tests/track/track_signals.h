// Test signals and files of the formant tracker's tests.
#pragma once

#include <sndfile.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace track_test {

// vowel: Rosenberg glottal pulses at f0 [Hz] through two-pole resonators of
// unit gain at 0 Hz at the given frequencies [Hz] (bandwidths 60 + f / 20
// Hz), then a first difference (the lips); count samples at rate [Hz], peak
// 0.5. f0_end: pitch at the end (a
// linear glide), formants_end: formants at the end (0: as at the start).
inline std::vector<double> vowel(int rate, int count, double f0, std::vector<double> formants,
                                 std::vector<double> formants_end = {}, double f0_end = 0.0) {
  if (formants_end.empty()) formants_end = formants;
  if (f0_end == 0.0) f0_end = f0;
  std::vector<double> out(count);
  std::vector<double> y1(formants.size()), y2(formants.size());
  double phase = 0.0, previous = 0.0;
  for (int n = 0; n < count; ++n) {
    const double u = static_cast<double>(n) / count;
    phase += (f0 + u * (f0_end - f0)) / rate;
    if (phase >= 1.0) phase -= 1.0;
    // Open 40 % of the period, closing 16 %.
    double x = phase < 0.4    ? 0.5 * (1.0 - std::cos(M_PI * phase / 0.4))
               : phase < 0.56 ? std::cos(0.5 * M_PI * (phase - 0.4) / 0.16)
                              : 0.0;
    for (std::size_t k = 0; k < formants.size(); ++k) {
      const double f = formants[k] + u * (formants_end[k] - formants[k]);
      const double r = std::exp(-M_PI * (60.0 + f / 20.0) / rate);
      const double a1 = -2.0 * r * std::cos(2.0 * M_PI * f / rate);
      const double y = (1.0 + a1 + r * r) * x - a1 * y1[k] - r * r * y2[k];
      y2[k] = y1[k];
      y1[k] = y;
      x = y;
    }
    out[n] = x - previous;
    previous = x;
  }
  double peak = 0.0;
  for (double x : out) peak = std::max(peak, std::fabs(x));
  for (double& x : out) x *= 0.5 / peak;
  return out;
}

// write_sound: frames of channels interleaved samples, in a format of libsndfile.
inline void write_sound(const std::string& path, const std::vector<double>& interleaved, int rate,
                        int channels, int format) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) throw std::runtime_error(sf_strerror(nullptr));
  sf_writef_double(file, interleaved.data(),
                   static_cast<sf_count_t>(interleaved.size() / channels));
  sf_close(file);
}

}  // namespace track_test
