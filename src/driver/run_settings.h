// The settings of one run and the seven result-stream slots.
#pragma once

#include <vocana/analysis.h>
#include <vocana/types.h>

#include <array>
#include <cstdio>
#include <span>

struct RunSettings {
  const char* input_path = nullptr;                 // the one operand
  int requested_sampling_frequency = -1;            // [Hz] -s, -1: not given
  int sampling_frequency = -1;                      // [Hz] resolved after loading
  int lpc_order = vocana::DEFAULT_LPC_ORDER;        // -m; -2 sets 2
  int frame_length = vocana::DEFAULT_FRAME_LENGTH;  // [points] -n
  int frame_rate = vocana::DEFAULT_FRAME_RATE;      // [points] hop between frame starts, -r
  int frame_rate_given = 0;                         // count of -r options seen
  int start_point = -1;                             // [sample index] -d or -D, -1: unset
  int end_point = -1;                               // [sample index, inclusive] -e or -E, -1: unset
  double start_ms = -1.0;                           // [ms] -D, -1.0: not given
  double end_ms = -1.0;                             // [ms] -E, -1.0: not given
  int threshold = 0;                                // [sample amplitude] -t
  bool big_endian_raw = false;                      // -i
  bool critical_second_order = false;               // -2
};

// One output slot: fixed label, the file name from the command line, the
// open stream.
struct ResultStream {
  const char* label;
  const char* file_name;  // nullptr: not named on the command line
  std::FILE* stream;      // nullptr: not written
};

inline constexpr int RESULT_STREAM_COUNT = 7;
using ResultStreams = std::array<ResultStream, RESULT_STREAM_COUNT>;

// Slot numbers, in the fixed order in which the report lists them.
enum ResultSlot : int {
  SLOT_WAVE = 0,        // -w
  SLOT_FORMANTS = 1,    // -f, standard output by default
  SLOT_BANDWIDTHS = 2,  // -b
  SLOT_FFT = 3,         // -F
  SLOT_LPC = 4,         // -S
  SLOT_COEFS = 5,       // -a
  SLOT_TILT = 6,        // -2
};

// default_result_streams: the seven slots before parsing; only the formant
// frequencies have a stream (standard output).
ResultStreams default_result_streams();

// parse_int: a whole number as strtol reads it in the C locale (leading blanks
//   and a sign accepted, trailing text ignored, no digits give 0), saturated
//   to INT_MIN / INT_MAX beyond the int range.
int parse_int(const char* text);

// parse_double: a number as strtod reads it (no digits give 0).
double parse_double(const char* text);

// ms_to_points: fs / 1000.0 * ms truncated toward zero; NaN and values below
//   the int range give INT_MIN, values above it INT_MAX.
//   fs  in  sampling frequency [Hz]
//   ms  in  time [ms]
int ms_to_points(int fs, double ms);

// apply_option: one option of the command line (getopt's character and
//   argument) applied to the settings and the slots; -W and getopt's '?' do
//   nothing.
void apply_option(int option, const char* arg, RunSettings& settings, ResultStreams& slots);

// resolve_rate_and_span: settles the sampling frequency from the header and
//   -s (a differing -s wins, after a warning line on standard error), then
//   converts the millisecond span options to points.
//   header_sampling_frequency  in  [Hz], -1 when the file has no header
// Returns false after "Error: illegal sampling frequency: %d Hz\n" on
// standard error for a frequency below 1.
bool resolve_rate_and_span(RunSettings& settings, int header_sampling_frequency);

// analysis_settings: the analysis of a run: its settings, and the spectra of
//   the slots named on the command line.
vocana::AnalysisSettings analysis_settings(const RunSettings& settings, const ResultStreams& slots);

// points_to_ms: points / fs * 1000.0 [ms].
double points_to_ms(long points, int fs);

// Largest thread count taken from the environment.
inline constexpr int MAX_THREADS = 1024;

// thread_count: the frame loop's thread count from the text of VOCANA_THREADS:
//   a whole number of 1 to MAX_THREADS, digits only. Anything else (unset,
//   empty, a sign, 0, too large) gives available, without a word: the
//   variable chooses only how fast the same output comes.
//   text       in  the variable's value, or nullptr when unset
//   available  in  the cores available to the process
int thread_count(const char* text, int available);
