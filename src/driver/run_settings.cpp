#include "driver/run_settings.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
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

void apply_option(int option, const char* arg, RunSettings& settings, ResultStreams& slots) {
  switch (option) {
    case 's':
      settings.requested_sampling_frequency = parse_int(arg);
      break;
    case 'm':
      settings.lpc_order = parse_int(arg);
      break;
    case 'n':
      settings.frame_length = parse_int(arg);
      if (settings.frame_rate_given == 0) settings.frame_rate = settings.frame_length / 2;
      break;
    case 'r':
      settings.frame_rate_given += 1;
      settings.frame_rate = parse_int(arg);
      break;
    case 'd':
      settings.start_point = parse_int(arg);
      break;
    case 'e':
      settings.end_point = parse_int(arg);
      break;
    case 'D':
      settings.start_ms = parse_double(arg);
      break;
    case 'E':
      settings.end_ms = parse_double(arg);
      break;
    case 't':
      settings.threshold = parse_int(arg);
      break;
    case 'i':
      settings.big_endian_raw = true;
      break;
    case 'w':
      slots[SLOT_WAVE].file_name = arg;
      break;
    case 'f':
      slots[SLOT_FORMANTS].file_name = arg;
      break;
    case 'b':
      slots[SLOT_BANDWIDTHS].file_name = arg;
      break;
    case 'F':
      slots[SLOT_FFT].file_name = arg;
      break;
    case 'S':
      slots[SLOT_LPC].file_name = arg;
      break;
    case 'a':
      slots[SLOT_COEFS].file_name = arg;
      break;
    case '2':
      settings.critical_second_order = true;
      slots[SLOT_TILT].file_name = arg;
      settings.lpc_order = 2;
      break;
    default:  // 'W', and getopt's '?' after its own diagnostic
      break;
  }
}

bool resolve_rate_and_span(RunSettings& settings, int header_sampling_frequency) {
  const int requested = settings.requested_sampling_frequency;
  if (header_sampling_frequency != -1) {
    settings.sampling_frequency = header_sampling_frequency;
    if (requested != -1 && requested != header_sampling_frequency) {
      std::fprintf(stderr,
                   "Warning: sampling frequency given by command line (%d Hz) is different from "
                   "%d Hz written in file header.\n",
                   requested, header_sampling_frequency);
      settings.sampling_frequency = requested;
    }
  } else {
    settings.sampling_frequency = requested != -1 ? requested : vocana::DEFAULT_SAMPLING_FREQUENCY;
  }
  if (settings.sampling_frequency < 1) {
    std::fprintf(stderr, "Error: illegal sampling frequency: %d Hz\n", settings.sampling_frequency);
    return false;
  }
  if (settings.start_ms != -1.0)
    settings.start_point = ms_to_points(settings.sampling_frequency, settings.start_ms);
  if (settings.end_ms != -1.0)
    settings.end_point = ms_to_points(settings.sampling_frequency, settings.end_ms);
  return true;
}

vocana::AnalysisSettings analysis_settings(const RunSettings& settings,
                                           const ResultStreams& slots) {
  vocana::AnalysisSettings analysis;
  analysis.sampling_frequency = settings.sampling_frequency;
  analysis.lpc_order = settings.lpc_order;
  analysis.frame_length = settings.frame_length;
  analysis.frame_rate = settings.frame_rate;
  analysis.start_point = settings.start_point;
  analysis.end_point = settings.end_point;
  analysis.threshold = settings.threshold;
  analysis.critical = settings.critical_second_order;
  analysis.fft_spectrum = slots[SLOT_FFT].file_name != nullptr;
  analysis.lpc_spectrum = slots[SLOT_LPC].file_name != nullptr;
  return analysis;
}

double points_to_ms(long points, int fs) { return static_cast<double>(points) / fs * 1000.0; }

int thread_count(const char* text, int available) {
  if (text == nullptr || *text == '\0') return available;
  long value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return available;
    value = value * 10 + (*c - '0');
    if (value > MAX_THREADS) return available;
  }
  return value >= 1 ? static_cast<int>(value) : available;
}
