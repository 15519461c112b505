#include "driver/run_settings.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

ResultStreams default_result_streams() {
  return ResultStreams{{
      {"wave form (time vs amplitude)", nullptr, nullptr},
      {"formant frequencies", nullptr, stdout},
      {"formant bandwidths", nullptr, nullptr},
      {"FFT spectra", nullptr, nullptr},
      {"LPC spectra", nullptr, nullptr},
      {"LP coefficients", nullptr, nullptr},
      {"spectral tilts [db/oct] at 1 kHz", nullptr, nullptr},
  }};
}

int parse_int(const char* text) {
  errno = 0;
  const long value = std::strtol(text, nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double parse_double(const char* text) { return std::strtod(text, nullptr); }

int ms_to_points(int fs, double ms) {
  const double points = fs / 1000.0 * ms;
  if (std::isnan(points) || points < static_cast<double>(INT_MIN)) return INT_MIN;
  if (points > static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(points);
}
